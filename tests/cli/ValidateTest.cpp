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

TEST(Validate, AnotherConformingPluginPassesToo) {
  const HostRun run = RunHost({"validate", WellBehavedTestPlugin(), "--cycles", "20"});
  EXPECT_EQ(run.exitStatus, 0) << run.out << run.err;
  EXPECT_EQ(run.out.find("FAIL"), std::string::npos) << run.out;
}

TEST(Validate, APluginLeavingItsProgramCurrentFailsTheStateCheckOnly) {
  const HostRun run = RunHost({"validate", LeavesProgramTestPlugin(), "--cycles", "5"});
  EXPECT_EQ(run.exitStatus, 1) << run.out;
  EXPECT_NE(run.out.find("FAIL  host GL state kept: no inputs, frame 1: current program"),
            std::string::npos)
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
