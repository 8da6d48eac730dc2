// validate: a conformance run through plugMain only, as a careful host would
// drive the plugin, with one PASS/FAIL line per promise.
#include <cstdio>
#include <string>
#include <vector>

#include "host/gl/InputTexture.h"
#include "host/cli/Arguments.h"
#include "host/cli/Checklist.h"
#include "host/cli/Commands.h"
#include "host/cli/HeadlessHost.h"
#include "host/cli/TextTable.h"
#include "host/cli/ValidateChecks.h"

namespace cli {

const char kValidateUsage[] =
    "Usage: ffgl-host validate PLUGIN [--cycles N] [--json] [--watchdog SECONDS]\n"
    "Checks the plugin through plugMain: describing codes answered consistently, unknown\n"
    "codes refused, parameters round-trip, instances created and destroyed many times,\n"
    "frames with and without inputs, and the host's OpenGL state (framebuffer binding,\n"
    "viewport, active texture unit, current program, texture bindings, GL_TEXTURE_2D\n"
    "enable, blending and its function, scissor test and box, colour mask, depth test\n"
    "and mask, matrix mode, modelview and texture matrices) left as the host set it.\n"
    "Prints PASS or FAIL per check and a summary; exits\n"
    "0 only when all pass, 1 when any fails. The plugin runs in a child process: one\n"
    "that crashes (on any thread, while loading, at unload), exits, hangs or prints on\n"
    "standard output fails the check it did it in, naming the plugMain call; the summary\n"
    "follows and the run ends.\n"
    "  --cycles N            instance create/destroy cycles (default 100)\n"
    "  --json                one JSON object (plugin, context, checks, passed, failed)\n"
    "  --watchdog SECONDS    a plugin call that takes longer has hung (default 20; 0: no\n"
    "                        limit)\n"
    "  --in-process          run the plugin in this process: a crash, exit or hang ends\n"
    "                        the run with one message instead\n";

namespace {

constexpr int kFrameWidth = 320;
constexpr int kFrameHeight = 180;

struct ValidateOptions {
  std::string plugin;
  int cycles = 100;
  bool json = false;
};

bool ParseValidateOptions(const std::vector<std::string>& words, ValidateOptions& options,
                          std::string& error) {
  Arguments arguments(words);
  std::string value;
  options.json = arguments.TakeFlag("--json");
  if (arguments.TakeValue("--cycles", value) &&
      !ParseCount("--cycles", value, 1, 100000, options.cycles, error)) {
    return false;
  }
  return arguments.TakePlugin(options.plugin, error);
}

void CheckDescribing(Checklist& checks, const host::PluginSession& session) {
  const host::PluginLibrary& plugin = session.Library();
  checks.Run("information record", [&] { return CheckInformation(plugin); });
  checks.Run("extended information record", [&] { return CheckExtendedInformation(plugin); });
  checks.Run("describing codes answered consistently",
             [&] { return CheckDescribingCodes(session); });
  checks.Run("unknown codes refused", [&] { return CheckUnknownCodes(plugin); });
}

void CheckInstance(Checklist& checks, const host::PluginSession& session,
                   const host::PluginInstance& instance) {
  checks.Run("fresh instance starts at the defaults",
             [&] { return CheckFreshInstance(session, instance); });
  checks.Run("parameters round-trip", [&] { return CheckRoundTrip(session, instance); });
  checks.Run("input status answered", [&] { return CheckInputStatus(session, instance); });
  if (session.Description().supportsHostTime) {
    checks.Run("host time accepted",
               [&] { return instance.SetTime(1.5) ? "" : "FF_SETTIME refused"; });
  }
}

// Frames without inputs and, for a plugin that takes them, with; then
// whether the host's GL state was kept and no OpenGL error was left. The
// input textures are kept in `textures` while the instance lives.
void CheckFrames(Checklist& checks, const HeadlessHost& host, const host::HostFramebuffer& target,
                 const host::PluginInstance& instance,
                 std::vector<std::unique_ptr<host::InputTexture>>& textures) {
  const host::PluginDescription& d = host.session->Description();
  // An effect that needs inputs may refuse frames with fewer.
  const auto fewerThanMinimum = [&](const std::vector<FFGLTextureStruct*>& inputs) {
    FFUInt32 given = 0;
    for (const auto* input : inputs) given += input != nullptr ? 1 : 0;
    return given < d.minimumInputs;
  };
  FrameRun withoutInputs;
  checks.Run("frames without inputs", [&] {
    RunFrames(host, target, instance, {}, "no inputs", d.type == FF_SOURCE,
              fewerThanMinimum({}), withoutInputs);
    return withoutInputs.results.Text().empty() ? withoutInputs.drawing.Text()
                                                : withoutInputs.results.Text();
  });

  // The host's textures: smaller than their power-of-two allocation, as in
  // hosts that keep such textures.
  FrameRun withInputs;
  if (d.maximumInputs > 0) {
    checks.Run("frames with inputs", [&] {
      std::vector<FFGLTextureStruct*> records;
      for (FFUInt32 i = 0; i < d.maximumInputs && i < 4; ++i) {
        textures.push_back(std::make_unique<host::InputTexture>(
            TestPicture(kFrameWidth - 40 * static_cast<int>(i), kFrameHeight - 20,
                        static_cast<std::uint8_t>(255 - 60 * i))));
        records.push_back(textures.back()->Record());
      }
      RunFrames(host, target, instance, records, "all inputs", false, false, withInputs);
      std::vector<FFGLTextureStruct*> gaps = records;
      gaps[0] = nullptr;
      RunFrames(host, target, instance, gaps, "first input missing", false,
                fewerThanMinimum(gaps), withInputs);
      RunFrames(host, target, instance, {records[0]}, "one input", false,
                fewerThanMinimum({records[0]}), withInputs);
      return withInputs.results.Text();
    });
  }

  Finding state;
  Finding glErrors;
  for (const FrameRun* run : {&withoutInputs, &withInputs}) {
    if (!run->state.Text().empty()) state.Note(run->state.Text());
    if (!run->glErrors.Text().empty()) glErrors.Note(run->glErrors.Text());
  }
  checks.Record("host GL state kept", state.Text());
  checks.Record("no OpenGL errors", glErrors.Text());
}

}  // namespace

int RunValidate(const std::vector<std::string>& words) {
  ValidateOptions options;
  std::string error;
  if (!ParseValidateOptions(words, options, error)) return UsageError("validate", error);

  HeadlessHost host;
  if (!host.Start(options.plugin, error)) return Fail(error);
  const host::PluginSession& session = *host.session;
  const host::PluginLibrary& plugin = session.Library();
  if (!options.json) {
    std::printf("Validating %s (%s) on %s\n\n", ShownText(session.Description().name).c_str(),
                plugin.Path().c_str(), host.context->Description().c_str());
    // Out before the first check: a crash report writes past the buffer.
    std::fflush(stdout);
  }

  Checklist checks(options.json, plugin.Path(), host.context->Description());
  CheckDescribing(checks, session);
  host::HostFramebuffer target(host.gl, kFrameWidth, kFrameHeight);
  if (!target.IsComplete()) return Fail("OpenGL cannot make the host framebuffer");
  std::unique_ptr<host::PluginInstance> instance;
  checks.Run("instance created", [&] {
    instance = host::PluginInstance::Create(plugin, kFrameWidth, kFrameHeight, error);
    return instance == nullptr ? error : std::string();
  });
  if (instance == nullptr) return checks.Summary();
  CheckInstance(checks, session, *instance);
  std::vector<std::unique_ptr<host::InputTexture>> textures;
  CheckFrames(checks, host, target, *instance, textures);

  checks.Run("instances created and destroyed " + std::to_string(options.cycles) + " times", [&] {
    instance.reset();
    textures.clear();
    return CheckCycles(host, target, options.cycles);
  });
  checks.Run("initialise again after deinitialise", [&] {
    if (host::IsFail(plugin.Call(FF_DEINITIALISE))) return "FF_DEINITIALISE refused";
    return host::IsFail(plugin.Call(FF_INITIALISE)) ? "FF_INITIALISE refused the second time"
                                                    : "";
  });
  return checks.Summary();
}

}  // namespace cli
