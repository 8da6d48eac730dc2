// info: what a user reads about a plugin.
#include <gtest/gtest.h>

#include "HostProcess.h"

namespace cli_test {
namespace {

TEST(Info, TableListsTheThreeParametersWithTheirDefaults) {
  const HostRun run = RunHost({"info", ProductPlugin()});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_NE(run.out.find("Helixmorphics1_D"), std::string::npos);
  EXPECT_NE(run.out.find("HLXM"), std::string::npos);
  EXPECT_NE(run.out.find("source"), std::string::npos);
  EXPECT_NE(run.out.find("0      Speed    standard  0.1      0.100000"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("1      Distort  standard  0        0.000000"), std::string::npos);
  EXPECT_NE(run.out.find("2      Mode     standard  0        0.000000"), std::string::npos);
  EXPECT_NE(run.out.find("Maximum inputs     2"), std::string::npos);
  EXPECT_NE(run.out.find("OpenGL processing  yes"), std::string::npos);
}

TEST(Info, JsonCarriesTheSameFacts) {
  const HostRun run = RunHost({"info", ProductPlugin(), "--json"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(run.out.front(), '{');
  EXPECT_NE(run.out.find("\"name\": \"Helixmorphics1_D\""), std::string::npos);
  EXPECT_NE(run.out.find("{\"index\": 0, \"name\": \"Speed\", \"type\": \"standard\", "
                         "\"default\": 0.1, \"display\": \"0.100000\"}"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\"maximumInputs\": 2"), std::string::npos);
}

TEST(Info, DescribesAPluginOtherThanOurs) {
  const HostRun run = RunHost({"info", WellBehavedTestPlugin()});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_NE(run.out.find("Test Source"), std::string::npos);
  EXPECT_NE(run.out.find("Level"), std::string::npos);
  EXPECT_NE(run.out.find("(no inputs)"), std::string::npos);
}

}  // namespace
}  // namespace cli_test
