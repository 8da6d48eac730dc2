// play: the plugin live in a window, drawn each frame into the host's
// framebuffer exactly as `render` draws it, with a panel for its parameters
// and its time, reloaded when its file is rebuilt (host/play).
#include <string>
#include <vector>

#include "host/cli/Arguments.h"
#include "host/cli/Commands.h"
#include "host/cli/HeadlessHost.h"
#include "host/cli/ParameterSettings.h"
#include "host/play/Player.h"

namespace cli {

const char kPlayUsage[] =
    "Usage: ffgl-host play PLUGIN|SHADER [OPTIONS]\n"
    "Shows the plugin live in a window (needs a display), drawn each frame into the\n"
    "host's framebuffer as 'render' draws it, with a panel: the plugin's name, ID, type\n"
    "and the GL renderer; a control per parameter; play/pause, speed, a time slider and\n"
    "one-frame steps on the same clock 'render' uses; the plugin's and the whole frame's\n"
    "times; and 'save frame' (ffgl-play-NNNNNN.png in the current folder).\n"
    "When the plugin file changes (a rebuild), it is reloaded with the same parameter\n"
    "values and time; a build that fails to load leaves the previous one running.\n"
    "Given a shader file (Shadertoy, GLSL Sandbox or ISF) instead, it is packed in\n"
    "memory as ffgl-pack packs it and reloaded whenever it, its .vs or a picture it\n"
    "packs is saved; an error shows in the panel at the file's line while the last\n"
    "good version keeps running. 'Write plugins' then writes what ffgl-pack writes.\n"
    "Keys: space pause/play, right arrow step, S save frame, Q or Escape quit.\n"
    "Dropping a PNG onto the window makes it input 0.\n"
    "  --size WxH          the plugin's frame size (default 640x360)\n"
    "  --set NAME=VALUE    set a parameter before the first frame (repeatable), or an\n"
    "                      ISF input by NAME in the shader's own terms, as for 'render'\n"
    "  --input FILE.png    an input picture (repeatable), as for 'render'\n"
    "  --frames N          with --screenshot: run N frames, save the window, exit\n"
    "  --screenshot FILE   the whole window as a PNG after N frames\n"
    "Exit status: 0 closed, 1 the plugin failed, 2 a usage mistake, 5 no display.\n";

namespace {

struct PlayOptions {
  play::PlayView view;
  std::vector<Setting> settings;
  std::vector<std::string> inputs;
};

bool ParsePlayOptions(const std::vector<std::string>& words, PlayOptions& options,
                      std::string& error) {
  Arguments arguments(words);
  play::PlayView& view = options.view;
  std::string value;
  if (arguments.TakeValue("--size", value) &&
      !ParseSize("--size", value, view.width, view.height, error)) {
    return false;
  }
  if (arguments.TakeValue("--frames", value) &&
      !ParseCount("--frames", value, 1, 1000000, view.frames, error)) {
    return false;
  }
  arguments.TakeValue("--screenshot", view.screenshot);
  if (!ParseSettings(arguments.TakeValues("--set"), options.settings, error)) return false;
  options.inputs = arguments.TakeValues("--input");
  if (!arguments.TakePlugin(view.plugin, error)) return false;
  if ((view.frames > 0) != !view.screenshot.empty()) {
    error = "--frames and --screenshot go together";
    return false;
  }
  return true;
}

// The --set values and the input pictures on the running plugin.
int SetUpPlugin(const PlayOptions& options, play::Player& player) {
  play::LivePlugin& plugin = player.Plugin();
  const host::PluginDescription& description = plugin.Session().Description();
  std::string error;
  std::vector<ResolvedSetting> settings;
  if (!ResolveSettings(description, options.settings, settings, error)) {
    return UsageError("play", error);
  }
  if (!ApplySettings(*plugin.Instance(), settings, error)) return Fail(error);
  plugin.ReadValues();
  if (options.inputs.size() > description.maximumInputs) {
    return UsageError("play", "the plugin takes at most " +
                                  std::to_string(description.maximumInputs) + " input(s)");
  }
  return player.ReadInputs(options.inputs, error) ? 0 : Fail(error);
}

}  // namespace

int RunPlay(const std::vector<std::string>& words) {
  PlayOptions options;
  std::string error;
  if (!ParsePlayOptions(words, options, error)) return UsageError("play", error);
  play::Player player(options.view);
  bool noDisplay = false;
  if (!player.Open(error, noDisplay)) return Fail(error, noDisplay ? kExitNoDisplay : kExitFailure);
  if (const int status = SetUpPlugin(options, player); status != 0) return status;
  return player.Run(error) ? 0 : Fail(error);
}

}  // namespace cli
