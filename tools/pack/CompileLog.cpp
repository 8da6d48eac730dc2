#include <regex>
#include <sstream>

#include "tools/pack/ShaderCheck.h"

std::vector<std::string> MapCompileLog(const ShaderSource& source, const std::string& log) {
  // glslang, AMD, Intel: "ERROR: 0:12: message"; Mesa: "0:12(5): error:
  // message"; NVIDIA: "0(12) : error C1008: message".
  static const std::regex kForms[] = {
      std::regex(R"(^(ERROR|WARNING): \d+:(\d+): *(.*)$)"),
      std::regex(R"(^\d+:(\d+)\(\d+\): (error|warning): *(.*)$)"),
      std::regex(R"(^\d+\((\d+)\) ?: (error|warning) *(.*)$)"),
  };
  std::vector<std::string> messages;
  std::vector<std::string> unplaced;
  std::istringstream lines(log);
  std::string line;
  while (std::getline(lines, line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (line.empty() || line.find("compilation terminated") != std::string::npos ||
        line.find("compilation errors") != std::string::npos) {
      continue;
    }
    std::smatch match;
    int form = 0;
    for (; form < 3 && !std::regex_match(line, match, kForms[form]); ++form) {
    }
    if (form == 3) {
      unplaced.push_back(line);
      continue;
    }
    const std::string lineNumber = form == 0 ? match[2].str() : match[1].str();
    std::string kind = form == 0 ? match[1].str() : match[2].str();
    for (char& c : kind) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    std::string note;
    const int at = UserLine(source, std::stoi(lineNumber.substr(0, 9)), note);
    messages.push_back(source.shownPath + ":" + std::to_string(at) + ": " + kind + ": " +
                       match[3].str() + note);
  }
  if (messages.empty()) {
    for (const std::string& text : unplaced) {
      messages.push_back(source.shownPath + ": error: " + text);
    }
  }
  return messages;
}

ShaderSource VertexSource(const ShaderSource& source) {
  ShaderSource vertex;
  vertex.shownPath = source.vertexShownPath;
  vertex.prepared = source.vertexPrepared;
  vertex.prefixLines = source.vertexPrefixLines;
  vertex.userLines = source.vertexUserLines;
  return vertex;
}
