// bench: how long a plugin's frames take, and — with a baseline fragment
// text — how that compares with this host drawing the same text itself, in
// interleaved blocks so that drift in the machine's speed hits both alike.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/cli/AllocationCounter.h"
#include "host/cli/Arguments.h"
#include "host/cli/BareDraw.h"
#include "host/cli/Commands.h"
#include "host/cli/HeadlessHost.h"
#include "host/cli/TextTable.h"

namespace cli {

const char kBenchUsage[] =
    "Usage: ffgl-host bench PLUGIN [OPTIONS]\n"
    "Measures frame time (min / median / p95 in ms, frames per second) and instantiate time.\n"
    "  --size WxH               frame size (default 1280x720)\n"
    "  --blocks N               measured blocks (default 10)\n"
    "  --frames N               frames per block (default 20)\n"
    "  --set NAME=VALUE         set a parameter by name first (repeatable)\n"
    "  --baseline FRAGMENT      also draw this GLSL fragment text with the host's own\n"
    "                           program (uniforms time, mouse, resolution as a source plugin\n"
    "                           sets them), blocks interleaved with the plugin's, and print\n"
    "                           the ratio plugin/baseline of the median block times\n"
    "Every frame is finished (glFinish) inside its time.\n";

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

double Median(const std::vector<double>& values) { return Percentile(values, 0.5); }

struct Series {
  std::vector<double> frames;       // ms per frame
  std::vector<double> blockMeans;   // ms per frame, one per block
  std::uint64_t news = 0;
  std::uint64_t mallocs = 0;
};

template <typename Draw>
void RunBlock(int frames, Draw draw, Series& series) {
  const std::uint64_t news = allocations::NewCount();
  const std::uint64_t mallocs = allocations::MallocCount();
  double total = 0.0;
  for (int i = 0; i < frames; ++i) {
    const auto start = Clock::now();
    draw();
    glFinish();
    const double ms = MillisecondsSince(start);
    series.frames.push_back(ms);
    total += ms;
  }
  series.news += allocations::NewCount() - news;
  series.mallocs += allocations::MallocCount() - mallocs;
  series.blockMeans.push_back(total / frames);
}

std::vector<std::string> StatisticsRow(const std::string& label, const Series& series) {
  const double median = Median(series.frames);
  char fps[32];
  std::snprintf(fps, sizeof fps, "%.1f", median > 0.0 ? 1000.0 / median : 0.0);
  return {label,
          FormatMilliseconds(*std::min_element(series.frames.begin(), series.frames.end())),
          FormatMilliseconds(median), FormatMilliseconds(Percentile(series.frames, 0.95)), fps,
          FormatMilliseconds(Median(series.blockMeans))};
}

std::string PerFrame(std::uint64_t count, std::size_t frames) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", static_cast<double>(count) / static_cast<double>(frames));
  return text;
}

bool ReadText(const std::string& path, std::string& text) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream contents;
  contents << file.rdbuf();
  text = contents.str();
  return static_cast<bool>(file) || file.eof();
}

}  // namespace

