// Every mistake ends in one documented line on standard error and a
// non-zero exit status: 1 for what went wrong, 2 for how the tool was asked.
#include <gtest/gtest.h>

#include <fstream>

#include "HostProcess.h"

namespace cli_test {
namespace {

// Exactly one line, beginning as given.
void ExpectOneLine(const HostRun& run, int status, const std::string& start) {
  EXPECT_EQ(run.exitStatus, status) << run.err;
  EXPECT_EQ(run.err.rfind(start, 0), 0u) << run.err;
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
}

TEST(ErrorMessages, AFileThatIsNotALibrary) {
  const std::string path = ScratchFolder("text") + "/plugin.so";
  std::ofstream(path) << "not a library\n";
  ExpectOneLine(RunHost({"info", path}), 1, "ffgl-host: '" + path + "' is not a plugin library");
}

TEST(ErrorMessages, AMissingFile) {
  ExpectOneLine(RunHost({"validate", "/nonexistent/plugin.so"}), 1,
                "ffgl-host: cannot open plugin file '/nonexistent/plugin.so'");
}

TEST(ErrorMessages, ALibraryWithoutPlugMain) {
  const HostRun run = RunHost({"info", NoPlugMainLibrary()});
  ExpectOneLine(run, 1, "ffgl-host: '");
  EXPECT_NE(run.err.find("has no plugMain export: not a FreeFrame plugin"), std::string::npos);
}

TEST(ErrorMessages, APluginRefusingToInstantiate) {
  const HostRun run = RunHost({"render", RefusesInstancesTestPlugin(), "-o",
                               ScratchFolder("refused") + "/frame.png"});
  ExpectOneLine(run, 1, "ffgl-host: '");
  EXPECT_NE(run.err.find("refuses to create an OpenGL instance at 1280x720"), std::string::npos);
}

TEST(ErrorMessages, AnUnknownParameterNameListsTheKnownOnes) {
  ExpectOneLine(RunHost({"render", ProductPlugin(), "--set", "Sped=1", "-o",
                         ScratchFolder("unknown") + "/frame.png"}),
                1, "ffgl-host: unknown parameter 'Sped' (the plugin has: Speed, Distort, Mode)");
}

TEST(ErrorMessages, AParameterValueThatIsNotANumber) {
  ExpectOneLine(RunHost({"render", ProductPlugin(), "--set", "Speed=fast", "-o",
                         ScratchFolder("nan") + "/frame.png"}),
                1, "ffgl-host: parameter 'Speed' wants a number, not 'fast'");
}

TEST(ErrorMessages, AnUnreadableImageLeavesNoOutputBehind) {
  const std::string folder = ScratchFolder("image");
  std::ofstream(folder + "/input.png") << "GIF89a, not a png";
  ExpectOneLine(RunHost({"render", ProductPlugin(), "--input", folder + "/input.png", "-o",
                         folder + "/frame.png"}),
                1, "ffgl-host: cannot read image '" + folder + "/input.png': not a PNG file");
  EXPECT_FALSE(std::ifstream(folder + "/frame.png").good());
}

TEST(ErrorMessages, MoreInputsThanThePluginTakes) {
  const std::string folder = ScratchFolder("inputs");
  ExpectOneLine(RunHost({"render", WellBehavedTestPlugin(), "--input", "a.png", "-o",
                         folder + "/frame.png"}),
                1, "ffgl-host: the plugin takes at most 0 input(s); 1 given");
}

TEST(ErrorMessages, NoOpenGLAvailable) {
  // With no EGL vendor to load, the host has no OpenGL at all.
  ExpectOneLine(RunHost({"info", ProductPlugin()},
                        {"__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent/vendor.json"}),
                1, "ffgl-host: no OpenGL available: ");
}

TEST(ErrorMessages, VideoWithoutFfmpegSaysWhatToDoInstead) {
  const std::string folder = ScratchFolder("video");
  // An empty PATH hides any ffmpeg the machine has.
  ExpectOneLine(RunHost({"render", ProductPlugin(), "-o", folder + "/clip.mp4"},
                        {"PATH=" + folder}),
                1, "ffgl-host: writing '" + folder + "/clip.mp4' needs ffmpeg, which is not "
                   "installed; write PNGs instead");
}

TEST(ErrorMessages, SeveralFramesIntoOnePng) {
  ExpectOneLine(RunHost({"render", ProductPlugin(), "--frames", "3", "--fast", "-o",
                         ScratchFolder("many") + "/frame.png"}),
                1, "ffgl-host: '");
}

TEST(UsageMistakes, ExitWithStatusTwoAndPointToHelp) {
  const std::vector<std::vector<std::string>> mistakes = {
      {"render", ProductPlugin(), "--size", "12x", "-o", "x.png"},
      {"render", ProductPlugin(), "--frames", "0", "-o", "x.png"},
      {"render", ProductPlugin(), "--fps", "-3", "-o", "x.png"},
      {"render", ProductPlugin()},
      {"info", ProductPlugin(), "--colour"},
      {"info"},
      {"bench", ProductPlugin(), "--blocks"},
      {"validate", ProductPlugin(), "--cycles", "many"},
  };
  for (const auto& words : mistakes) {
    const HostRun run = RunHost(words);
    EXPECT_EQ(run.exitStatus, 2) << words[0] << " " << words.back() << ": " << run.err;
    EXPECT_NE(run.err.find("(see 'ffgl-host " + words[0] + " --help')"), std::string::npos)
        << run.err;
  }
  EXPECT_NE(RunHost({"render", ProductPlugin(), "--size", "12x", "-o", "x.png"})
                .err.find("--size wants WIDTHxHEIGHT"),
            std::string::npos);
  const HostRun unknown = RunHost({"paint", ProductPlugin()});
  EXPECT_EQ(unknown.exitStatus, 2);
  EXPECT_EQ(unknown.err, "ffgl-host: unknown command 'paint' (see 'ffgl-host --help')\n");
}

TEST(UsageMistakes, EveryCommandHasHelp) {
  for (const std::string command : {"info", "validate", "render", "bench"}) {
    const HostRun run = RunHost({command, "--help"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out.rfind("Usage: ffgl-host " + command, 0), 0u) << run.out;
  }
  EXPECT_EQ(RunHost({"--help"}).exitStatus, 0);
}

}  // namespace
}  // namespace cli_test
