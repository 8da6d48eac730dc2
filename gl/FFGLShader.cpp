#include "gl/FFGLShader.h"

#include <cstring>

// Every operation that calls OpenGL first checks that the table has the
// shader-object group: an entry of an unsupported group is never called.

void FFGLShader::CreateObjects() {
  if (!HasShaderObjects()) return;
  if (programObject == 0) programObject = extensionTable->glCreateProgramObjectARB();
  if (vertexShaderObject == 0) {
    vertexShaderObject = extensionTable->glCreateShaderObjectARB(GL_VERTEX_SHADER_ARB);
  }
  if (fragmentShaderObject == 0) {
    fragmentShaderObject = extensionTable->glCreateShaderObjectARB(GL_FRAGMENT_SHADER_ARB);
  }
}

bool FFGLShader::CompileAndAttach(GLhandleARB shader, const char* text) {
  if (shader == 0 || programObject == 0 || text == nullptr || text[0] == '\0') return false;
  const GLcharARB* source = text;
  extensionTable->glShaderSourceARB(shader, 1, &source, nullptr);
  extensionTable->glCompileShaderARB(shader);
  GLint status = 0;
  extensionTable->glGetObjectParameterivARB(shader, GL_OBJECT_COMPILE_STATUS_ARB, &status);
  if (status == 1) {
    extensionTable->glAttachObjectARB(programObject, shader);
    return true;
  }
  // The log is read, as drivers expect after a failed compile; the first
  // failed compile's log is kept for the plugin to report.
  GLcharARB log[kInfoLogSize];
  GLsizei length = 0;
  extensionTable->glGetInfoLogARB(shader, kInfoLogSize - 1, &length, log);
  // A driver may report a length beyond what it may write: keep the
  // terminator inside the buffer.
  if (length < 0) length = 0;
  if (length > kInfoLogSize - 1) length = kInfoLogSize - 1;
  log[length] = '\0';
  if (compileLog[0] == '\0') std::memcpy(compileLog, log, static_cast<std::size_t>(length) + 1);
  return false;
}

int FFGLShader::CompileAndLink(const char* vertexText, const char* fragmentText) {
  if (!HasShaderObjects()) return 0;
  if (programObject == 0) CreateObjects();
  compileLog[0] = '\0';
  fragmentCompiled = CompileAndAttach(fragmentShaderObject, fragmentText);
  vertexCompiled = CompileAndAttach(vertexShaderObject, vertexText);
  GLint result = 0;
  if (fragmentCompiled || vertexCompiled) {
    extensionTable->glLinkProgramARB(programObject);
    extensionTable->glGetObjectParameterivARB(programObject, GL_OBJECT_LINK_STATUS_ARB, &result);
  }
  linkStatus = result;
  return linkStatus;
}

int FFGLShader::IsUsable() const {
  return (programObject != 0 && vertexShaderObject != 0 && fragmentShaderObject != 0 &&
          fragmentCompiled && vertexCompiled && linkStatus == 1)
             ? 1
             : 0;
}

int FFGLShader::MakeCurrent() {
  if (!HasShaderObjects() || programObject == 0) return 0;
  extensionTable->glUseProgramObjectARB(programObject);
  return 1;
}

int FFGLShader::ClearCurrent() {
  if (!HasShaderObjects()) return 0;
  extensionTable->glUseProgramObjectARB(0);
  return 1;
}

GLint FFGLShader::LocateUniform(const char* name) {
  if (!HasShaderObjects()) return -1;
  return extensionTable->glGetUniformLocationARB(programObject, name);
}

void FFGLShader::DeleteObjects() {
  if (!HasShaderObjects()) return;
  if (fragmentShaderObject != 0) {
    extensionTable->glDeleteObjectARB(fragmentShaderObject);
    fragmentShaderObject = 0;
  }
  if (vertexShaderObject != 0) {
    extensionTable->glDeleteObjectARB(vertexShaderObject);
    vertexShaderObject = 0;
  }
  if (programObject != 0) {
    extensionTable->glDeleteObjectARB(programObject);
    programObject = 0;
  }
}
