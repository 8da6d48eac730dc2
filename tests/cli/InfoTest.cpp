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

// Valid UTF-8 throughout, the Latin-1 name read as Latin-1, the escape
// character shown as an escape, and the table's columns still aligned.
TEST(Info, PluginTextsInAnUnknownCodePageBecomeValidUtf8) {
  const HostRun table = RunHost({"info", Latin1TextsTestPlugin()});
  ASSERT_EQ(table.exitStatus, 0) << table.err;
  EXPECT_NE(table.out.find("Description     Solid\\x1B[31m colour\n"), std::string::npos)
      << table.out;
  EXPECT_NE(table.out.find("  0      Caf\xC3\xA9  standard  0.5      level\n"), std::string::npos)
      << table.out;
  const HostRun json = RunHost({"info", Latin1TextsTestPlugin(), "--json"});
  ASSERT_EQ(json.exitStatus, 0) << json.err;
  EXPECT_NE(json.out.find("\"description\": \"Solid\\u001b[31m colour\""), std::string::npos)
      << json.out;
  EXPECT_NE(json.out.find("\"name\": \"Caf\xC3\xA9\""), std::string::npos) << json.out;
  EXPECT_EQ(json.out.find('\x1B'), std::string::npos);
}

}  // namespace
}  // namespace cli_test
