// The OpenGL entry points beyond 1.1 that the headless host itself uses,
// looked up from its own context (Windows' opengl32 exports only 1.1).
#pragma once

#include "gl/GLApi.h"

#include <string>

namespace host {

class GLContext;

#define HOST_GL_ENTRIES(X)                                              \
  X(PFNGLGENFRAMEBUFFERSPROC, glGenFramebuffers)                        \
  X(PFNGLDELETEFRAMEBUFFERSPROC, glDeleteFramebuffers)                  \
  X(PFNGLBINDFRAMEBUFFERPROC, glBindFramebuffer)                        \
  X(PFNGLFRAMEBUFFERTEXTURE2DPROC, glFramebufferTexture2D)              \
  X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, glCheckFramebufferStatus)          \
  X(PFNGLISFRAMEBUFFERPROC, glIsFramebuffer)                            \
  X(PFNGLACTIVETEXTUREPROC, glActiveTexture)                            \
  X(PFNGLCREATESHADERPROC, glCreateShader)                              \
  X(PFNGLSHADERSOURCEPROC, glShaderSource)                              \
  X(PFNGLCOMPILESHADERPROC, glCompileShader)                            \
  X(PFNGLGETSHADERIVPROC, glGetShaderiv)                                \
  X(PFNGLGETSHADERINFOLOGPROC, glGetShaderInfoLog)                      \
  X(PFNGLCREATEPROGRAMPROC, glCreateProgram)                            \
  X(PFNGLATTACHSHADERPROC, glAttachShader)                              \
  X(PFNGLLINKPROGRAMPROC, glLinkProgram)                                \
  X(PFNGLGETPROGRAMIVPROC, glGetProgramiv)                              \
  X(PFNGLUSEPROGRAMPROC, glUseProgram)                                  \
  X(PFNGLDELETESHADERPROC, glDeleteShader)                              \
  X(PFNGLDELETEPROGRAMPROC, glDeleteProgram)                            \
  X(PFNGLISPROGRAMPROC, glIsProgram)                                    \
  X(PFNGLISSHADERPROC, glIsShader)                                      \
  X(PFNGLGETUNIFORMLOCATIONPROC, glGetUniformLocation)                  \
  X(PFNGLUNIFORM1FPROC, glUniform1f)                                    \
  X(PFNGLUNIFORM2FPROC, glUniform2f)

struct HostGL {
#define HOST_GL_DECLARE(type, name) type name = nullptr;
  HOST_GL_ENTRIES(HOST_GL_DECLARE)
#undef HOST_GL_DECLARE

  // Looks every entry up; false (with the missing name in `error`) when one
  // is absent.
  bool Load(const GLContext& context, std::string& error);
};

}  // namespace host
