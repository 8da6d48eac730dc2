#include "tools/pack/IsfHeader.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr int kMaximumDepth = 32;  // deeper headers are no ISF and would cost stack

struct TooDeep {};

std::size_t HeaderStart(const std::string& text) {
  std::size_t i = 0;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) i = 3;  // a byte-order mark
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  return i;
}

void LineAndColumn(const std::string& text, std::size_t offset, int& line, int& column) {
  offset = std::min(offset, text.size());
  line = LineAt(text, offset);
  const std::size_t lineStart = text.rfind('\n', offset == 0 ? 0 : offset - 1);
  const std::size_t first = lineStart == std::string::npos || offset == 0 ? 0 : lineStart + 1;
  column = static_cast<int>(offset - first) + 1;
}

}  // namespace

int LineAt(const std::string& text, std::size_t offset) {
  offset = std::min(offset, text.size());
  return static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(offset), '\n')) +
         1;
}

bool IsIsfText(const std::string& text) {
  const std::size_t start = HeaderStart(text);
  if (text.compare(start, 2, "/*") != 0) return false;
  std::size_t i = start + 2;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  return i < text.size() && text[i] == '{';
}

bool ParseIsfHeader(const std::string& text, const std::string& path, IsfHeader& header,
                    std::string& error) {
  const std::size_t open = HeaderStart(text) + 2;
  const std::size_t close = text.find("*/", open);
  const auto fail = [&](std::size_t offset, const std::string& what) {
    int line = 0, column = 0;
    LineAndColumn(text, offset, line, column);
    error = path + ":" + std::to_string(line) + ":" + std::to_string(column) +
            ": error: ISF header: " + what;
    return false;
  };
  if (close == std::string::npos) return fail(open - 2, "the comment that holds it is not closed");
  const std::string json = text.substr(open, close - open);
  try {
    header.object = nlohmann::json::parse(
        json, [](int depth, nlohmann::json::parse_event_t, nlohmann::json&) {
          if (depth > kMaximumDepth) throw TooDeep{};
          return true;
        });
  } catch (const nlohmann::json::parse_error& e) {
    // The library's text repeats a position of its own; keep its reason.
    std::string what = e.what();
    const std::size_t colon = what.find(": ", what.find("parse error"));
    what = colon == std::string::npos ? what : what.substr(colon + 2);
    const std::size_t byte = e.byte == 0 ? 0 : e.byte - 1;
    return fail(open + std::min(byte, json.size()), what);
  } catch (const TooDeep&) {
    return fail(open, "nested deeper than " + std::to_string(kMaximumDepth) + " levels");
  }
  if (!header.object.is_object()) return fail(open, "the JSON is not an object ({ ... })");
  header.end = close + 2;
  const auto version = header.object.find("ISFVSN");
  header.version = 2;
  if (version == header.object.end()) {
    header.version = 1;
  } else if (version->is_string()) {
    const std::string v = version->get<std::string>();
    if (v.empty() || v[0] != '2') header.version = v.compare(0, 1, "1") == 0 ? 1 : 2;
  }
  return true;
}
