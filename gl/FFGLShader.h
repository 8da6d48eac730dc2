// One GLSL program object built from a vertex and a fragment shader object,
// driven through the shader-object entries of an extension table. OpenGL
// objects are released only by DeleteObjects, with the context current;
// the destructor releases nothing.
#pragma once

#include "gl/GLExtensionTable.h"

class FFGLShader {
 public:
  FFGLShader() = default;

  FFGLShader(const FFGLShader&) = delete;
  FFGLShader& operator=(const FFGLShader&) = delete;

  void UseExtensionTable(GLExtensionTable* table) { extensionTable = table; }
  // Creates whichever of the three objects is missing.
  void CreateObjects();
  // Compiles the fragment text, then the vertex text, attaches what
  // compiled and links; gives the link status (1 = linked) or 0.
  int CompileAndLink(const char* vertexText, const char* fragmentText);
  // 1 when all three objects exist, both shaders compiled and the latest
  // link succeeded. A program linked from the vertex shader alone (its
  // fragment text failed) links on real drivers but would paint the host's
  // picture with the plain vertex colour, so it does not count as usable.
  int IsUsable() const;
  int MakeCurrent();
  int ClearCurrent();
  GLint LocateUniform(const char* name);
  // Deletes fragment shader, vertex shader and program, in that order.
  void DeleteObjects();

  GLhandleARB ProgramObject() const { return programObject; }
  GLhandleARB VertexShaderObject() const { return vertexShaderObject; }
  GLhandleARB FragmentShaderObject() const { return fragmentShaderObject; }
  int LinkStatus() const { return linkStatus; }
  // The driver's log of the latest CompileAndLink's first failed compile;
  // empty when both compiled or the driver said nothing.
  const char* CompileLog() const { return compileLog; }

  static constexpr GLsizei kInfoLogSize = 1024;

 private:
  bool HasShaderObjects() const {
    return extensionTable != nullptr && extensionTable->shaderObjectsSupported != 0;
  }
  // Sources and compiles one shader; attaches it when it compiled.
  bool CompileAndAttach(GLhandleARB shader, const char* text);

  GLExtensionTable* extensionTable = nullptr;
  GLhandleARB programObject = 0;
  GLhandleARB vertexShaderObject = 0;
  GLhandleARB fragmentShaderObject = 0;
  int linkStatus = 0;
  bool fragmentCompiled = false;  // by the latest CompileAndLink
  bool vertexCompiled = false;
  GLcharARB compileLog[kInfoLogSize] = {};
};
