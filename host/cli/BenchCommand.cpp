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

#include "host/AllocationCounter.h"
#include "host/cli/Arguments.h"
#include "host/cli/BareDraw.h"
#include "host/cli/BenchReport.h"
#include "host/cli/Commands.h"
#include "host/cli/HeadlessHost.h"
#include "host/cli/ParameterSettings.h"
#include "host/cli/TextTable.h"
#include "host/image/FileBytes.h"

namespace cli {

const char kBenchUsage[] =
    "Usage: ffgl-host bench PLUGIN [OPTIONS]\n"
    "Measures frame time (min / median / p95 in ms, frames per second) and instantiate time.\n"
    "  --size WxH               frame size (default 1280x720)\n"
    "  --blocks N               measured blocks (default 10)\n"
    "  --frames N               frames per block (default 20)\n"
    "  --set NAME=VALUE         set a parameter first (repeatable; NAME or its index)\n"
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
  const bool json = arguments.TakeFlag("--json");
  std::vector<Setting> settings;
  if (!ParseSettings(arguments.TakeValues("--set"), settings, error)) {
    return UsageError("bench", error);
  }
  std::string pluginPath;
  if (!arguments.TakePlugin(pluginPath, error)) return UsageError("bench", error);
  std::string fragmentText;
  if (hasBaseline && !ReadText(baselinePath, fragmentText, error)) {
    return Fail("cannot read baseline fragment '" + baselinePath + "': " + error);
  }

  HeadlessHost host;
  if (!host.Start(pluginPath, error)) return Fail(error);
  const host::PluginSession& session = *host.session;
  if (!CheckSettings(session, settings, error)) return UsageError("bench", error);
  allocations::WatchCode(session.Library().CodeBegin(), session.Library().CodeEnd());
  host::HostFramebuffer target(host.gl, width, height);
  if (!target.IsComplete()) return Fail("OpenGL cannot make the host framebuffer");

  // Instantiation, against a bare compile and link of the same texts, each
  // followed by its first frame (where a driver may finish compiling).
  constexpr int kInstantiations = 5;
  BenchResults results;
  std::vector<double>& instantiate = results.instantiate;
  std::vector<double>& compile = results.compile;
  std::vector<double>& pluginFirstFrame = results.pluginFirstFrame;
  std::vector<double>& bareFirstFrame = results.bareFirstFrame;
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
  bool usage = false;
  if (!ApplySettings(session, *instance, settings, error, usage)) {
    return usage ? UsageError("bench", error) : Fail(error);
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

  Series& plugin = results.pluginFrames;
  Series& baseline = results.baselineFrames;
  for (int block = 0; block < blocks; ++block) {
    // Alternating which goes first cancels a steady drift.
    const bool pluginFirst = block % 2 == 0;
    if (pluginFirst || !bare) RunBlock(framesPerBlock, drawPlugin, plugin);
    if (bare) RunBlock(framesPerBlock, drawBaseline, baseline);
    if (!pluginFirst && bare) RunBlock(framesPerBlock, drawPlugin, plugin);
  }
  instance.reset();

  results.plugin = session.Description().name;
  results.context = host.context->Description();
  results.width = width;
  results.height = height;
  results.blocks = blocks;
  results.framesPerBlock = framesPerBlock;
  results.hasBaseline = hasBaseline;
  if (json) {
    PrintBenchJson(results);
  } else {
    PrintBenchText(results);
  }
  return 0;
}

}  // namespace cli
