// bench: a short run gives every figure, and its allocation count sees a
// plugin's own per-frame allocations (our plugin makes none).
#include <gtest/gtest.h>

#include <string>

#include "HostProcess.h"

namespace cli_test {
namespace {

// The plugin's own C++ allocations per frame, as the report gives them.
double OwnAllocationsPerFrame(const std::string& report) {
  const std::string label = "plugin's own (plugin - baseline): C++ new ";
  const auto at = report.find(label);
  return at == std::string::npos ? -1.0 : std::stod(report.substr(at + label.size()));
}

HostRun ShortBench(const char* plugin) {
  return RunHost({"bench", plugin, "--size", "64x36", "--blocks", "2", "--frames", "3",
                  "--baseline", BASELINE_FRAGMENT});
}

TEST(Bench, ReportsFrameTimesRatioInstantiationAndAllocations) {
  const HostRun run = ShortBench(ProductPlugin());
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  for (const char* line : {"plugin frame ", "baseline frame ", "ratio plugin/baseline",
                           "instantiate ", "baseline compile+link ", "heap allocations per frame"}) {
    EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
  }
}

TEST(Bench, OurPluginAllocatesNothingPerFrame) {
  const HostRun run = ShortBench(ProductPlugin());
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  // The driver's rare allocations fall on either side; a per-frame one is 1.
  const double own = OwnAllocationsPerFrame(run.out);
  EXPECT_GE(own, 0.0) << run.out;
  EXPECT_LT(own, 0.5) << run.out;
}

TEST(Bench, APluginAllocatingInEveryFrameIsSeen) {
  const HostRun run = ShortBench(AllocatesPerFrameTestPlugin());
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_GE(OwnAllocationsPerFrame(run.out), 0.9) << run.out;
}

// Without a baseline, the figures say whose allocations they are.
TEST(Bench, AllocationsAreAttributedToThePluginLibraryWithoutABaseline) {
  const auto plain = [](const char* plugin) {
    return RunHost({"bench", plugin, "--size", "16x16", "--blocks", "1", "--frames", "4"});
  };
  const HostRun careless = plain(AllocatesPerFrameTestPlugin());
  ASSERT_EQ(careless.exitStatus, 0) << careless.err;
  EXPECT_NE(careless.out.find("from the plugin library's code: C++ new 1.00"), std::string::npos)
      << careless.out;
  const HostRun ours = plain(ProductPlugin());
  EXPECT_NE(ours.out.find("from the plugin library's code: C++ new 0.00"), std::string::npos)
      << ours.out;
  const HostRun json = RunHost({"bench", ProductPlugin(), "--size", "16x16", "--blocks", "1",
                                "--frames", "2", "--json"});
  ASSERT_EQ(json.exitStatus, 0) << json.err;
  EXPECT_NE(json.out.find("\"pluginCodeNewPerFrame\": 0.000"), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"instantiateMs\": "), std::string::npos) << json.out;
}

}  // namespace
}  // namespace cli_test
