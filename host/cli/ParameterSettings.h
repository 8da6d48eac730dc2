// --set NAME=VALUE (or INDEX=VALUE, as `info` numbers the parameters, for
// plugins whose names repeat), shared by render, bench and play. Each is
// read into (parameter index, value) once, with any usage mistake said
// there; applying it to an instance only sets.
#pragma once

#include <string>
#include <vector>

#include "host/loader/PluginSession.h"

namespace cli {

// A --set as typed.
struct Setting {
  std::string key;  // a name, or a whole number for an index
  std::string value;
};

// A --set resolved against the plugin: which parameter, and its value.
struct ResolvedSetting {
  FFUInt32 index = 0;
  bool isText = false;
  float number = 0.0f;     // numeric parameters
  std::string text;        // the value as typed (a text parameter's value)
  std::string shownName;   // the parameter's name as messages show it
};

// The form of each --set, before any plugin is loaded; false with the
// usage message.
bool ParseSettings(const std::vector<std::string>& words, std::vector<Setting>& settings,
                   std::string& error);

// Each setting's parameter and value: false with the usage message when one
// names no parameter of the plugin or gives a numeric one anything but a
// finite number.
bool ResolveSettings(const host::PluginDescription& description,
                     const std::vector<Setting>& settings, std::vector<ResolvedSetting>& resolved,
                     std::string& error);

// Sets each value on the instance; false with a one-line reason when the
// plugin refuses one.
bool ApplySettings(const host::PluginInstance& instance,
                   const std::vector<ResolvedSetting>& settings, std::string& error);

}  // namespace cli
