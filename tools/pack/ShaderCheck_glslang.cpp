// Linux: glslang, the reference GLSL front end, checks the text for the
// desktop: as GLSL 1.10 unless its first line names a version, as a driver
// does.
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>

#include "tools/pack/ShaderCheck.h"

ShaderCheck CompileCheck(const ShaderSource& source) {
  static const bool initialised = glslang::InitializeProcess();
  ShaderCheck check;
  if (!initialised) {
    check.reason = "glslang could not start";
    return check;
  }
  const auto messages = static_cast<EShMessages>(EShMsgDefault);
  check.checked = true;
  // A complete program's vertex text is checked with it, and its faults
  // reported at its own file's lines.
  const bool withVertex = !source.vertexPrepared.empty();
  const ShaderSource vertexSource = withVertex ? VertexSource(source) : ShaderSource{};
  glslang::TShader fragment(EShLangFragment);
  glslang::TShader vertex(EShLangVertex);
  const char* fragmentText = source.prepared.c_str();
  const char* vertexText = vertexSource.prepared.c_str();
  fragment.setStrings(&fragmentText, 1);
  vertex.setStrings(&vertexText, 1);
  const ShaderSource* failed = &source;
  std::string log;
  if (!fragment.parse(GetDefaultResources(), 110, ENoProfile, false, false, messages)) {
    log = fragment.getInfoLog();
  } else if (withVertex &&
             !vertex.parse(GetDefaultResources(), 110, ENoProfile, false, false, messages)) {
    log = vertex.getInfoLog();
    failed = &vertexSource;
  } else {
    glslang::TProgram program;
    program.addShader(&fragment);
    if (withVertex) program.addShader(&vertex);
    check.passed = program.link(messages);
    if (!check.passed) log = program.getInfoLog();
  }
  if (!check.passed) {
    check.messages = MapCompileLog(*failed, log);
    if (check.messages.empty()) check.messages.push_back(failed->shownPath + ": error: " + log);
  }
  return check;
}
