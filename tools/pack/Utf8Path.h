// Paths are kept as UTF-8 text; this turns one into a path the standard
// library opens correctly on every platform (wide names on Windows).
#pragma once

#include <filesystem>
#include <string>

inline std::filesystem::path Utf8Path(const std::string& text) {
  return std::filesystem::u8path(text);
}

inline std::string PathText(const std::filesystem::path& path) {
  const auto text = path.u8string();
  return std::string(text.begin(), text.end());
}
