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
  glslang::TShader shader(EShLangFragment);
  const char* text = source.prepared.c_str();
  shader.setStrings(&text, 1);
  const auto messages = static_cast<EShMessages>(EShMsgDefault);
  check.checked = true;
  std::string log;
  if (shader.parse(GetDefaultResources(), 110, ENoProfile, false, false, messages)) {
    glslang::TProgram program;
    program.addShader(&shader);
    check.passed = program.link(messages);
    if (!check.passed) log = program.getInfoLog();
  } else {
    log = shader.getInfoLog();
  }
  if (!check.passed) {
    check.messages = MapCompileLog(source, log);
    if (check.messages.empty()) check.messages.push_back(source.shownPath + ": error: " + log);
  }
  return check;
}
