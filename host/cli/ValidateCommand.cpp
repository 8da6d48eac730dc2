// validate: a conformance run through plugMain only, as a careful host would
// drive the plugin, with one PASS/FAIL line per promise.
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "host/GLStateSnapshot.h"
#include "host/InputTexture.h"
#include "host/cli/Arguments.h"
#include "host/cli/Commands.h"
#include "host/cli/HeadlessHost.h"
#include "host/cli/TextTable.h"

namespace cli {

const char kValidateUsage[] =
    "Usage: ffgl-host validate PLUGIN [--cycles N]\n"
    "Checks the plugin through plugMain: describing codes answered consistently, unknown\n"
    "codes refused, parameters round-trip, instances created and destroyed many times,\n"
    "frames with and without inputs, and the host's OpenGL state (framebuffer binding,\n"
    "viewport, active texture unit, current program, texture bindings) left as the host\n"
    "set it. Prints PASS or FAIL per check and a summary; exits 0 only when all pass.\n"
    "  --cycles N   instance create/destroy cycles (default 100)\n";

namespace {

constexpr int kFrameWidth = 320;
constexpr int kFrameHeight = 180;

class Checklist {
 public:
  void Record(const std::string& name, const std::string& failure) {
    if (failure.empty()) {
      std::printf("PASS  %s\n", name.c_str());
      ++passed_;
    } else {
      std::printf("FAIL  %s: %s\n", name.c_str(), failure.c_str());
      ++failed_;
    }
    std::fflush(stdout);
  }
  int Summary() const {
    std::printf("\n%d of %d checks passed%s\n", passed_, passed_ + failed_,
                failed_ == 0 ? "" : (", " + std::to_string(failed_) + " failed").c_str());
    return failed_ == 0 ? 0 : kExitFailure;
  }

 private:
  int passed_ = 0;
  int failed_ = 0;
};

// Collects the first problem of a check; later ones are counted only.
class Finding {
 public:
  void Note(const std::string& problem) {
    if (first_.empty()) first_ = problem;
    ++count_;
  }
  std::string Text() const {
    if (count_ <= 1) return first_;
    return first_ + " (and " + std::to_string(count_ - 1) + " more)";
  }

