#include "host/cli/ParameterSettings.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
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
  if (known.empty()) known = "none";
  std::string inputs;
  for (const auto& input : d.namedInputs) inputs += (inputs.empty() ? "" : ", ") + input.name;
  return inputs.empty() ? known : known + "; shader inputs " + inputs;
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

std::string FormatNumber(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
  return text;
}

// The comma-separated numbers of a shader input's value.
std::vector<float> Numbers(const std::string& text) {
  std::vector<float> numbers;
  std::size_t at = 0;
  while (at <= text.size()) {
    const std::size_t comma = std::min(text.find(',', at), text.size());
    const std::string word = text.substr(at, comma - at);
    char* end = nullptr;
    const float value = std::strtof(word.c_str(), &end);
    if (word.empty() || *end != '\0' || !std::isfinite(value)) return {};
    numbers.push_back(value);
    at = comma + 1;
  }
  return numbers;
}

const host::NamedInput* FindInput(const host::PluginDescription& d, const std::string& key,
                                  bool ignoreCase) {
  for (const auto& input : d.namedInputs) {
    if (input.name == key || (ignoreCase && Lower(input.name) == Lower(key))) return &input;
  }
  return nullptr;
}

// A shader input's value in the shader's own terms, turned into the 0..1
// values of the parameters it feeds; false with the usage message.
bool ResolveInput(const host::PluginDescription& d, const host::NamedInput& input,
                  const Setting& setting, std::vector<ResolvedSetting>& resolved,
                  std::string& error) {
  using Kind = host::NamedInput::Kind;
  std::vector<float> fractions;
  const std::vector<float> numbers = Numbers(setting.value);
  const std::string what = "shader input '" + input.name + "'";
  if (input.kind == Kind::kSwitch) {
    const std::string v = Lower(setting.value);
    if (v != "true" && v != "false" && v != "1" && v != "0") {
      error = what + " wants true or false, not '" + setting.value + "'";
      return false;
    }
    fractions = {v == "true" || v == "1" ? 1.0f : 0.0f};
  } else if (input.kind == Kind::kSteps) {
    const std::size_t count = input.values.size();
    std::size_t step = count;
    for (std::size_t i = 0; i < count; ++i) {
      const bool named = i < input.labels.size() && Lower(input.labels[i]) == Lower(setting.value);
      if (named || (numbers.size() == 1 && float(input.values[i]) == numbers[0])) step = i;
    }
    if (step == count) {
      std::string known;
      for (std::size_t i = 0; i < count; ++i) {
        known += (known.empty() ? "" : ", ") +
                 (i < input.labels.size() ? input.labels[i] + " (" : std::string()) +
                 std::to_string(input.values[i]) + (i < input.labels.size() ? ")" : "");
      }
      error = what + " takes one of: " + known;
      return false;
    }
    fractions = {count < 2 ? 0.0f : float(step) / float(count - 1)};
  } else {
    // A colour may leave out its alpha.
    const bool colour = input.components == 4 && numbers.size() == 3;
    if (numbers.size() != input.components && !colour) {
      error = what + " wants " + std::to_string(input.components) +
              " comma-separated number(s), not '" + setting.value + "'";
      return false;
    }
    for (std::size_t c = 0; c < numbers.size(); ++c) {
      const bool fraction = input.kind == Kind::kFrameFraction;
      const float low = fraction ? 0.0f : std::min(input.minimum[c], input.maximum[c]);
      const float high = fraction ? 1.0f : std::max(input.minimum[c], input.maximum[c]);
      if (numbers[c] < low || numbers[c] > high) {
        error = what + " takes " + FormatNumber(low) + " to " + FormatNumber(high) +
                (numbers.size() > 1 ? " in each component" : "") + ", not '" + setting.value + "'";
        return false;
      }
      const float span = input.maximum[c] - input.minimum[c];
      fractions.push_back(fraction || span == 0.0f ? numbers[c]
                                                   : (numbers[c] - input.minimum[c]) / span);
    }
  }
  for (std::size_t c = 0; c < fractions.size(); ++c) {
    const host::ParameterDescription& p = d.parameters[input.parameter + c];
    ResolvedSetting one;
    one.index = p.index;
    one.number = fractions[c];
    one.text = setting.value;
    one.shownName = ShownText(p.name);
    resolved.push_back(std::move(one));
  }
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
    // A shader input's own NAME first (its value in the shader's terms),
    // then the parameters' names, then the inputs' names in any case.
    const host::NamedInput* input = FindInput(description, setting.key, false);
    const host::ParameterDescription* p =
        input == nullptr ? Find(description, setting.key) : nullptr;
    if (input == nullptr && p == nullptr) input = FindInput(description, setting.key, true);
    if (input != nullptr) {
      if (!ResolveInput(description, *input, setting, resolved, error)) return false;
      continue;
    }
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
