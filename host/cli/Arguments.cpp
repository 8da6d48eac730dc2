#include "host/cli/Arguments.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace cli {

bool Arguments::TakeFlag(const std::string& name) {
  bool found = false;
  for (auto it = words_.begin(); it != words_.end();) {
    if (*it == name) {
      it = words_.erase(it);
      found = true;
    } else {
      ++it;
    }
  }
  return found;
}

bool Arguments::TakeValue(const std::string& name, std::string& value) {
  const auto values = TakeValues(name);
  if (values.empty()) return false;
  value = values.back();
  return true;
}

std::vector<std::string> Arguments::TakeValues(const std::string& name) {
  std::vector<std::string> values;
  for (std::size_t i = 0; i < words_.size();) {
    const std::string& word = words_[i];
    if (word == name) {
      if (i + 1 >= words_.size()) {
        if (error_.empty()) error_ = "option " + name + " needs a value";
        words_.erase(words_.begin() + static_cast<std::ptrdiff_t>(i));
        continue;
      }
      values.push_back(words_[i + 1]);
      words_.erase(words_.begin() + static_cast<std::ptrdiff_t>(i),
                   words_.begin() + static_cast<std::ptrdiff_t>(i + 2));
    } else if (word.size() > name.size() + 1 && word.compare(0, name.size(), name) == 0 &&
               word[name.size()] == '=' && name.size() > 2) {
      values.push_back(word.substr(name.size() + 1));
      words_.erase(words_.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
  return values;
}

std::vector<std::string> Arguments::Positionals() {
  std::vector<std::string> positionals;
  for (const auto& word : words_) {
    if (word.size() > 1 && word[0] == '-') {
      if (error_.empty()) error_ = "unknown option " + word;
      continue;
    }
    positionals.push_back(word);
  }
  return positionals;
}

bool Arguments::TakePlugin(std::string& plugin, std::string& error) {
  const auto positionals = Positionals();
  if (HasError()) {
    error = error_;
    return false;
  }
  if (positionals.size() != 1) {
    error = "expects one PLUGIN file";
    return false;
  }
  plugin = positionals[0];
  return true;
}

bool ParseSize(const std::string& option, const std::string& text, int& width, int& height,
               std::string& error) {
  const auto x = text.find_first_of("xX");
  int w = 0;
  int h = 0;
  std::string ignored;
  if (x == std::string::npos || !ParseCount(option, text.substr(0, x), 1, 16384, w, ignored) ||
      !ParseCount(option, text.substr(x + 1), 1, 16384, h, ignored)) {
    error = option + " wants WIDTHxHEIGHT between 1x1 and 16384x16384, not '" + text + "'";
    return false;
  }
  width = w;
  height = h;
  return true;
}

bool ParseCount(const std::string& option, const std::string& text, int minimum, int maximum,
                int& value, std::string& error) {
  bool digits = !text.empty() && text.size() <= 9;
  for (char c : text) digits = digits && c >= '0' && c <= '9';
  const long parsed = digits ? std::strtol(text.c_str(), nullptr, 10) : -1;
  if (!digits || parsed < minimum || parsed > maximum) {
    error = option + " wants a whole number from " + std::to_string(minimum) + " to " +
            std::to_string(maximum) + ", not '" + text + "'";
    return false;
  }
  value = static_cast<int>(parsed);
  return true;
}

bool ParsePositiveNumber(const std::string& option, const std::string& text, double& value,
                         std::string& error) {
  char* end = nullptr;
  errno = 0;
  const double parsed = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(parsed) || parsed <= 0.0 ||
      parsed > 1000.0) {
    error = option + " wants a number above 0 and at most 1000, not '" + text + "'";
    return false;
  }
  value = parsed;
  return true;
}

bool ParseNonNegativeNumber(const std::string& option, const std::string& text, double& value,
                            std::string& error) {
  char* end = nullptr;
  errno = 0;
  const double parsed = std::strtod(text.c_str(), &end);
  // A day of animation is plenty, and keeps nanosecond sums exact.
  if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(parsed) || parsed < 0.0 ||
      parsed > 86400.0) {
    error = option + " wants a number of seconds from 0 to 86400, not '" + text + "'";
    return false;
  }
  value = parsed;
  return true;
}

}  // namespace cli
