// The GLSL version a shader is packed with: the lowest that compiles, so a
// driver that offers only old GLSL still runs the shaders that need no more.
#include "tools/pack/ShaderCheck.h"

ShaderCheck CheckShader(ShaderSource& source) {
  // A complete program (an ISF shader's) is compiled as it was translated.
  if (!source.vertexPrepared.empty()) return CompileCheck(source);
  static const char* const kVersionLines[] = {"", "#version 130", "#version 330 compatibility",
                                              "#version 400 compatibility"};
  ShaderCheck check;
  for (const char* line : kVersionLines) {
    source.options.versionLine = source.ownVersion ? "" : line;
    PrepareSource(source);
    check = CompileCheck(source);
    if (!check.checked || check.passed || source.ownVersion) break;
  }
  return check;
}
