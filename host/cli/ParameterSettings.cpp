#include "host/cli/ParameterSettings.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "host/cli/TextTable.h"

namespace cli {
namespace {

bool IsIndex(const std::string& key) {
  return !key.empty() && key.size() <= 9 &&
         std::all_of(key.begin(), key.end(), [](unsigned char c) { return std::isdigit(c); });
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// By index; else by name, exactly, then ignoring case; a plugin's name is
// also found by its UTF-8 form (a Latin-1 "Café" typed on a UTF-8 terminal).
const host::ParameterDescription* Find(const host::PluginDescription& d, const std::string& key) {
  if (IsIndex(key)) {
    const unsigned long index = std::strtoul(key.c_str(), nullptr, 10);
    return index < d.parameters.size() ? &d.parameters[index] : nullptr;
  }
  for (const auto& p : d.parameters) {
    if (p.name == key || Utf8Text(p.name) == key) return &p;
  }
  for (const auto& p : d.parameters) {
    if (Lower(Utf8Text(p.name)) == Lower(key)) return &p;
  }
  return nullptr;
}

std::string Known(const host::PluginDescription& d) {
  std::string known;
  for (const auto& p : d.parameters) {
    known += (known.empty() ? "" : ", ") + std::to_string(p.index) + " " + ShownText(p.name);
  }
  return known.empty() ? std::string("none") : known;
}

// A finite float; false with the reason.
bool ParseNumber(const host::ParameterDescription& p, const std::string& text, float& value,
                 std::string& error) {
  char* end = nullptr;
  errno = 0;
  const float parsed = std::strtof(text.c_str(), &end);
  const std::string name = "parameter '" + ShownText(p.name) + "'";
  if (text.empty() || *end != '\0') {
    error = name + " wants a number, not '" + text + "'";
    return false;
  }
  if (!std::isfinite(parsed)) {
    error = name + " wants a finite number; '" + text + "' is " +
            (std::isnan(parsed) ? "not a number" : "out of range");
    return false;
  }
  value = parsed;
  return true;
}

}  // namespace

bool ParseSettings(const std::vector<std::string>& words, std::vector<Setting>& settings,
                   std::string& error) {
  for (const auto& word : words) {
    const auto equals = word.find('=');
    if (equals == std::string::npos || equals == 0) {
      error = "--set wants NAME=VALUE or INDEX=VALUE, not '" + word + "'";
      return false;
    }
    settings.push_back({word.substr(0, equals), word.substr(equals + 1)});
  }
  return true;
}

bool ResolveSettings(const host::PluginDescription& description,
                     const std::vector<Setting>& settings, std::vector<ResolvedSetting>& resolved,
                     std::string& error) {
  for (const auto& setting : settings) {
    const host::ParameterDescription* p = Find(description, setting.key);
    if (p == nullptr) {
      error = std::string(IsIndex(setting.key) ? "no parameter has index " : "unknown parameter ") +
              "'" + setting.key + "' (the plugin has: " + Known(description) + ")";
      return false;
    }
    ResolvedSetting one;
    one.index = p->index;
    one.isText = p->isText;
    one.text = setting.value;
    one.shownName = ShownText(p->name);
    if (!p->isText && !ParseNumber(*p, setting.value, one.number, error)) return false;
    resolved.push_back(std::move(one));
  }
  return true;
}

bool ApplySettings(const host::PluginInstance& instance,
                   const std::vector<ResolvedSetting>& settings, std::string& error) {
  for (const auto& setting : settings) {
    const bool accepted = setting.isText ? instance.SetText(setting.index, setting.text)
                                         : instance.SetFloat(setting.index, setting.number);
    if (!accepted) {
      error = "the plugin refused " + setting.shownName + "=" + setting.text;
      return false;
    }
  }
  return true;
}

}  // namespace cli