 private:
  std::string first_;
  int count_ = 0;
};

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::string CheckInformation(const host::PluginLibrary& plugin) {
  const auto* first = reinterpret_cast<const PluginInfoStruct*>(plugin.Call(FF_GETINFO));
  const auto* second = reinterpret_cast<const PluginInfoStruct*>(plugin.Call(FF_GETINFO));
  if (first == nullptr || host::IsFail(reinterpret_cast<FFWord>(first))) return "no record";
  if (second == nullptr || std::memcmp(first, second, sizeof *first) != 0) {
    return "a second FF_GETINFO gives a different record";
  }
  if (first->APIMajorVersion != 1) {
    return "API major version " + std::to_string(first->APIMajorVersion) + ", not 1";
  }
  if (first->PluginType != FF_EFFECT && first->PluginType != FF_SOURCE) {
    return "plugin type " + std::to_string(first->PluginType) + " is neither effect nor source";
  }
  if (host::FixedWidthText(first->PluginName, sizeof first->PluginName).empty()) {
    return "empty plugin name";
  }
  return "";
}

std::string CheckExtendedInformation(const host::PluginLibrary& plugin) {
  const FFWord word = plugin.Call(FF_GETEXTENDEDINFO);
  if (word == 0 || host::IsFail(word)) return "FF_GETEXTENDEDINFO gives no record";
  if (plugin.Call(FF_GETEXTENDEDINFO) != word) return "a second call gives another record";
  return "";
}

// Every describing code asked again must give the same answer as when the
// session read the description.
std::string CheckDescribingCodes(const host::PluginSession& session) {
  const host::PluginLibrary& plugin = session.Library();
  const host::PluginDescription& d = session.Description();
  Finding finding;
  if (plugin.Call(FF_GETNUMPARAMETERS) != d.parameters.size()) {
    finding.Note("FF_GETNUMPARAMETERS changed between calls");
  }
  std::set<std::string> names;
  for (const auto& p : d.parameters) {
    const std::string label = "parameter " + std::to_string(p.index);
    const FFWord nameWord = plugin.Call(FF_GETPARAMETERNAME, p.index);
    if (nameWord == 0 || host::IsFail(nameWord)) {
      finding.Note(label + " has no name");
      continue;
    }
    if (host::FixedWidthText(reinterpret_cast<const char*>(nameWord), 16) != p.name) {
      finding.Note(label + " name changed between calls");
    }
    if (p.name.empty()) finding.Note(label + " has an empty name");
    if (!names.insert(p.name).second) finding.Note(label + " repeats the name '" + p.name + "'");
    if (plugin.Call(FF_GETPARAMETERTYPE, p.index) != p.type) {
      finding.Note(label + " type changed between calls");
    }
    if (host::ParameterTypeName(p.type).rfind("type ", 0) == 0) {
      finding.Note(label + " has unknown type " + std::to_string(p.type));
    }
    if (!p.isText) {
      const float again = FFFloatFromWord(plugin.Call(FF_GETPARAMETERDEFAULT, p.index));
      if (!SameBits(again, p.defaultValue)) finding.Note(label + " default changed between calls");
      if (!(p.defaultValue >= 0.0f && p.defaultValue <= 1.0f)) {
        finding.Note(label + " default " + FormatNumber(p.defaultValue) + " is outside 0..1");
      }
    }
  }
  const FFUInt32 caps[] = {FF_CAP_PROCESSOPENGL, FF_CAP_SETTIME, FF_CAP_MINIMUMINPUTFRAMES,
                           FF_CAP_MAXIMUMINPUTFRAMES};
  for (FFUInt32 cap : caps) {
    if (plugin.Call(FF_GETPLUGINCAPS, cap) != plugin.Call(FF_GETPLUGINCAPS, cap)) {
      finding.Note("capability " + std::to_string(cap) + " changed between calls");
    }
  }
  if (d.minimumInputs > d.maximumInputs) {
    finding.Note("minimum inputs " + std::to_string(d.minimumInputs) + " above maximum " +
                 std::to_string(d.maximumInputs));
  }
  if (d.type == FF_EFFECT && d.maximumInputs == 0) finding.Note("an effect that takes no input");
  return finding.Text();
}

std::string CheckUnknownCodes(const host::PluginLibrary& plugin) {
  // Codes past the last defined one, and the CPU-frame codes an OpenGL-only
  // plugin does not serve.
  const FFUInt32 codes[] = {21, 0xFFFFFFFFu, FF_PROCESSFRAME, FF_INSTANTIATE, FF_DEINSTANTIATE,
                            FF_PROCESSFRAMECOPY};
  Finding finding;
  for (FFUInt32 code : codes) {
    const FFWord answer = plugin.Call(code, 0, 0);
    if (!host::IsFail(answer)) {
      finding.Note("code " + std::to_string(code) + " answered " + std::to_string(answer));
    }
  }
  return finding.Text();
}

std::string CheckFreshInstance(const host::PluginSession& session,
                               const host::PluginInstance& instance) {
  Finding finding;
  for (const auto& p : session.Description().parameters) {
    const FFWord word = instance.Get(p.index);
    if (host::IsFail(word) && !p.isText) {
      finding.Note("FF_GETPARAMETER refused parameter " + std::to_string(p.index));
    } else if (p.isText) {
      if (host::PluginText(reinterpret_cast<const char*>(word)) != p.defaultText) {
        finding.Note(p.name + " does not start at its default text");
      }
    } else if (!SameBits(FFFloatFromWord(word), p.defaultValue)) {
      finding.Note(p.name + " starts at " + FormatNumber(FFFloatFromWord(word)) +
                   ", not its default " + FormatNumber(p.defaultValue));
    }
    const FFWord display =
        session.Library().Call(FF_GETPARAMETERDISPLAY, p.index, instance.Id());
    if (display == 0 || host::IsFail(display)) finding.Note(p.name + " has no display text");
  }
  return finding.Text();
}

std::string CheckRoundTrip(const host::PluginSession& session,
                           const host::PluginInstance& instance) {
  Finding finding;
  for (const auto& p : session.Description().parameters) {
    if (p.isText) {
      const std::string text = "ffgl-host check";
      if (!instance.SetText(p.index, text)) {
        finding.Note("setting " + p.name + " was refused");
        continue;
      }
      const FFWord word = instance.Get(p.index);
      if (host::IsFail(word) || host::PluginText(reinterpret_cast<const char*>(word)) != text) {
        finding.Note(p.name + " does not read back the text it was given");
      }
      instance.SetText(p.index, p.defaultText);
      continue;
    }
    for (float value : {0.0f, 0.25f, 0.7f, 1.0f, p.defaultValue}) {
      if (!instance.SetFloat(p.index, value)) {
        finding.Note("setting " + p.name + " to " + FormatNumber(value) + " was refused");
        continue;
      }
      const float back = FFFloatFromWord(instance.Get(p.index));
      if (!SameBits(back, value)) {
        finding.Note(p.name + " set to " + FormatNumber(value) + " reads back " +
                     FormatNumber(back));
      }
    }
  }
  return finding.Text();
}

std::string CheckInputStatus(const host::PluginSession& session,
                             const host::PluginInstance& instance) {
  Finding finding;
  for (FFUInt32 i = 0; i < session.Description().maximumInputs && i < 16; ++i) {
    const FFWord status = session.Library().Call(FF_GETINPUTSTATUS, i, instance.Id());
    if (host::IsFail(status)) finding.Note("input " + std::to_string(i) + " refused");
  }
  return finding.Text();
}

// Frames under a known host state; what changed, what failed, GL errors.
struct FrameRun {
  Finding results;
  Finding state;
  Finding glErrors;
  Finding drawing;
};

void ClearGLErrors() {
  for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
  }
}

void RunFrames(const HeadlessHost& host, const host::HostFramebuffer& target,
               const host::PluginInstance& instance,
               const std::vector<FFGLTextureStruct*>& inputs, const std::string& label,
               bool expectDrawing, FrameRun& run) {
  for (int frame = 0; frame < 3; ++frame) {
    host.PrepareFrameState(target);
    // An unusual colour, so a frame that draws nothing shows.
    target.Clear(0.2f, 0.4f, 0.6f, 0.8f);
    ClearGLErrors();
    const host::GLStateSnapshot before = host::GLStateSnapshot::Capture(host.gl);
    const FFWord result = instance.ProcessFrame(target, inputs);
    const GLenum glError = glGetError();
    const host::GLStateSnapshot after = host::GLStateSnapshot::Capture(host.gl);
    const std::string where = label + ", frame " + std::to_string(frame + 1);
    if (result != FF_SUCCESS) {
      run.results.Note(where + " answered " + std::to_string(result));
    }
    const std::string changed = after.DifferencesFrom(before);
    if (!changed.empty()) run.state.Note(where + ": " + changed);
    if (glError != GL_NO_ERROR) {
      char code[16];
      std::snprintf(code, sizeof code, "0x%04X", glError);
      run.glErrors.Note(where + " left OpenGL error " + code);
    }
    if (expectDrawing && frame == 0) {
      const auto pixels = target.ReadPixels();
      bool drew = false;
      for (std::size_t i = 0; i + 3 < pixels.size() && !drew; i += 4) {
        drew = pixels[i] != 51 || pixels[i + 1] != 102 || pixels[i + 2] != 153 ||
               pixels[i + 3] != 204;
      }
      if (!drew) run.drawing.Note(where + " left the framebuffer untouched");
    }
  }
}

// A picture with structure in both directions, so copies that flip or shift
// it would differ.
host::RgbaImage TestPicture(int width, int height, std::uint8_t tint) {
  host::RgbaImage picture;
  picture.width = width;
  picture.height = height;
  picture.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = &picture.pixels[(static_cast<std::size_t>(y) * width + x) * 4];
      p[0] = static_cast<std::uint8_t>(x * 255 / width);
      p[1] = static_cast<std::uint8_t>(y * 255 / height);
      p[2] = ((x / 8 + y / 8) % 2) != 0 ? tint : 0;
      p[3] = 255;
    }
  }
  return picture;
}

