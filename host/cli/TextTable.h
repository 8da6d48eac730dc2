// Aligned text tables and the small formatting helpers the reports share.
#pragma once

#include <string>
#include <vector>

namespace cli {

class TextTable {
 public:
  void Add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
  // Columns padded to their widest cell, two spaces apart, each line
  // starting with `indent`; every cell shown as ShownText gives it.
  std::string Render(const std::string& indent = "") const;

 private:
  std::vector<std::vector<std::string>> rows_;
};

// Shortest text that reads back as the same float ("0.1", not "0.100000001").
std::string FormatNumber(float value);
std::string FormatMilliseconds(double milliseconds);
// A plugin's text, bytes in an unknown 8-bit code page, as UTF-8: valid
// UTF-8 passes through, anything else is read as Latin-1.
std::string Utf8Text(const std::string& bytes);
// Utf8Text with control characters written as escapes ("\x1B", "\u0085"),
// for tables and messages.
std::string ShownText(const std::string& bytes);
// A JSON string of Utf8Text(text), every control character escaped.
std::string JsonString(const std::string& text);
// A JSON number, or null for NaN and infinities (which JSON cannot carry).
std::string JsonNumber(float value);

}  // namespace cli