int RunBench(const std::vector<std::string>& words) {
  Arguments arguments(words);
  int width = 1280;
  int height = 720;
  int blocks = 10;
  int framesPerBlock = 20;
  std::string value;
  std::string error;
  std::string baselinePath;
  if (arguments.TakeValue("--size", value) && !ParseSize("--size", value, width, height, error)) {
    return UsageError("bench", error);
  }
  if (arguments.TakeValue("--blocks", value) &&
      !ParseCount("--blocks", value, 1, 10000, blocks, error)) {
    return UsageError("bench", error);
  }
  if (arguments.TakeValue("--frames", value) &&
      !ParseCount("--frames", value, 1, 100000, framesPerBlock, error)) {
    return UsageError("bench", error);
  }
  const bool hasBaseline = arguments.TakeValue("--baseline", baselinePath);
  const auto settings = arguments.TakeValues("--set");
  const auto positionals = arguments.Positionals();
  if (arguments.HasError()) return UsageError("bench", arguments.Error());
  if (positionals.size() != 1) return UsageError("bench", "expects one PLUGIN file");
  std::string fragmentText;
  if (hasBaseline && !ReadText(baselinePath, fragmentText)) {
    return Fail("cannot read baseline fragment '" + baselinePath + "'");
  }

  HeadlessHost host;
  if (!host.Start(positionals[0], error)) return Fail(error);
  const host::PluginSession& session = *host.session;
  host::HostFramebuffer target(host.gl, width, height);
  if (!target.IsComplete()) return Fail("OpenGL cannot make the host framebuffer");

  // Instantiation, against a bare compile and link of the same texts, each
  // followed by its first frame (where a driver may finish compiling).
  constexpr int kInstantiations = 5;
  std::vector<double> instantiate;
  std::vector<double> compile;
  std::vector<double> pluginFirstFrame;
  std::vector<double> bareFirstFrame;
  for (int i = 0; i < kInstantiations; ++i) {
    host.PrepareFrameState(target);
    auto start = Clock::now();
    auto instance =
        host::PluginInstance::Create(session.Library(), width, height, error);
    glFinish();
    instantiate.push_back(MillisecondsSince(start));
    if (instance == nullptr) return Fail(error);
    start = Clock::now();
    instance->ProcessFrame(target, {});
    glFinish();
    pluginFirstFrame.push_back(MillisecondsSince(start));
    instance.reset();
    if (hasBaseline) {
      host.PrepareFrameState(target);
      start = Clock::now();
      BareDraw bare(host.gl, fragmentText);
      glFinish();
      compile.push_back(MillisecondsSince(start));
      if (!bare.IsReady()) return Fail("the baseline fragment does not compile: " + bare.Log());
      start = Clock::now();
      bare.Draw(target, 0.0f, 0.0f, 0.0f);
      glFinish();
      bareFirstFrame.push_back(MillisecondsSince(start));
    }
  }

  auto instance = host::PluginInstance::Create(session.Library(), width, height, error);
  if (instance == nullptr) return Fail(error);
  float speed = 0.0f;
  float mouseX = 0.0f;
  float mouseY = 0.0f;
  for (const auto& setting : settings) {
    const auto equals = setting.find('=');
    const auto* parameter =
        equals == std::string::npos ? nullptr : session.FindParameter(setting.substr(0, equals));
    float number = 0.0f;
    if (parameter == nullptr || parameter->isText ||
        !ParseFloat(setting.substr(equals + 1), number)) {
      return Fail("--set wants NAME=NUMBER for a numeric parameter, not '" + setting + "'");
    }
    instance->SetFloat(parameter->index, number);
  }
  // The baseline's uniforms follow the first three parameters as a source
  // plugin of this kind maps them: the clock's rate, then mouse x and y.
  const auto& parameters = session.Description().parameters;
  const auto current = [&](std::size_t index) {
    return index < parameters.size() && !parameters[index].isText
               ? FFFloatFromWord(instance->Get(static_cast<FFUInt32>(index)))
               : 0.0f;
  };
  speed = current(0);
  mouseX = current(1);
  mouseY = current(2);

  std::unique_ptr<BareDraw> bare;
  if (hasBaseline) bare = std::make_unique<BareDraw>(host.gl, fragmentText);
  const auto baselineStart = Clock::now();
  auto lastBaseline = baselineStart;
  float baselineTime = 0.0f;
  const auto drawPlugin = [&] { instance->ProcessFrame(target, {}); };
  const auto drawBaseline = [&] {
    // The same clock a plugin of this kind keeps: real seconds × rate × 2.
    const auto now = Clock::now();
    baselineTime += static_cast<float>(std::chrono::duration<double>(now - lastBaseline).count()) *
                    speed * 2.0f;
    lastBaseline = now;
    bare->Draw(target, baselineTime, mouseX, mouseY);
  };

  host.PrepareFrameState(target);
  Series warmup;
  RunBlock(5, drawPlugin, warmup);
  if (bare) RunBlock(5, drawBaseline, warmup);

  Series plugin;
  Series baseline;
  for (int block = 0; block < blocks; ++block) {
    // Alternating which goes first cancels a steady drift.
    const bool pluginFirst = block % 2 == 0;
    if (pluginFirst || !bare) RunBlock(framesPerBlock, drawPlugin, plugin);
    if (bare) RunBlock(framesPerBlock, drawBaseline, baseline);
    if (!pluginFirst && bare) RunBlock(framesPerBlock, drawPlugin, plugin);
  }
  instance.reset();

  std::printf("%s at %dx%d on %s\n", session.Description().name.c_str(), width, height,
              host.context->Description().c_str());
  std::printf("%d blocks of %d frames%s; times in ms, each frame finished\n\n", blocks,
              framesPerBlock, bare ? ", interleaved with the baseline" : "");
  TextTable table;
  table.Add({"", "min", "median", "p95", "fps", "block median"});
  table.Add(StatisticsRow("plugin frame", plugin));
  if (bare) table.Add(StatisticsRow("baseline frame", baseline));
  std::fputs(table.Render().c_str(), stdout);
  if (bare) {
    std::printf("\nratio plugin/baseline (median of block means): %.3f\n",
                Median(plugin.blockMeans) / Median(baseline.blockMeans));
  }

  std::printf("\n");
  TextTable setup;
  setup.Add({"", "median ms of " + std::to_string(kInstantiations), "first frame"});
  setup.Add({"instantiate", FormatMilliseconds(Median(instantiate)),
             FormatMilliseconds(Median(pluginFirstFrame))});
  if (bare) {
    setup.Add({"baseline compile+link", FormatMilliseconds(Median(compile)),
               FormatMilliseconds(Median(bareFirstFrame))});
  }
  std::fputs(setup.Render().c_str(), stdout);

  std::printf("\nheap allocations per frame\n");
  TextTable heap;
  heap.Add({"plugin frame", "C++ new " + PerFrame(plugin.news, plugin.frames.size()),
            allocations::CountsMalloc()
                ? "malloc " + PerFrame(plugin.mallocs, plugin.frames.size())
                : "malloc not counted here"});
  if (bare) {
    heap.Add({"baseline frame", "C++ new " + PerFrame(baseline.news, baseline.frames.size()),
              allocations::CountsMalloc()
                  ? "malloc " + PerFrame(baseline.mallocs, baseline.frames.size())
                  : "malloc not counted here"});
  }
  std::fputs(heap.Render("  ").c_str(), stdout);
  if (bare) {
    // The driver allocates alike for both; what is left is the plugin's own.
    const auto extra = [](std::uint64_t mine, std::size_t myFrames, std::uint64_t theirs,
                          std::size_t theirFrames) {
      const double difference = static_cast<double>(mine) / static_cast<double>(myFrames) -
                                static_cast<double>(theirs) / static_cast<double>(theirFrames);
      char text[32];
      std::snprintf(text, sizeof text, "%.2f", difference < 0.0 ? 0.0 : difference);
      return std::string(text);
    };
    std::printf("  plugin's own (plugin - baseline): C++ new %s, malloc %s\n",
                extra(plugin.news, plugin.frames.size(), baseline.news, baseline.frames.size()).c_str(),
                allocations::CountsMalloc()
                    ? extra(plugin.mallocs, plugin.frames.size(), baseline.mallocs,
                            baseline.frames.size()).c_str()
                    : "not counted");
  }
  return 0;
}

}  // namespace cli
