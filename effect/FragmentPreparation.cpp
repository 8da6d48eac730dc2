#include "effect/FragmentPreparation.h"

#include <algorithm>
#include <string>

#include "effect/ShaderTexts.h"

bool NeedsUniformHeader(const std::string& text) {
  return text.find("uniform float time;") == std::string::npos;
}

bool NeedsMainWrapper(const std::string& text) {
  return NeedsUniformHeader(text) && text.find("void mainImage") != std::string::npos;
}

void PrepareFragmentText(std::string& text) {
  if (!NeedsUniformHeader(text)) return;
  std::string converted = shader_texts::UniformHeader;
  converted += shader_texts::InputColourDeclaration;
  converted += text;
  if (NeedsMainWrapper(text)) converted += shader_texts::MainImageWrapper;
  text.swap(converted);
}

namespace {

// Takes the text's own "#version" line out, leaving its line break, and
// gives it; empty when there is none.
std::string TakeVersionLine(std::string& text) {
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::size_t first = text.find_first_not_of(" \t", start);
    if (first < end && text.compare(first, 8, "#version") == 0) {
      std::string line = text.substr(first, end - first);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      text.erase(start, end - start);
      return line;
    }
    start = end + 1;
  }
  return {};
}

bool IsIdentifierCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Blanks a Sandbox text's "varying vec2 surfacePosition;" (the plugin
// computes it), precision optional, line breaks kept; true when there was
// one. A plain scan: the plugin carries no regular-expression engine.
bool TakeSurfaceVarying(std::string& text) {
  const std::size_t n = text.size();
  for (std::size_t at = text.find("varying"); at != std::string::npos;
       at = text.find("varying", at + 1)) {
    if (at > 0 && IsIdentifierCharacter(text[at - 1])) continue;
    std::size_t p = at + 7;
    const auto space = [&text, &p, n] {
      const std::size_t from = p;
      while (p < n && (text[p] == ' ' || text[p] == '\t' || text[p] == '\n' || text[p] == '\r' ||
                       text[p] == '\f' || text[p] == '\v')) {
        ++p;
      }
      return p > from;
    };
    const auto word = [&text, &p, n](const char* w) {
      const std::size_t length = std::char_traits<char>::length(w);
      if (text.compare(p, length, w) != 0) return false;
      if (p + length < n && IsIdentifierCharacter(text[p + length])) return false;
      p += length;
      return true;
    };
    if (!space()) continue;
    if ((word("highp") || word("mediump") || word("lowp")) && !space()) continue;
    if (!word("vec2") || !space() || !word("surfacePosition")) continue;
    space();
    if (p >= n || text[p] != ';') continue;
    std::replace_if(text.begin() + static_cast<std::ptrdiff_t>(at),
                    text.begin() + static_cast<std::ptrdiff_t>(p) + 1,
                    [](char c) { return c != '\n'; }, ' ');
    return true;
  }
  return false;
}

}  // namespace

bool HasVersionLine(const std::string& text) {
  std::string copy = text;
  return !TakeVersionLine(copy).empty();
}

int PrepareFragmentText(std::string& text, const FragmentOptions& options) {
  if (!options.siteConventions && !options.opaque && options.versionLine.empty()) {
    const std::size_t before = text.size();
    PrepareFragmentText(text);
    if (text.size() == before) return 0;
    const std::string header =
        std::string(shader_texts::UniformHeader) + shader_texts::InputColourDeclaration;
    return static_cast<int>(std::count(header.begin(), header.end(), '\n'));
  }
  std::string own = text;
  std::string front = TakeVersionLine(own);
  if (front.empty()) front = options.versionLine;
  if (!front.empty()) front += '\n';
  std::string back;
  const bool mainImage = NeedsUniformHeader(own);
  if (mainImage) {
    front += options.siteConventions ? shader_texts::SiteUniformHeader
                                     : shader_texts::UniformHeader;
    front += shader_texts::InputColourDeclaration;
    if (NeedsMainWrapper(own)) {
      back = options.opaque ? shader_texts::OpaqueMainImageWrapper
                            : shader_texts::MainImageWrapper;
    } else if (options.opaque) {
      front += shader_texts::RenamedMain;
      back = shader_texts::OpaqueMainWrapper;
    }
  } else {
    if (options.siteConventions && TakeSurfaceVarying(own)) {
      front += shader_texts::SurfaceDeclaration;
    }
    if (options.opaque) {
      front += shader_texts::RenamedMain;
      back = shader_texts::OpaqueMainWrapper;
    }
  }
  // The closing text may start with a directive, which needs a line of its own.
  if (!back.empty() && !own.empty() && own.back() != '\n') own += '\n';
  text = front + own + back;
  return static_cast<int>(std::count(front.begin(), front.end(), '\n'));
}
