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
#include "host/cli/FrameSink.h"
#include "host/cli/HeadlessHost.h"
#include "host/cli/System.h"

namespace cli {

const char kRenderUsage[] =
    "Usage: ffgl-host render PLUGIN -o OUTPUT [OPTIONS]\n"
    "Renders frames of the plugin. OUTPUT is a .png file (one frame), a folder (numbered\n"
    "PNGs frame-000001.png ...), or a .mp4/.gif/.webm file when ffmpeg is installed.\n"
    "  --size WxH          frame size (default 1280x720)\n"
    "  --frames N          number of frames (default 1)\n"
    "  --fps F             frame rate: frames are F per second of real time (default 30)\n"
    "  --fast              do not wait between frames (the animation then runs slower\n"
    "                      than in the output's time)\n"
    "  --set NAME=VALUE    set a parameter by name before the first frame (repeatable)\n"
    "  --input FILE.png    an input picture, uploaded as a host texture (repeatable, up\n"
    "                      to the plugin's maximum inputs)\n"
    "  --sheet COLUMNS     tile all frames into one .png contact sheet\n"
    "  -o OUTPUT           where the frames go (required)\n"
    "A progress bar is drawn when standard error is a terminal.\n";

namespace {

struct RenderOptions {
  std::string plugin;
  OutputRequest output;
  bool fast = false;
  std::vector<std::string> settings;
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
  options.settings = arguments.TakeValues("--set");
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
  return true;
}

// Applies every --set; false with a one-line reason.
bool ApplySettings(const host::PluginSession& session, const host::PluginInstance& instance,
                   const std::vector<std::string>& settings, std::string& error) {
  for (const auto& setting : settings) {
    const auto equals = setting.find('=');
    if (equals == std::string::npos || equals == 0) {
      error = "--set wants NAME=VALUE, not '" + setting + "'";
      return false;
    }
    const std::string name = setting.substr(0, equals);
    const std::string text = setting.substr(equals + 1);
    const host::ParameterDescription* parameter = session.FindParameter(name);
    if (parameter == nullptr) {
      std::string known;
      for (const auto& p : session.Description().parameters) {
        known += (known.empty() ? "" : ", ") + p.name;
      }
      error = "unknown parameter '" + name + "' (the plugin has: " +
              (known.empty() ? std::string("none") : known) + ")";
      return false;
    }
    bool accepted = false;
    if (parameter->isText) {
      accepted = instance.SetText(parameter->index, text);
    } else {
      float value = 0.0f;
      if (!ParseFloat(text, value)) {
        error = "parameter '" + parameter->name + "' wants a number, not '" + text + "'";
        return false;
      }
      accepted = instance.SetFloat(parameter->index, value);
    }
    if (!accepted) {
      error = "the plugin refused " + parameter->name + "=" + text;
      return false;
    }
  }
  return true;
}

void DrawProgress(int done, int total) {
  constexpr int kWidth = 30;
  const int filled = total > 0 ? done * kWidth / total : kWidth;
  std::fprintf(stderr, "\r[%s%s] %d/%d", std::string(static_cast<std::size_t>(filled), '#').c_str(),
               std::string(static_cast<std::size_t>(kWidth - filled), '.').c_str(), done, total);
  if (done == total) std::fputc('\n', stderr);
  std::fflush(stderr);
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
    return Fail("the plugin takes at most " + std::to_string(description.maximumInputs) +
                " input(s); " + std::to_string(options.inputs.size()) + " given");
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
  if (!ApplySettings(*host.session, *instance, options.settings, error)) return Fail(error);

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
