// In the sanitizer build the started ffgl-host processes are leak-checked
// too: a leak in a plugin (or the host) must fail the run, whatever Mesa
// the machine has.
#include <gtest/gtest.h>

#include "HostProcess.h"

namespace cli_test {
namespace {

TEST(LeakCheck, APluginThatLeaksFailsTheSanitizerRun) {
#if !defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the leak checker runs in the sanitizer build";
#else
  const HostRun run = RunHost({"render", TEST_PLUGIN_LEAKS_AN_ALLOCATION, "--size", "16x16", "-o",
                               ScratchFolder("leak") + "/frame.png"});
  EXPECT_NE(run.exitStatus, 0);
  EXPECT_NE(run.err.find("LeakSanitizer: detected memory leaks"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("Direct leak of 128 byte(s) in 1 object(s)"), std::string::npos)
      << run.err;
#endif
}

}  // namespace
}  // namespace cli_test
