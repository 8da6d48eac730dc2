// validate: passes a conforming plugin and names the check a faulty one
// fails.
#include <gtest/gtest.h>

#include "HostProcess.h"

namespace cli_test {
namespace {

TEST(Validate, OurPluginPassesEveryCheck) {
  const HostRun run = RunHost({"validate", ProductPlugin()});
  EXPECT_EQ(run.exitStatus, 0) << run.out << run.err;
  EXPECT_EQ(run.out.find("FAIL"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("PASS  host GL state kept"), std::string::npos);
  EXPECT_NE(run.out.find("PASS  frames with inputs"), std::string::npos);
  EXPECT_NE(run.out.find("PASS  unknown codes refused"), std::string::npos);
  EXPECT_NE(run.out.find("PASS  parameters round-trip"), std::string::npos);
  EXPECT_NE(run.out.find("PASS  instances created and destroyed 100 times"), std::string::npos);
}

TEST(Validate, OtherConformingPluginsPassToo) {
  const HostRun run = RunHost({"validate", WellBehavedTestPlugin(), "--cycles", "20"});
  EXPECT_EQ(run.exitStatus, 0) << run.out << run.err;
  EXPECT_EQ(run.out.find("FAIL"), std::string::npos) << run.out;
  // An effect that needs an input gets generated pictures.
  const HostRun effect = RunHost({"validate", NeedsInputTestPlugin(), "--cycles", "5"});
  EXPECT_EQ(effect.exitStatus, 0) << effect.out << effect.err;
  EXPECT_NE(effect.out.find("PASS  frames with inputs"), std::string::npos) << effect.out;
}

TEST(Validate, JsonGivesEveryCheckAndTheCountsAlsoAfterACrash) {
  const HostRun run = RunHost({"validate", WellBehavedTestPlugin(), "--cycles", "2", "--json"});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(run.out.rfind("{\n  \"plugin\": ", 0), 0u) << run.out;
  EXPECT_NE(run.out.find("{\"name\": \"host GL state kept\", \"passed\": true, \"failure\": \"\"}"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\"passed\": 13,\n  \"failed\": 0\n}\n"), std::string::npos) << run.out;
  const HostRun crash = RunHost({"validate", CrashesInFrameTestPlugin(), "--json"});
  EXPECT_EQ(crash.exitStatus, 1);
  EXPECT_NE(crash.out.find("{\"name\": \"frames without inputs\", \"passed\": false, "
                           "\"failure\": \"the plugin crashed (segmentation fault) in "
                           "FF_PROCESSOPENGL\"}\n  ],\n  \"passed\": 8,\n  \"failed\": 1\n}\n"),
            std::string::npos)
      << crash.out;
}

TEST(Validate, APluginLeavingItsProgramCurrentFailsTheStateCheckOnly) {
  const HostRun run = RunHost({"validate", LeavesProgramTestPlugin(), "--cycles", "5"});
  EXPECT_EQ(run.exitStatus, 1) << run.out;
  EXPECT_NE(run.out.find("FAIL  host GL state kept: no inputs, frame 1: current program"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("texture unit 0 GL_TEXTURE_2D enabled 1 (was 0)"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("PASS  parameters round-trip"), std::string::npos);
  EXPECT_NE(run.out.find("1 failed"), std::string::npos) << run.out;
}

TEST(Validate, APluginRefusingInstancesStopsAfterTheDescribingChecks) {
  const HostRun run = RunHost({"validate", RefusesInstancesTestPlugin()});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.out.find("PASS  describing codes answered consistently"), std::string::npos);
  EXPECT_NE(run.out.find("FAIL  instance created: "), std::string::npos) << run.out;
}

}  // namespace
}  // namespace cli_test
