#include "host/cli/BenchReport.h"

#include <algorithm>
#include <cstdio>

#include "host/instrument/AllocationCounter.h"
#include "host/cli/TextTable.h"

namespace cli {
namespace {

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const auto index =
      static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

double Median(const std::vector<double>& values) { return Percentile(values, 0.5); }

double Minimum(const std::vector<double>& values) {
  return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

double PerFrame(std::uint64_t count, const Series& series) {
  return series.frames.empty()
             ? 0.0
             : static_cast<double>(count) / static_cast<double>(series.frames.size());
}

std::string Fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::vector<std::string> StatisticsRow(const std::string& label, const Series& series) {
  const double median = Median(series.frames);
  return {label, FormatMilliseconds(Minimum(series.frames)), FormatMilliseconds(median),
          FormatMilliseconds(Percentile(series.frames, 0.95)),
          Fixed(median > 0.0 ? 1000.0 / median : 0.0, 1),
          FormatMilliseconds(Median(series.blockMeans))};
}

std::vector<std::string> HeapRow(const std::string& label, const Series& series) {
  const bool mallocs = allocations::CountsMalloc();
  return {label, "C++ new " + Fixed(PerFrame(series.news, series), 2),
          mallocs ? "malloc " + Fixed(PerFrame(series.mallocs, series), 2) : "malloc not counted",
          "from the plugin library's code: C++ new " +
              Fixed(PerFrame(series.pluginNews, series), 2) +
              (mallocs ? ", malloc " + Fixed(PerFrame(series.pluginMallocs, series), 2) : "")};
}

std::string JsonSeries(const Series& series) {
  const double median = Median(series.frames);
  std::string out = "{\"minMs\": " + Fixed(Minimum(series.frames), 4) +
                    ", \"medianMs\": " + Fixed(median, 4) +
                    ", \"p95Ms\": " + Fixed(Percentile(series.frames, 0.95), 4) +
                    ", \"fps\": " + Fixed(median > 0.0 ? 1000.0 / median : 0.0, 2) +
                    ", \"blockMedianMs\": " + Fixed(Median(series.blockMeans), 4) +
                    ", \"newPerFrame\": " + Fixed(PerFrame(series.news, series), 3) +
                    ", \"pluginCodeNewPerFrame\": " + Fixed(PerFrame(series.pluginNews, series), 3);
  if (allocations::CountsMalloc()) {
    out += ", \"mallocPerFrame\": " + Fixed(PerFrame(series.mallocs, series), 3) +
           ", \"pluginCodeMallocPerFrame\": " + Fixed(PerFrame(series.pluginMallocs, series), 3);
  }
  return out + "}";
}

}  // namespace

void PrintBenchText(const BenchResults& r) {
  std::printf("%s at %dx%d on %s\n", ShownText(r.plugin).c_str(), r.width, r.height,
              r.context.c_str());
  std::printf("time: %s\n", r.time.c_str());
  std::printf("%d blocks of %d frames%s; times in ms, each frame finished\n\n", r.blocks,
              r.framesPerBlock, r.hasBaseline ? ", interleaved with the baseline" : "");
  TextTable table;
  table.Add({"", "min", "median", "p95", "fps", "block median"});
  table.Add(StatisticsRow("plugin frame", r.pluginFrames));
  if (r.hasBaseline) table.Add(StatisticsRow("baseline frame", r.baselineFrames));
  std::fputs(table.Render().c_str(), stdout);
  if (r.hasBaseline) {
    std::printf("\nratio plugin/baseline (median of block means): %.3f\n",
                Median(r.pluginFrames.blockMeans) / Median(r.baselineFrames.blockMeans));
  }

  std::printf("\n");
  TextTable setup;
  setup.Add({"", "median ms of " + std::to_string(r.instantiate.size()), "first frame"});
  setup.Add({"instantiate", FormatMilliseconds(Median(r.instantiate)),
             FormatMilliseconds(Median(r.pluginFirstFrame))});
  if (r.hasBaseline) {
    setup.Add({"baseline compile+link", FormatMilliseconds(Median(r.compile)),
               FormatMilliseconds(Median(r.bareFirstFrame))});
  }
  std::fputs(setup.Render().c_str(), stdout);

  std::printf("\nheap allocations per frame: the whole process's (the OpenGL driver's too),\n"
              "and those called from the plugin library's own code\n");
  TextTable heap;
  heap.Add(HeapRow("plugin frame", r.pluginFrames));
  if (r.hasBaseline) heap.Add(HeapRow("baseline frame", r.baselineFrames));
  std::fputs(heap.Render("  ").c_str(), stdout);
  if (r.hasBaseline) {
    // The driver allocates alike for both; what is left is the plugin's own.
    const auto extra = [&](std::uint64_t Series::*count) {
      const double difference =
          PerFrame(r.pluginFrames.*count, r.pluginFrames) -
          PerFrame(r.baselineFrames.*count, r.baselineFrames);
      return Fixed(difference < 0.0 ? 0.0 : difference, 2);
    };
    std::printf("  plugin's own (plugin - baseline): C++ new %s, malloc %s\n",
                extra(&Series::news).c_str(),
                allocations::CountsMalloc() ? extra(&Series::mallocs).c_str() : "not counted");
  }
}

void PrintBenchJson(const BenchResults& r) {
  std::string out = "{\n  \"plugin\": " + JsonString(r.plugin) +
                    ",\n  \"context\": " + JsonString(r.context) +
                    ",\n  \"time\": " + JsonString(r.time) +
                    ",\n  \"width\": " + std::to_string(r.width) +
                    ",\n  \"height\": " + std::to_string(r.height) +
                    ",\n  \"blocks\": " + std::to_string(r.blocks) +
                    ",\n  \"framesPerBlock\": " + std::to_string(r.framesPerBlock) +
                    ",\n  \"pluginFrame\": " + JsonSeries(r.pluginFrames);
  if (r.hasBaseline) {
    out += ",\n  \"baselineFrame\": " + JsonSeries(r.baselineFrames) +
           ",\n  \"ratio\": " +
           Fixed(Median(r.pluginFrames.blockMeans) / Median(r.baselineFrames.blockMeans), 4) +
           ",\n  \"compileLinkMs\": " + Fixed(Median(r.compile), 4);
  }
  out += ",\n  \"instantiateMs\": " + Fixed(Median(r.instantiate), 4) +
         ",\n  \"firstFrameMs\": " + Fixed(Median(r.pluginFirstFrame), 4) + "\n}\n";
  std::fputs(out.c_str(), stdout);
}

}  // namespace cli
