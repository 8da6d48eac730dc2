// validate's checks of what a plugin describes and its parameters.
#include <cstring>
#include <set>

#include "host/cli/TextTable.h"
#include "host/loader/TypeNames.h"
#include "host/cli/ValidateChecks.h"
#include "host/loader/PluginMemory.h"

namespace cli {
namespace {

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

std::string CheckInformation(const host::PluginLibrary& plugin) {
  PluginInfoStruct records[2]{};
  if (!host::CopyPluginRecord(plugin.Call(FF_GETINFO), records[0])) return "no readable record";
  if (!host::CopyPluginRecord(plugin.Call(FF_GETINFO), records[1])) {
    return "a second FF_GETINFO gives no readable record";
  }
  const PluginInfoStruct* first = &records[0];
  if (std::memcmp(first, &records[1], sizeof *first) != 0) {
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
    if (!host::IsKnownParameterType(p.type)) {
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
    if (host::IsFail(word)) {
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

}  // namespace cli
