#include "tools/pack/ShaderSource.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <regex>

#include "effect/DescriptionFormat.h"
#include "effect/FragmentPreparation.h"
#include "effect/ShaderTexts.h"
#include "tools/pack/Utf8Path.h"

namespace {

int CountLines(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

std::string WithoutComments(const std::string& text) {
  std::string code = text;
  for (std::size_t i = 0; i + 1 < code.size(); ++i) {
    if (code[i] == '/' && code[i + 1] == '/') {
      for (; i < code.size() && code[i] != '\n'; ++i) code[i] = ' ';
    } else if (code[i] == '/' && code[i + 1] == '*') {
      const std::size_t end = code.find("*/", i + 2);
      const std::size_t stop = end == std::string::npos ? code.size() : end + 2;
      for (; i < stop; ++i) {
        if (code[i] != '\n') code[i] = ' ';
      }
      --i;
    }
  }
  return code;
}

namespace {

// The 1-based line of the first match of `pattern` in `code`, 0 for none.
int FirstLine(const std::string& code, const std::regex& pattern) {
  std::smatch match;
  if (!std::regex_search(code, match, pattern)) return 0;
  return CountLines(code.substr(0, static_cast<std::size_t>(match.position(0)))) + 1;
}

}  // namespace

bool LoadShaderSource(const std::string& path, ShaderSource& source, std::string& error) {
  source.shownPath = path;
  std::ifstream file(Utf8Path(path), std::ios::binary);
  if (!file) {
    error = path + ": error: cannot read the file";
    return false;
  }
  source.text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  if (file.bad()) {
    error = path + ": error: cannot read the file";
    return false;
  }
  if (source.text.size() > description_format::kMaximumProgramLength - 64) {
    error = path + ": error: the file is larger than a plugin's program may be (1 MiB)";
    return false;
  }
  if (source.text.find('\0') != std::string::npos) {
    error = path + ": error: the file holds NUL bytes; it is not a shader text";
    return false;
  }

  const std::string code = WithoutComments(source.text);
  const bool mainImageStyle = NeedsUniformHeader(source.text);
  const auto names = [&code](const std::string& name) {
    return FirstLine(code, std::regex(R"((^|[^A-Za-z0-9_]))" + name + R"(([^A-Za-z0-9_]|$))")) > 0;
  };
  source.carried = source.text;
  if (mainImageStyle && names("iTime")) source.carried = "#define iTime iGlobalTime\n" + source.text;
  for (int i = 0; i < 4; ++i) source.usesChannel[i] = names("iChannel" + std::to_string(i));
  source.usesMouse = mainImageStyle && names("iMouse");
  source.ownVersion = HasVersionLine(source.text);
  source.options.siteConventions = true;
  PrepareSource(source);
  source.userLines = CountLines(source.text) +
                     (source.text.empty() || source.text.back() == '\n' ? 0 : 1);
  const int mainImageLine = FirstLine(code, std::regex(R"(void\s+mainImage)"));
  source.mainImageLine = mainImageLine > 0 ? mainImageLine : 1;
  source.mainAdded = NeedsMainWrapper(source.carried);
  source.samplesNamedTexture =
      FirstLine(code, std::regex(R"(uniform\s+sampler2D\s+(texture|tex0|tex1)\b)")) > 0;
  source.samplesInput =
      source.usesChannel[0] || source.usesChannel[1] || source.samplesNamedTexture;
  return true;
}

void PrepareSource(ShaderSource& source) {
  source.prepared = source.carried;
  const int added = PrepareFragmentText(source.prepared, source.options);
  source.prefixLines = CountLines(source.carried) - CountLines(source.text) + added;
}

int UserLine(const ShaderSource& source, int preparedLine, std::string& note) {
  const int line = preparedLine - source.prefixLines;
  note.clear();
  // Past the file's end: the added main(), or the end itself (a fault found there).
  if (line > source.userLines && source.mainAdded) {
    note = " (in the main() that calls mainImage)";
    return source.mainImageLine;
  }
  if (line > source.userLines) return source.userLines < 1 ? 1 : source.userLines;
  return line < 1 ? 1 : line;
}
