// render: frames of a plugin into PNG files or a video, each at its exact
// time on the plugin's clock (FF_SETTIME, or the plugin's clock imports
// steered), so the output's motion does not depend on the machine's speed.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/cli/Arguments.h"
#include "host/cli/Commands.h"
#include "host/cli/HeadlessHost.h"
#include "host/cli/ParameterSettings.h"
#include "host/gl/InputTexture.h"
#include "host/image/PngImage.h"
#include "host/loader/CrashGuard.h"
#include "host/loader/PluginTime.h"
#include "host/output/EncoderQueue.h"
#include "host/output/FrameSink.h"
#include "host/output/System.h"

namespace cli {

const char kRenderUsage[] =
    "Usage: ffgl-host render PLUGIN -o OUTPUT [OPTIONS]\n"
    "Renders frames of the plugin. OUTPUT is a .png file (one frame), a folder (a path\n"
    "ending in '/' or an existing folder: numbered PNGs frame-000001.png ...), or a\n"
    ".mp4/.gif/.webm/.mov/.mkv file when ffmpeg is installed; anything else is refused.\n"
    "Each file is written under a temporary name beside it and renamed when complete, so\n"
    "a failure, a crash or Ctrl-C leaves no partial file. Into a folder, the frames of an\n"
    "earlier render (files named frame-NNNNNN.png) are removed first; nothing else there\n"
    "is touched; a second render into a folder being rendered into stops at once.\n"
    "  --size WxH          frame size (default 1280x720)\n"
    "  --frames N          number of frames (default 1)\n"
    "  --fps F             frame rate (default 30): frame k shows the plugin at\n"
    "                      START + k/F seconds after its instance was made\n"
    "  --start SECONDS     the time of the first frame (default 0); any frame can be\n"
    "                      reproduced on its own\n"
    "  --realtime          pace frames on the real clock instead of the plugin's time\n"
    "  --allow-drift       exit 0 even when real-time frames fell behind their times\n"
    "  --fast              the default, kept for older scripts\n"
    "  --set NAME=VALUE    set a parameter before the first frame (repeatable); NAME may\n"
    "                      be the index 'info' gives instead, for repeated names; for a\n"
    "                      plugin made from an ISF file, an input's NAME takes the\n"
    "                      shader's own value (12.5; x,y; r,g,b[,a]; a LABEL; true)\n"
    "  --input FILE.png    an input picture, uploaded as a host texture (repeatable: at\n"
    "                      least the plugin's minimum inputs, at most its maximum);\n"
    "                      16-bit samples are scaled to 8 bits, colours unchanged\n"
    "  --sheet COLUMNS     tile all frames into one .png contact sheet\n"
    "  --watchdog SECONDS  a plugin call that takes longer ends the render as a crash\n"
    "                      (default 20; 0: no limit)\n"
    "  -o OUTPUT           where the frames go (required)\n"
    "Time: a plugin that takes the host's time gets each frame's time through\n"
    "FF_SETTIME; for one that reads its own clock, that library's clock imports are\n"
    "steered to the frame's time (no other library's clock changes), so a render runs\n"
    "as fast as the machine allows and always at the right speed. Where neither is\n"
    "possible (it says so) or with --realtime, frames are paced on the real clock, and\n"
    "frames that fall behind their times are reported.\n"
    "A progress bar is drawn when standard error is a terminal. Exit status: 0 written,\n"
    "1 the plugin or the output failed, 2 a usage mistake, 3 the plugin crashed (the call\n"
    "is named), 4 real-time frames fell behind (the output is written; --allow-drift\n"
    "accepts it), 130 interrupted (Ctrl-C).\n";

namespace {

// About 31 years: far beyond any render, well within the clocks' ticks.
constexpr double kLatestFrameTime = 1e9;

struct RenderOptions {
  std::string plugin;
  OutputRequest output;
  bool realtime = false;
  bool allowDrift = false;
  double start = 0.0;
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
  arguments.TakeFlag("--fast");  // the default now
  options.realtime = arguments.TakeFlag("--realtime");
  options.allowDrift = arguments.TakeFlag("--allow-drift");
  if (arguments.TakeValue("--start", value) &&
      !ParseNonNegativeNumber("--start", value, options.start, error)) {
    return false;
  }
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
  if (!arguments.TakePlugin(options.plugin, error)) return false;
  if (!hasOutput || out.path.empty()) {
    error = "needs -o OUTPUT";
    return false;
  }
  // Times are turned into clock ticks: the last frame's must fit them.
  if (!(options.start + (out.frames - 1) / out.fps <= kLatestFrameTime)) {
    error = "the last frame's time would be beyond 1e9 seconds; use a larger --fps or a "
            "smaller --start";
    return false;
  }
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

// For the tests only: a pause after each frame, standing for a slow output,
// so they can show that the frames' times do not depend on speed.
std::chrono::milliseconds TestFrameDelay() {
  const char* value = std::getenv("FFGL_HOST_TEST_FRAME_DELAY_MS");
  return std::chrono::milliseconds(value != nullptr ? std::atoi(value) : 0);
}

// Everything a render draws with, made before its first frame. Members
// go in reverse: the output, the instance, then the plugin's clock put
// back, before the library unloads with the host.
struct RenderSetup {
  HeadlessHost host;
  std::vector<ResolvedSetting> settings;
  std::vector<std::unique_ptr<host::InputTexture>> textures;
  std::vector<FFGLTextureStruct*> inputRecords;
  std::unique_ptr<host::HostFramebuffer> target;
  std::unique_ptr<host::PluginTime> time;
  std::unique_ptr<host::PluginInstance> instance;
  std::unique_ptr<FrameSink> sink;
};

// As many pictures as the plugin takes, read before any output is created,
// so a bad one leaves nothing half-written behind; 0 or the exit status.
int ReadInputs(const RenderOptions& options, RenderSetup& setup) {
  const host::PluginDescription& description = setup.host.session->Description();
  const std::string given = std::to_string(options.inputs.size()) + " given";
  if (options.inputs.size() > description.maximumInputs) {
    return UsageError("render", "the plugin takes at most " +
                                    std::to_string(description.maximumInputs) + " input(s); " +
                                    given);
  }
  if (options.inputs.size() < description.minimumInputs) {
    return UsageError("render", "the plugin needs at least " +
                                    std::to_string(description.minimumInputs) +
                                    " input(s) (--input FILE.png); " + given);
  }
  std::string error;
  for (const auto& path : options.inputs) {
    host::RgbaImage picture;
    if (!host::ReadPng(path, picture, error)) return Fail(error);
    setup.textures.push_back(std::make_unique<host::InputTexture>(picture));
    setup.inputRecords.push_back(setup.textures.back()->Record());
  }
  return 0;
}

// The host, the settings, the inputs, the target, the plugin's time and
// instance, and the output; 0 or the exit status.
int SetUpRender(const RenderOptions& options, RenderSetup& setup) {
  std::string error;
  if (!setup.host.Start(options.plugin, error)) return Fail(error);
  const host::PluginSession& session = *setup.host.session;
  if (!ResolveSettings(session.Description(), options.settings, setup.settings, error)) {
    return UsageError("render", error);
  }
  if (const int status = ReadInputs(options, setup); status != 0) return status;
  const OutputRequest& out = options.output;
  setup.target = std::make_unique<host::HostFramebuffer>(setup.host.gl, out.width, out.height);
  if (!setup.target->IsComplete()) {
    return Fail("OpenGL cannot make a " + std::to_string(out.width) + "x" +
                std::to_string(out.height) + " framebuffer");
  }
  // Chosen before the instance is made, whose creation is time 0.
  setup.time = std::make_unique<host::PluginTime>(session, options.realtime);
  setup.time->PaceRealClock(0.5 / out.fps);
  setup.instance = host::PluginInstance::Create(session.Library(), out.width, out.height, error);
  if (setup.instance == nullptr) return Fail(error);
  if (!ApplySettings(*setup.instance, setup.settings, error)) return Fail(error);
  setup.sink = MakeFrameSink(out, error);
  if (setup.sink == nullptr) return Fail(error);
  // Real-clock frames are paced from here: the output's set-up time shifts
  // every frame alike, which leaves the motion even, so it is no lateness.
  setup.time->Started();
  return 0;
}

// Each frame at its time, into the output; 0 or the exit status.
int DrawFrames(const RenderOptions& options, RenderSetup& setup) {
  const OutputRequest& out = options.output;
  EncoderQueue encoder(*setup.sink);
  const bool progress = IsTerminal(stderr);
  const std::chrono::milliseconds testDelay = TestFrameDelay();
  std::string error;
  for (int i = 0; i < out.frames; ++i) {
    if (!setup.time->MoveTo(setup.instance.get(), options.start + i / out.fps)) {
      return Fail("the plugin refused FF_SETTIME for frame " + std::to_string(i + 1));
    }
    setup.host.PrepareFrameState(*setup.target);
    setup.target->Clear(0.0f, 0.0f, 0.0f, 0.0f);
    if (host::IsFail(setup.instance->ProcessFrame(*setup.target, setup.inputRecords))) {
      return Fail("the plugin failed to render frame " + std::to_string(i + 1));
    }
    host::RgbaImage frame{out.width, out.height, setup.target->ReadPixels()};
    if (testDelay.count() > 0) std::this_thread::sleep_for(testDelay);
    if (!encoder.Submit(std::move(frame), i, error)) return Fail(error);
    if (progress) DrawProgress(i + 1, out.frames);
  }
  return encoder.Finish(error) ? 0 : Fail(error);
}

// Where the frames went, and how their times were kept; the exit status.
int ReportRender(const RenderOptions& options, const RenderSetup& setup) {
  std::printf("wrote %s\n", setup.sink->Description().c_str());
  const host::PluginTime& time = *setup.time;
  // Said once, with the output: a failure before it is the one message.
  if (time.Which() == host::PluginTime::Source::kRealClock && !options.realtime) {
    std::fprintf(stderr,
                 "ffgl-host render: the plugin takes no host time and reads no clock the host "
                 "can steer; its frames were paced on the real clock instead\n");
  }
  if (time.LateFrames() == 0) return 0;
  char report[200];
  std::snprintf(report, sizeof report,
                "%d of %d frames were drawn late on the real clock, up to %.3f s behind their "
                "times: the output's motion is uneven",
                time.LateFrames(), options.output.frames, time.WorstLateness());
  if (!options.allowDrift) return Fail(report, kExitDrift);
  std::fprintf(stderr, "ffgl-host render: %s\n", report);
  return 0;
}

}  // namespace

int RunRender(const std::vector<std::string>& words) {
  RenderOptions options;
  std::string error;
  if (!ParseRenderOptions(words, options, error)) return UsageError("render", error);
  IgnoreBrokenPipes();
  RenderSetup setup;
  if (const int status = SetUpRender(options, setup); status != 0) return status;
  if (const int status = DrawFrames(options, setup); status != 0) return status;
  return ReportRender(options, setup);
}

}  // namespace cli
