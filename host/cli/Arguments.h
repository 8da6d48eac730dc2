// The command line of one subcommand: options are taken out by name, what
// is left must be the expected positional arguments. Every mistake becomes
// a one-line message for the user.
#pragma once

#include <string>
#include <vector>

namespace cli {

class Arguments {
 public:
  explicit Arguments(std::vector<std::string> words) : words_(std::move(words)) {}

  // True (and removed) when `name` is present.
  bool TakeFlag(const std::string& name);
  // The value after the last `name` (or in "name=value" form); false when
  // absent. A `name` without a value sets `error_`.
  bool TakeValue(const std::string& name, std::string& value);
  // Every value of a repeatable option, in order.
  std::vector<std::string> TakeValues(const std::string& name);
  // The remaining words; any still starting with '-' is an unknown option.
  std::vector<std::string> Positionals();
  // The one remaining word, the PLUGIN file; false with the first unknown
  // option, or when there is not exactly one.
  bool TakePlugin(std::string& plugin, std::string& error);

  bool HasError() const { return !error_.empty(); }

 private:
  std::vector<std::string> words_;
  std::string error_;
};

// Parsers for option values; false with a message naming the option.
bool ParseSize(const std::string& option, const std::string& text, int& width, int& height,
               std::string& error);
bool ParseCount(const std::string& option, const std::string& text, int minimum, int maximum,
                int& value, std::string& error);
bool ParsePositiveNumber(const std::string& option, const std::string& text, double& value,
                         std::string& error);
bool ParseNonNegativeNumber(const std::string& option, const std::string& text, double& value,
                            std::string& error);

}  // namespace cli
