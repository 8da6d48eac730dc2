#include "host/cli/TextTable.h"

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>

namespace cli {

namespace {

// Characters on the screen: UTF-8 sequences counted once.
std::size_t Width(const std::string& utf8) {
  std::size_t width = 0;
  for (unsigned char c : utf8) width += (c & 0xC0) != 0x80 ? 1 : 0;
  return width;
}

bool IsUtf8(const std::string& bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    std::size_t length = c < 0x80 ? 1 : (c >= 0xC2 && c < 0xE0) ? 2 : (c >= 0xE0 && c < 0xF0) ? 3
                         : (c >= 0xF0 && c < 0xF5) ? 4 : 0;
    if (length == 0 || i + length > bytes.size()) return false;
    std::uint32_t point = length == 1 ? c : c & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      point = (point << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and points past Unicode are not UTF-8.
    const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < least[length] || point > 0x10FFFF || (point >= 0xD800 && point < 0xE000)) {
      return false;
    }
    i += length;
  }
  return true;
}

// The escape for a control character (C0, DEL, C1), or "" for any other.
std::string ControlEscape(std::uint32_t point, bool json) {
  char text[8] = "";
  if (json) {
    if (point < 0x20 || (point >= 0x7F && point < 0xA0)) {
      std::snprintf(text, sizeof text, "\\u%04x", static_cast<unsigned>(point));
    }
  } else if (point < 0x20 || point == 0x7F) {
    std::snprintf(text, sizeof text, "\\x%02X", static_cast<unsigned>(point));
  } else if (point >= 0x80 && point < 0xA0) {
    std::snprintf(text, sizeof text, "\\u%04X", static_cast<unsigned>(point));
  }
  return text;
}

// Utf8Text with each control character replaced by its escape.
std::string EscapeControls(const std::string& bytes, bool json) {
  const std::string utf8 = Utf8Text(bytes);
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    std::uint32_t point = c;
    if (c == 0xC2 && i + 1 < utf8.size()) point = static_cast<unsigned char>(utf8[i + 1]);
    const std::string escape = (c < 0x80 || c == 0xC2) ? ControlEscape(point, json) : "";
    if (escape.empty()) {
      out += static_cast<char>(c);
    } else {
      out += escape;
      if (c == 0xC2) ++i;
    }
  }
  return out;
}

}  // namespace

std::string TextTable::Render(const std::string& indent) const {
  std::vector<std::vector<std::string>> shown;
  std::vector<std::size_t> widths;
  for (const auto& row : rows_) {
    shown.emplace_back();
    if (widths.size() < row.size()) widths.resize(row.size(), 0);
    for (std::size_t c = 0; c < row.size(); ++c) {
      shown.back().push_back(ShownText(row[c]));
      widths[c] = std::max(widths[c], Width(shown.back().back()));
    }
  }
  std::string out;
  for (const auto& row : shown) {
    std::string line = indent;
    for (std::size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line += std::string(widths[c] - Width(row[c]) + 2, ' ');
    }
    out += line + "\n";
  }
  return out;
}

std::string Utf8Text(const std::string& bytes) {
  if (IsUtf8(bytes)) return bytes;
  std::string out;
  for (unsigned char c : bytes) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string ShownText(const std::string& bytes) { return EscapeControls(bytes, false); }

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
  std::string quoted;
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return "\"" + EscapeControls(quoted, true) + "\"";
}

std::string JsonNumber(float value) {
  return std::isfinite(value) ? FormatNumber(value) : std::string("null");
}

}  // namespace cli
