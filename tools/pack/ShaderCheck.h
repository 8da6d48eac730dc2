// Checks a shader before anything is written: compiles the text the plugin
// will hand the driver and reports the compiler's messages at the file's
// own lines. On Linux glslang checks it; on Windows the machine's own
// OpenGL driver compiles it in a hidden context.
#pragma once

#include <string>
#include <vector>

#include "tools/pack/ShaderSource.h"

struct ShaderCheck {
  bool checked = false;  // false: nothing could check it (`reason` says why)
  bool passed = false;
  std::vector<std::string> messages;  // "file:line: error: ..." lines
  std::string reason;
};

// Finds the lowest GLSL version the text compiles as: none (1.10), then
// 1.30, 3.30 compatibility, 4.00 compatibility; a text with its own
// #version line is compiled as it says. Leaves `source` prepared with the
// version found (or the last one tried), whose messages the check holds.
ShaderCheck CheckShader(ShaderSource& source);

// One compile of `source.prepared`, on this platform's compiler.
ShaderCheck CompileCheck(const ShaderSource& source);

// Turns a compiler's log into messages at the file's lines. Understands the
// forms of glslang and of the common drivers; what it cannot place is kept
// whole under the file's name.
std::vector<std::string> MapCompileLog(const ShaderSource& source, const std::string& log);

// The vertex text of a complete program seen as a source of its own (its
// text in `prepared`, its file and lines), for checking and messages.
ShaderSource VertexSource(const ShaderSource& source);
