// bench's measurements and how they are reported: aligned tables for people
// or one JSON object for machines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cli {

struct Series {
  std::vector<double> frames;      // ms per frame
  std::vector<double> blockMeans;  // ms per frame, one per block
  // Heap allocations: the whole process's, and those called from the
  // plugin library's own code.
  std::uint64_t news = 0;
  std::uint64_t mallocs = 0;
  std::uint64_t pluginNews = 0;
  std::uint64_t pluginMallocs = 0;
};

struct BenchResults {
  std::string plugin;   // the plugin's name
  std::string context;  // renderer and version
  std::string time;     // how the plugin's time ran (PluginTime::Name)
  int width = 0;
  int height = 0;
  int blocks = 0;
  int framesPerBlock = 0;
  bool hasBaseline = false;
  Series pluginFrames;
  Series baselineFrames;
  std::vector<double> instantiate;  // ms, with the first frame after each
  std::vector<double> pluginFirstFrame;
  std::vector<double> compile;
  std::vector<double> bareFirstFrame;
};

void PrintBenchText(const BenchResults& results);
void PrintBenchJson(const BenchResults& results);

}  // namespace cli
