#include "host/cli/TextTable.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace cli {

std::string TextTable::Render(const std::string& indent) const {
  std::vector<std::size_t> widths;
  for (const auto& row : rows_) {
    if (widths.size() < row.size()) widths.resize(row.size(), 0);
    for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
  }
  std::string out;
  for (const auto& row : rows_) {
    std::string line = indent;
    for (std::size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line += std::string(widths[c] - row[c].size() + 2, ' ');
    }
    out += line + "\n";
  }
  return out;
}

std::string FormatNumber(float value) {
  char text[32];
  for (int precision = 1; precision <= 9; ++precision) {
    std::snprintf(text, sizeof text, "%.*g", precision, static_cast<double>(value));
    if (std::strtof(text, nullptr) == value) break;
  }
  return text;
}

std::string FormatMilliseconds(double milliseconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", milliseconds);
  return text;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string JsonNumber(float value) {
  return std::isfinite(value) ? FormatNumber(value) : std::string("null");
}

}  // namespace cli
