// bench: how long a plugin's frames take, and — with a baseline fragment
// text — how that compares with this host drawing the same text itself, in
// interleaved blocks so that drift in the machine's speed hits both alike.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "host/instrument/AllocationCounter.h"
#include "host/cli/Arguments.h"
#include "host/cli/BareDraw.h"
#include "host/cli/BenchReport.h"
#include "host/cli/Commands.h"
#include "host/cli/HeadlessHost.h"
#include "host/cli/ParameterSettings.h"
#include "host/cli/TextTable.h"
#include "host/image/FileBytes.h"
#include "host/loader/PluginTime.h"

namespace cli {

const char kBenchUsage[] =
    "Usage: ffgl-host bench PLUGIN [OPTIONS]\n"
    "Measures frame time (min / median / p95 in ms, frames per second) and instantiate time.\n"
    "  --size WxH               frame size (default 1280x720)\n"
    "  --blocks N               measured blocks (default 10)\n"
    "  --frames N               frames per block (default 20)\n"
    "  --set NAME=VALUE         set a parameter first (repeatable; NAME or its index, or\n"
    "                           an ISF input's NAME, as for 'render')\n"
    "  --baseline FRAGMENT      also draw this GLSL fragment text with the host's own\n"
    "                           program (uniforms time, mouse, resolution as a source plugin\n"
    "                           sets them), blocks interleaved with the plugin's, and print\n"
    "                           the ratio plugin/baseline of the median block times\n"
    "  --json                   one JSON object instead of tables\n"
    "Every frame is finished (glFinish) inside its time. Heap allocations per frame are\n"
    "counted for the whole process (the OpenGL driver allocates too) and, apart, for calls\n"
    "made from the plugin library's own code (Linux; with glibc also malloc).\n";

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

template <typename Draw>
void RunBlock(int frames, Draw draw, Series& series) {
  const std::uint64_t news = allocations::NewCount();
  const std::uint64_t mallocs = allocations::MallocCount();
  const std::uint64_t pluginNews = allocations::WatchedNewCount();
  const std::uint64_t pluginMallocs = allocations::WatchedMallocCount();
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
  series.pluginNews += allocations::WatchedNewCount() - pluginNews;
  series.pluginMallocs += allocations::WatchedMallocCount() - pluginMallocs;
  series.blockMeans.push_back(total / frames);
}

// A fragment text is kilobytes; a device or pipe without end is refused.
bool ReadText(const std::string& path, std::string& text, std::string& reason) {
  constexpr std::size_t kLongestText = 4 * 1024 * 1024;
  std::vector<std::uint8_t> bytes;
  if (!host::ReadFileBytes(path, kLongestText, bytes, reason)) return false;
  text.assign(bytes.begin(), bytes.end());
  return true;
}

struct BenchOptions {
  std::string plugin;
  int width = 1280;
  int height = 720;
  int blocks = 10;
  int framesPerBlock = 20;
  bool hasBaseline = false;
  std::string baselinePath;
  bool json = false;
  std::vector<Setting> settings;
};

bool ParseBenchOptions(const std::vector<std::string>& words, BenchOptions& options,
                       std::string& error) {
  Arguments arguments(words);
  std::string value;
  if (arguments.TakeValue("--size", value) &&
      !ParseSize("--size", value, options.width, options.height, error)) {
    return false;
  }
  if (arguments.TakeValue("--blocks", value) &&
      !ParseCount("--blocks", value, 1, 10000, options.blocks, error)) {
    return false;
  }
  if (arguments.TakeValue("--frames", value) &&
      !ParseCount("--frames", value, 1, 100000, options.framesPerBlock, error)) {
    return false;
  }
  options.hasBaseline = arguments.TakeValue("--baseline", options.baselinePath);
  options.json = arguments.TakeFlag("--json");
  if (!ParseSettings(arguments.TakeValues("--set"), options.settings, error)) return false;
  return arguments.TakePlugin(options.plugin, error);
}

struct BenchSetup {
  HeadlessHost host;
  std::vector<ResolvedSetting> settings;
  std::string fragmentText;  // the baseline's
  std::unique_ptr<host::HostFramebuffer> target;
};

// 0 or the exit status.
int SetUpBench(const BenchOptions& options, BenchSetup& setup) {
  std::string error;
  if (options.hasBaseline && !ReadText(options.baselinePath, setup.fragmentText, error)) {
    return Fail("cannot read baseline fragment '" + options.baselinePath + "': " + error);
  }
  if (!setup.host.Start(options.plugin, error)) return Fail(error);
  const host::PluginSession& session = *setup.host.session;
  if (!ResolveSettings(session.Description(), options.settings, setup.settings, error)) {
    return UsageError("bench", error);
  }
  allocations::WatchCode(session.Library().CodeBegin(), session.Library().CodeEnd());
  setup.target =
      std::make_unique<host::HostFramebuffer>(setup.host.gl, options.width, options.height);
  if (!setup.target->IsComplete()) return Fail("OpenGL cannot make the host framebuffer");
  return 0;
}

// Instantiation, against a bare compile and link of the same texts, each
// followed by its first frame (where a driver may finish compiling); 0 or
// the exit status.
int MeasureInstantiation(const BenchOptions& options, BenchSetup& setup, BenchResults& results) {
  // Each is well under a millisecond: enough of them for the median to hold
  // from run to run.
  constexpr int kInstantiations = 31;
  const host::HostFramebuffer& target = *setup.target;
  std::string error;
  for (int i = 0; i < kInstantiations; ++i) {
    setup.host.PrepareFrameState(target);
    auto start = Clock::now();
    auto instance = host::PluginInstance::Create(setup.host.session->Library(), options.width,
                                                 options.height, error);
    glFinish();
    results.instantiate.push_back(MillisecondsSince(start));
    if (instance == nullptr) return Fail(error);
    start = Clock::now();
    instance->ProcessFrame(target, {});
    glFinish();
    results.pluginFirstFrame.push_back(MillisecondsSince(start));
    instance.reset();
    if (!options.hasBaseline) continue;
    setup.host.PrepareFrameState(target);
    start = Clock::now();
    BareDraw bare(setup.host.gl, setup.fragmentText);
    glFinish();
    results.compile.push_back(MillisecondsSince(start));
    if (!bare.IsReady()) return Fail("the baseline fragment does not compile: " + bare.Log());
    start = Clock::now();
    bare.Draw(target, 0.0f, 0.0f, 0.0f);
    glFinish();
    results.bareFirstFrame.push_back(MillisecondsSince(start));
  }
  return 0;
}

// The value of a numeric parameter by position, else 0.
float NumericParameter(const host::PluginSession& session, const host::PluginInstance& instance,
                       std::size_t index) {
  const auto& parameters = session.Description().parameters;
  return index < parameters.size() && !parameters[index].isText
             ? FFFloatFromWord(instance.Get(static_cast<FFUInt32>(index)))
             : 0.0f;
}

// Blocks of the plugin's frames, interleaved with the baseline's; 0 or the
// exit status.
int MeasureFrames(const BenchOptions& options, BenchSetup& setup, BenchResults& results) {
  const host::PluginSession& session = *setup.host.session;
  const host::HostFramebuffer& target = *setup.target;
  std::string error;
  auto instance =
      host::PluginInstance::Create(session.Library(), options.width, options.height, error);
  if (instance == nullptr) return Fail(error);
  if (!ApplySettings(*instance, setup.settings, error)) return Fail(error);
  // The baseline's uniforms follow the first three parameters as a source
  // plugin of this kind maps them: the clock's rate, then mouse x and y.
  const float speed = NumericParameter(session, *instance, 0);
  const float mouseX = NumericParameter(session, *instance, 1);
  const float mouseY = NumericParameter(session, *instance, 2);
  std::unique_ptr<BareDraw> bare;
  if (options.hasBaseline) bare = std::make_unique<BareDraw>(setup.host.gl, setup.fragmentText);
  auto lastBaseline = Clock::now();
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
  setup.host.PrepareFrameState(target);
  Series warmup;
  RunBlock(5, drawPlugin, warmup);
  if (bare) RunBlock(5, drawBaseline, warmup);
  for (int block = 0; block < options.blocks; ++block) {
    // Alternating which goes first cancels a steady drift.
    const bool pluginFirst = block % 2 == 0;
    if (pluginFirst || !bare) RunBlock(options.framesPerBlock, drawPlugin, results.pluginFrames);
    if (bare) RunBlock(options.framesPerBlock, drawBaseline, results.baselineFrames);
    if (!pluginFirst && bare) RunBlock(options.framesPerBlock, drawPlugin, results.pluginFrames);
  }
  return 0;
}

}  // namespace

int RunBench(const std::vector<std::string>& words) {
  BenchOptions options;
  std::string error;
  if (!ParseBenchOptions(words, options, error)) return UsageError("bench", error);
  BenchSetup setup;
  if (const int status = SetUpBench(options, setup); status != 0) return status;
  // bench runs on real time: the plugin's time is never set.
  const host::PluginTime time(*setup.host.session, true);
  BenchResults results;
  if (const int status = MeasureInstantiation(options, setup, results); status != 0) return status;
  if (const int status = MeasureFrames(options, setup, results); status != 0) return status;
  results.plugin = setup.host.session->Description().name;
  results.context = setup.host.context->Description();
  results.time = time.Name();
  results.width = options.width;
  results.height = options.height;
  results.blocks = options.blocks;
  results.framesPerBlock = options.framesPerBlock;
  results.hasBaseline = options.hasBaseline;
  if (options.json) {
    PrintBenchJson(results);
  } else {
    PrintBenchText(results);
  }
  return 0;
}

}  // namespace cli
