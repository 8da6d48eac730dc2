#include "effect/FragmentPreparation.h"

#include <algorithm>
#include <regex>

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

// Blanks a Sandbox text's "varying vec2 surfacePosition;" (the plugin
// computes it); true when there was one.
bool TakeSurfaceVarying(std::string& text) {
  static const std::regex declaration(
      R"(varying\s+((highp|mediump|lowp)\s+)?vec2\s+surfacePosition\s*;)");
  std::smatch match;
  if (!std::regex_search(text, match, declaration)) return false;
  const auto begin = text.begin() + match.position(0);
  std::replace_if(begin, begin + match.length(0), [](char c) { return c != '\n'; }, ' ');
  return true;
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
