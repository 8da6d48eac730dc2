// Hostile plugins: whatever a plugin returns or does, the host ends with a
// message or a FAIL line and a documented status, never a crash of its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "HostProcess.h"

namespace cli_test {
namespace {

struct HostileCase {
  const char* fault;                 // the variant: TEST_PLUGIN_FAULT_<fault>
  std::vector<std::string> command;  // the plugin's path goes after the first word
  int status;
  const char* expected;              // in standard output or standard error
};

std::vector<std::string> Command(const HostileCase& c) {
  std::vector<std::string> words = c.command;
  words.insert(words.begin() + 1, FaultyTestPlugin(c.fault));
  return words;
}

TEST(HostilePlugins, EachFaultEndsInAMessageOrAFailLine) {
  const HostileCase cases[] = {
      {"NULL_SECOND_INFO", {"info"}, 1, "FF_GETINFO gives no information record that can be read"},
      {"UNREADABLE_TEXT", {"info", "--json"}, 1,
       "FF_GETEXTENDEDINFO gives a record or text that cannot be read"},
      {"NAME_AT_GUARD_PAGE", {"validate"}, 1,
       "FF_GETPARAMETERNAME gives parameter 0 a name that cannot be read"},
      {"TEXT_PARAMETER_FAILS", {"validate", "--cycles", "2"}, 1,
       "FAIL  fresh instance starts at the defaults: FF_GETPARAMETER refused parameter 0"},
      {"LEAVES_BLENDING", {"validate", "--cycles", "2"}, 1,
       "FAIL  host GL state kept: no inputs, frame 1: GL_BLEND enabled 1 (was 0)"},
      {"LEAVES_SCISSOR", {"validate", "--cycles", "2"}, 1,
       "FAIL  host GL state kept: no inputs, frame 1: GL_SCISSOR_TEST enabled 1 (was 0)"},
      {"LEAVES_COLOUR_MASK", {"validate", "--cycles", "2"}, 1,
       "FAIL  host GL state kept: no inputs, frame 1: colour mask green 0 (was 1)"},
      {"LEAVES_TEXTURE_MATRIX", {"validate", "--cycles", "2"}, 1,
       "FAIL  host GL state kept: no inputs, frame 1: texture unit 0 texture matrix changed"},
      {"LEAVES_DEPTH", {"validate", "--cycles", "2"}, 1,
       "FAIL  host GL state kept: no inputs, frame 1: GL_DEPTH_TEST enabled 1 (was 0); depth "
       "mask 0 (was 1)"},
      // What the plugin does to its process: validate and info see it from
      // outside, render in process.
      {"EXIT_IN_FRAME", {"validate", "--cycles", "2"}, 1,
       "FAIL  frames without inputs: the plugin crashed (called exit) in FF_PROCESSOPENGL"},
      {"HANGS_IN_FRAME", {"validate", "--watchdog", "1"}, 1,
       "FAIL  frames without inputs: the plugin did not return within 1 s in FF_PROCESSOPENGL"},
      {"HANGS_IN_FRAME", {"render", "--watchdog", "1", "-o", "hang.png"}, 3,
       "ffgl-host render: the plugin did not return within 1 s in FF_PROCESSOPENGL"},
      // The sanitizer build reports the fault itself and aborts.
      {"CRASHES_ON_OWN_THREAD", {"validate", "--cycles", "2"}, 1,
       ") on a thread of its own\n\n8 of 9 checks passed, 1 failed"},
      {"CRASHES_ON_OWN_THREAD", {"render", "-o", "thread.png"}, 3,
       "ffgl-host render: the plugin crashed (segmentation fault) on a thread of its own"},
      {"CRASHES_AT_UNLOAD", {"validate", "--cycles", "2"}, 1,
       "FAIL  plugin unloaded: the plugin crashed (segmentation fault) at unload\n\n13 of 14"},
      {"CRASHES_AT_UNLOAD", {"info", "--json"}, 3,
       "\"inputStatus\": []\n}\nffgl-host info: the plugin crashed (segmentation fault) at unload"},
      {"CRASHES_WHILE_LOADING", {"validate", "--json"}, 1,
       "{\"name\": \"plugin loaded\", \"passed\": false, \"failure\": \"the plugin crashed "
       "(segmentation fault) while loading\"}\n  ],\n  \"passed\": 0,\n  \"failed\": 1\n}\n"},
      {"CRASHES_WHILE_LOADING", {"render", "-o", "loading.png"}, 3,
       "ffgl-host render: the plugin crashed (segmentation fault) while loading"},
      {"WRITES_STDOUT", {"validate", "--cycles", "2", "--json"}, 1,
       "{\"name\": \"nothing written to standard output\", \"passed\": false"},
  };
  const std::string folder = ScratchFolder("hostile");
  for (const HostileCase& c : cases) {
    std::vector<std::string> words = Command(c);
    for (auto& word : words) {
      if (word.find(".png") != std::string::npos) word = folder + "/" + word;
    }
    const HostRun run = RunHost(words);
    EXPECT_EQ(run.exitStatus, c.status) << c.fault << "\n" << run.out << run.err;
    EXPECT_NE((run.out + run.err).find(c.expected), std::string::npos)
        << c.fault << "\n" << run.out << run.err;
  }
}

// A plugin that exits inside a call leaves no file, partial or not; one
// that prints leaves the host's output as it would be without it.
TEST(HostilePlugins, OutputStaysTheHostsOwn) {
  const std::string folder = ScratchFolder("own-output");
  const HostRun exited = RunHost({"render", FaultyTestPlugin("EXIT_IN_FRAME"), "--frames", "2",
                                  "-o", folder + "/frames/"});
  EXPECT_EQ(exited.exitStatus, 3) << exited.err;
  EXPECT_EQ(exited.err, "ffgl-host render: the plugin crashed (called exit) in FF_PROCESSOPENGL\n");
  EXPECT_TRUE(std::filesystem::is_empty(folder + "/frames"));

  const std::string chatty = FaultyTestPlugin("WRITES_STDOUT");
  const HostRun info = RunHost({"info", chatty, "--json"});
  EXPECT_EQ(info.exitStatus, 0) << info.err;
  EXPECT_EQ(info.out.rfind("{\n  \"name\": \"Test Source\"", 0), 0u) << info.out;
  EXPECT_NE(info.err.find("the plugin wrote "), std::string::npos) << info.err;
  const HostRun bench = RunHost({"bench", chatty, "--blocks", "1", "--frames", "2", "--json"});
  EXPECT_EQ(bench.out.rfind("{", 0), 0u) << bench.out;
  EXPECT_EQ(bench.out.find("plugMain"), std::string::npos) << bench.out;
  const HostRun render = RunHost({"render", chatty, "--allow-drift", "-o", folder + "/one.png"});
  EXPECT_EQ(render.out, "wrote " + folder + "/one.png\n");
}

// A library caught half written is refused as a library, not loaded to
// die on a page past the file's end.
TEST(HostilePlugins, ATruncatedLibraryIsALoadFailure) {
  std::ifstream whole(WellBehavedTestPlugin(), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(whole)), std::istreambuf_iterator<char>());
  const std::string path = ScratchFolder("truncated") + "/half.so";
  std::ofstream(path, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
  for (const auto& command : std::vector<std::vector<std::string>>{
           {"info", path}, {"render", path, "-o", path + ".png"}}) {
    const HostRun run = RunHost(command);
    EXPECT_EQ(run.exitStatus, 1) << run.err;
    EXPECT_NE(run.err.find("is not a plugin library that can be loaded (the file is truncated"),
              std::string::npos)
        << run.err;
  }
}

}  // namespace
}  // namespace cli_test
