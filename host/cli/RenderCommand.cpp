// render: frames of a plugin into PNG files or a video, paced on real time
// because FreeFrame GL plugins animate on the clock they read themselves.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "host/InputTexture.h"
#include "host/cli/Arguments.h"
#include "host/cli/Commands.h"
#include "host/cli/CrashGuard.h"
#include "host/cli/FrameSink.h"
#include "host/cli/HeadlessHost.h"
#include "host/cli/ParameterSettings.h"
#include "host/cli/System.h"

namespace cli {

const char kRenderUsage[] =
    "Usage: ffgl-host render PLUGIN -o OUTPUT [OPTIONS]\n"
    "Renders frames of the plugin. OUTPUT is a .png file (one frame), a folder (a path\n"
    "ending in '/' or an existing folder: numbered PNGs frame-000001.png ...), or a\n"
    ".mp4/.gif/.webm/.mov/.mkv file when ffmpeg is installed; anything else is refused.\n"
    "Each file is written under a temporary name beside it and renamed when complete, so\n"
    "a failure, a crash or Ctrl-C leaves no partial file. Into a folder, the frames of an\n"
    "earlier render (files named frame-NNNNNN.png) are removed first; nothing else there\n"
    "is touched.\n"
    "  --size WxH          frame size (default 1280x720)\n"
    "  --frames N          number of frames (default 1)\n"
    "  --fps F             frame rate: frames are F per second of real time (default 30)\n"
    "  --fast              do not wait between frames (the animation then runs slower\n"
    "                      than in the output's time)\n"
    "  --set NAME=VALUE    set a parameter before the first frame (repeatable); NAME may\n"
    "                      be the index 'info' gives instead, for repeated names\n"
    "  --input FILE.png    an input picture, uploaded as a host texture (repeatable: at\n"
    "                      least the plugin's minimum inputs, at most its maximum);\n"
    "                      16-bit samples are scaled to 8 bits, colours unchanged\n"
    "  --sheet COLUMNS     tile all frames into one .png contact sheet\n"
    "  -o OUTPUT           where the frames go (required)\n"
    "A progress bar is drawn when standard error is a terminal. Exit status: 0 written,\n"
    "1 the plugin or the output failed, 2 a usage mistake, 3 the plugin crashed (the call\n"
    "is named), 130 interrupted (Ctrl-C).\n";

namespace {

struct RenderOptions {
  std::string plugin;
  OutputRequest output;
  bool fast = false;
  std::vector<Setting> settings;
  std::vector<std::string> inputs;
};

// Parses everything; false with the usage message in `error`.
bool ParseRenderOptions(const std::vector<std::string>& words, RenderOptions& options,
                        std::string& error) {
  Arguments arguments(words);
  OutputRequest& out = options.output;
  out.width = 1280;
  out.height = 720;
  std::string value;
  options.fast = arguments.TakeFlag("--fast");
  if (arguments.TakeValue("--size", value) &&
      !ParseSize("--size", value, out.width, out.height, error)) {
    return false;
  }
  if (arguments.TakeValue("--frames", value) &&
      !ParseCount("--frames", value, 1, 1000000, out.frames, error)) {
    return false;
  }
  if (arguments.TakeValue("--fps", value) && !ParsePositiveNumber("--fps", value, out.fps, error)) {
    return false;
  }
  if (arguments.TakeValue("--sheet", value) &&
      !ParseCount("--sheet", value, 1, 1000, out.sheetColumns, error)) {
    return false;
  }
  if (!ParseSettings(arguments.TakeValues("--set"), options.settings, error)) return false;
  options.inputs = arguments.TakeValues("--input");
  const bool hasOutput = arguments.TakeValue("-o", out.path);
  const auto positionals = arguments.Positionals();
  if (arguments.HasError()) {
    error = arguments.Error();
    return false;
  }
  if (positionals.size() != 1) {
    error = "expects one PLUGIN file";
    return false;
  }
  if (!hasOutput || out.path.empty()) {
    error = "needs -o OUTPUT";
    return false;
  }
  options.plugin = positionals[0];
  return ClassifyOutput(out, error);
}

void DrawProgress(int done, int total) {
  constexpr int kWidth = 30;
  const int filled = total > 0 ? done * kWidth / total : kWidth;
  std::fprintf(stderr, "\r[%s%s] %d/%d", std::string(static_cast<std::size_t>(filled), '#').c_str(),
               std::string(static_cast<std::size_t>(kWidth - filled), '.').c_str(), done, total);
  if (done == total) std::fputc('\n', stderr);
  std::fflush(stderr);
  SetProgressLineOpen(done != total);
}

}  // namespace

int RunRender(const std::vector<std::string>& words) {
  RenderOptions options;
  std::string error;
  if (!ParseRenderOptions(words, options, error)) return UsageError("render", error);
  IgnoreBrokenPipes();

  HeadlessHost host;
  if (!host.Start(options.plugin, error)) return Fail(error);
  const host::PluginDescription& description = host.session->Description();
  if (options.inputs.size() > description.maximumInputs) {
    return UsageError("render", "the plugin takes at most " +
                                    std::to_string(description.maximumInputs) + " input(s); " +
                                    std::to_string(options.inputs.size()) + " given");
  }
  if (options.inputs.size() < description.minimumInputs) {
    return UsageError("render", "the plugin needs at least " +
                                    std::to_string(description.minimumInputs) +
                                    " input(s) (--input FILE.png); " +
                                    std::to_string(options.inputs.size()) + " given");
  }
  // Pictures are read before any output is created, so a bad one leaves
  // nothing half-written behind.
  std::vector<std::unique_ptr<host::InputTexture>> textures;
  std::vector<FFGLTextureStruct*> inputRecords;
  for (const auto& path : options.inputs) {
    host::RgbaImage picture;
    if (!host::ReadPng(path, picture, error)) return Fail(error);
    textures.push_back(std::make_unique<host::InputTexture>(picture));
    inputRecords.push_back(textures.back()->Record());
  }

  const OutputRequest& out = options.output;
  host::HostFramebuffer target(host.gl, out.width, out.height);
  if (!target.IsComplete()) {
    return Fail("OpenGL cannot make a " + std::to_string(out.width) + "x" +
                std::to_string(out.height) + " framebuffer");
  }
  auto instance =
      host::PluginInstance::Create(host.session->Library(), out.width, out.height, error);
  if (instance == nullptr) return Fail(error);
  bool usage = false;
  if (!ApplySettings(*host.session, *instance, options.settings, error, usage)) {
    return usage ? UsageError("render", error) : Fail(error);
  }

  auto sink = MakeFrameSink(out, error);
  if (sink == nullptr) return Fail(error);

  const bool progress = IsTerminal(stderr);
  host::RgbaImage frame;
  frame.width = out.width;
  frame.height = out.height;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < out.frames; ++i) {
    if (!options.fast) {
      std::this_thread::sleep_until(
          start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                      std::chrono::duration<double>(i / out.fps)));
    }
    host.PrepareFrameState(target);
    target.Clear(0.0f, 0.0f, 0.0f, 0.0f);
    if (host::IsFail(instance->ProcessFrame(target, inputRecords))) {
      return Fail("the plugin failed to render frame " + std::to_string(i + 1));
    }
    frame.pixels = target.ReadPixels();
    if (!sink->Write(frame, i, error)) return Fail(error);
    if (progress) DrawProgress(i + 1, out.frames);
  }
  if (!sink->Finish(error)) return Fail(error);
  std::printf("wrote %s\n", sink->Description().c_str());
  return 0;
}

}  // namespace cli
