// Aligned text tables and the small formatting helpers the reports share.
#pragma once

#include <string>
#include <vector>

namespace cli {

class TextTable {
 public:
  void Add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
  // Columns padded to their widest cell, two spaces apart, each line
  // starting with `indent`.
  std::string Render(const std::string& indent = "") const;

 private:
  std::vector<std::vector<std::string>> rows_;
};

// Shortest text that reads back as the same float ("0.1", not "0.100000001").
std::string FormatNumber(float value);
std::string FormatMilliseconds(double milliseconds);
std::string JsonString(const std::string& text);
// A JSON number, or null for NaN and infinities (which JSON cannot carry).
std::string JsonNumber(float value);

}  // namespace cli