std::string CheckCycles(const HeadlessHost& host, const host::HostFramebuffer& target,
                        int cycles) {
  const host::PluginLibrary& plugin = host.session->Library();
  Finding finding;
  std::string error;
  for (int i = 0; i < cycles; ++i) {
    auto instance = host::PluginInstance::Create(plugin, target.Width(), target.Height(), error);
    if (instance == nullptr) {
      finding.Note("cycle " + std::to_string(i + 1) + ": " + error);
      break;
    }
    host.PrepareFrameState(target);
    if (instance->ProcessFrame(target, {}) != FF_SUCCESS) {
      finding.Note("cycle " + std::to_string(i + 1) + ": the frame failed");
    }
  }
  // Several live at once must be told apart.
  std::vector<std::unique_ptr<host::PluginInstance>> together;
  std::set<FFWord> ids;
  for (int i = 0; i < 4; ++i) {
    together.push_back(
        host::PluginInstance::Create(plugin, target.Width(), target.Height(), error));
    if (together.back() == nullptr) {
      finding.Note("instance " + std::to_string(i + 1) + " of 4 alive together: " + error);
      together.pop_back();
      break;
    }
    if (!ids.insert(together.back()->Id()).second) {
      finding.Note("two live instances share the id " + std::to_string(together.back()->Id()));
    }
  }
  return finding.Text();
}

}  // namespace

