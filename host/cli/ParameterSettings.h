// --set NAME=VALUE (or INDEX=VALUE, as `info` numbers the parameters, for
// plugins whose names repeat), shared by render and bench.
#pragma once

#include <string>
#include <vector>

#include "host/loader/PluginSession.h"

namespace cli {

struct Setting {
  std::string key;  // a name, or a whole number for an index
  std::string value;
};

// The form of each --set, before any plugin is loaded; false with the
// usage message.
bool ParseSettings(const std::vector<std::string>& words, std::vector<Setting>& settings,
                   std::string& error);

// Whether every setting names a parameter of the plugin and, for numeric
// ones, gives a finite number; false with the usage message.
bool CheckSettings(const host::PluginSession& session, const std::vector<Setting>& settings,
                   std::string& error);

// Applies each setting to the instance. False with a one-line reason, and
// `usage` true when the mistake is in the request (unknown parameter, a
// value that is not a finite number), false when the plugin refused.
bool ApplySettings(const host::PluginSession& session, const host::PluginInstance& instance,
                   const std::vector<Setting>& settings, std::string& error, bool& usage);

}  // namespace cli
