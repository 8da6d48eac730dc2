// Hostile plugins: whatever a plugin returns or does, the host ends with a
// message or a FAIL line and a documented status, never a crash of its own.
#include <gtest/gtest.h>

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
  };
  for (const HostileCase& c : cases) {
    const HostRun run = RunHost(Command(c));
    EXPECT_EQ(run.exitStatus, c.status) << c.fault << "\n" << run.out << run.err;
    EXPECT_NE((run.out + run.err).find(c.expected), std::string::npos)
        << c.fault << "\n" << run.out << run.err;
  }
}

}  // namespace
}  // namespace cli_test