int RunValidate(const std::vector<std::string>& words) {
  Arguments arguments(words);
  int cycles = 100;
  std::string value;
  std::string error;
  if (arguments.TakeValue("--cycles", value) &&
      !ParseCount("--cycles", value, 1, 100000, cycles, error)) {
    return UsageError("validate", error);
  }
  const auto positionals = arguments.Positionals();
  if (arguments.HasError()) return UsageError("validate", arguments.Error());
  if (positionals.size() != 1) return UsageError("validate", "expects one PLUGIN file");

  HeadlessHost host;
  if (!host.Start(positionals[0], error)) return Fail(error);
  const host::PluginSession& session = *host.session;
  const host::PluginLibrary& plugin = session.Library();
  const host::PluginDescription& d = session.Description();
  std::printf("Validating %s (%s) on %s\n\n", d.name.c_str(), plugin.Path().c_str(),
              host.context->Description().c_str());

  Checklist checks;
  checks.Record("information record", CheckInformation(plugin));
  checks.Record("extended information record", CheckExtendedInformation(plugin));
  checks.Record("describing codes answered consistently", CheckDescribingCodes(session));
  checks.Record("unknown codes refused", CheckUnknownCodes(plugin));

  host::HostFramebuffer target(host.gl, kFrameWidth, kFrameHeight);
  if (!target.IsComplete()) return Fail("OpenGL cannot make the host framebuffer");
  auto instance = host::PluginInstance::Create(plugin, kFrameWidth, kFrameHeight, error);
  checks.Record("instance created", instance == nullptr ? error : "");
  if (instance == nullptr) return checks.Summary();

  checks.Record("fresh instance starts at the defaults", CheckFreshInstance(session, *instance));
  checks.Record("parameters round-trip", CheckRoundTrip(session, *instance));
  checks.Record("input status answered", CheckInputStatus(session, *instance));
  if (d.supportsHostTime) {
    checks.Record("host time accepted", instance->SetTime(1.5) ? "" : "FF_SETTIME refused");
  }

  FrameRun withoutInputs;
  RunFrames(host, target, *instance, {}, "no inputs", d.type == FF_SOURCE, withoutInputs);
  checks.Record("frames without inputs",
                withoutInputs.results.Text().empty() ? withoutInputs.drawing.Text()
                                                     : withoutInputs.results.Text());

  // The host's textures: smaller than their power-of-two allocation, as in
  // hosts that keep such textures.
  FrameRun withInputs;
  std::vector<std::unique_ptr<host::InputTexture>> textures;
  if (d.maximumInputs > 0) {
    std::vector<FFGLTextureStruct*> records;
    for (FFUInt32 i = 0; i < d.maximumInputs && i < 4; ++i) {
      textures.push_back(std::make_unique<host::InputTexture>(
          TestPicture(kFrameWidth - 40 * static_cast<int>(i), kFrameHeight - 20,
                      static_cast<std::uint8_t>(255 - 60 * i))));
      records.push_back(textures.back()->Record());
    }
    RunFrames(host, target, *instance, records, "all inputs", false, withInputs);
    std::vector<FFGLTextureStruct*> gaps = records;
    gaps[0] = nullptr;
    RunFrames(host, target, *instance, gaps, "first input missing", false, withInputs);
    RunFrames(host, target, *instance, {records[0]}, "one input", false, withInputs);
    checks.Record("frames with inputs", withInputs.results.Text());
  }

  Finding state;
  for (const FrameRun* run : {&withoutInputs, &withInputs}) {
    if (!run->state.Text().empty()) state.Note(run->state.Text());
  }
  checks.Record("host GL state kept", state.Text());
  Finding glErrors;
  for (const FrameRun* run : {&withoutInputs, &withInputs}) {
    if (!run->glErrors.Text().empty()) glErrors.Note(run->glErrors.Text());
  }
  checks.Record("no OpenGL errors", glErrors.Text());

  instance.reset();
  textures.clear();
  checks.Record("instances created and destroyed " + std::to_string(cycles) + " times",
                CheckCycles(host, target, cycles));

  const bool deinitialised = !host::IsFail(plugin.Call(FF_DEINITIALISE));
  const bool reinitialised = !host::IsFail(plugin.Call(FF_INITIALISE));
  checks.Record("initialise again after deinitialise",
                !deinitialised ? "FF_DEINITIALISE refused"
                               : (!reinitialised ? "FF_INITIALISE refused the second time" : ""));
  return checks.Summary();
}

}  // namespace cli
