// The fake's state and recorder, and the OpenGL 1.1 functions the plugin
// links to.
#include "tests/fakegl/FakeGL.h"

#include <GL/gl.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "tests/fakegl/FakeGLInternal.h"

namespace fakegl {

State& Get() {
  static State state;
  return state;
}

void Reset() { Get() = State{}; }

std::vector<std::string> Calls(const std::string& prefix) {
  std::vector<std::string> matching;
  for (const std::string& call : Get().calls) {
    if (call.compare(0, prefix.size(), prefix) == 0) matching.push_back(call);
  }
  return matching;
}

void ClearCalls() { Get().calls.clear(); }

bool Called(const std::string& exactText) {
  for (const std::string& call : Get().calls) {
    if (call == exactText) return true;
  }
  return false;
}

void Record(const char* format, ...) {
  if (!Get().recording) return;
  char text[512];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  Get().calls.emplace_back(text);
}

void Fault(const char* what, unsigned name) {
  if (!Get().fault.empty()) return;
  char text[160];
  std::snprintf(text, sizeof text, "%s (name %u)", what, name);
  Get().fault = text;
}

unsigned NewName() { return Get().nextName++; }

namespace {
unsigned UnitIndex() { return (Get().activeTexture - GL_TEXTURE0) & 7u; }
}  // namespace

}  // namespace fakegl

using fakegl::Fault;
using fakegl::Get;
using fakegl::Record;

extern "C" {

void GLAPIENTRY glGetFloatv(GLenum pname, GLfloat* params) {
  Record("glGetFloatv(0x%04x)", pname);
  if (pname == GL_VIEWPORT) std::memcpy(params, Get().viewport, sizeof Get().viewport);
}

void GLAPIENTRY glGetIntegerv(GLenum pname, GLint* params) {
  Record("glGetIntegerv(0x%04x)", pname);
  *params = pname == GL_MAX_TEXTURE_SIZE ? 4096 : 0;
}

// An OpenGL 2.1 driver without float textures.
const GLubyte* GLAPIENTRY glGetString(GLenum name) {
  Record("glGetString(0x%04x)", name);
  return reinterpret_cast<const GLubyte*>(name == GL_VERSION ? "2.1 Fake" : "");
}

void GLAPIENTRY glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
  Record("glClearColor(%g, %g, %g, %g)", double{r}, double{g}, double{b}, double{a});
}

void GLAPIENTRY glClear(GLbitfield mask) { Record("glClear(0x%x)", mask); }

void GLAPIENTRY glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  Record("glViewport(%d, %d, %d, %d)", x, y, width, height);
}

void GLAPIENTRY glGenTextures(GLsizei n, GLuint* textures) {
  if (n < 0) return Fault("glGenTextures with a negative count", 0);
  for (GLsizei i = 0; i < n; ++i) {
    textures[i] = fakegl::NewName();
    Get().liveTextures.insert(textures[i]);
    ++Get().texturesMade;
  }
  Record("glGenTextures(%d) -> %u", n, n > 0 ? textures[0] : 0u);
}

void GLAPIENTRY glDeleteTextures(GLsizei n, const GLuint* textures) {
  if (n < 0) return Fault("glDeleteTextures with a negative count", 0);
  Record("glDeleteTextures(%d, %u)", n, n > 0 ? textures[0] : 0u);
  for (GLsizei i = 0; i < n; ++i) {
    if (textures[i] != 0 && Get().liveTextures.erase(textures[i]) == 0) {
      Fault("glDeleteTextures of a texture that is not alive", textures[i]);
    }
  }
}

void GLAPIENTRY glBindTexture(GLenum target, GLuint texture) {
  Record("glBindTexture(0x%04x, %u)", target, texture);
  Get().boundTexture[fakegl::UnitIndex()] = texture;
}

void GLAPIENTRY glTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width,
                             GLsizei height, GLint border, GLenum format, GLenum type,
                             const void* pixels) {
  Record("glTexImage2D(0x%04x, %d, 0x%04x, %d, %d, %d, 0x%04x, 0x%04x, %s)", target, level,
         static_cast<unsigned>(internalformat), width, height, border, format, type,
         pixels != nullptr ? "data" : "null");
}

void GLAPIENTRY glCopyTexSubImage2D(GLenum target, GLint level, GLint xoffset, GLint yoffset,
                                    GLint x, GLint y, GLsizei width, GLsizei height) {
  Record("glCopyTexSubImage2D(0x%04x, %d, %d, %d, %d, %d, %d, %d)", target, level, xoffset,
         yoffset, x, y, width, height);
}

void GLAPIENTRY glTexParameterf(GLenum target, GLenum pname, GLfloat param) {
  Record("glTexParameterf(0x%04x, 0x%04x, %.1f)", target, pname, static_cast<double>(param));
}

void GLAPIENTRY glTexParameteri(GLenum target, GLenum pname, GLint param) {
  Record("glTexParameteri(0x%04x, 0x%04x, 0x%04x)", target, pname, static_cast<unsigned>(param));
}

void GLAPIENTRY glEnable(GLenum cap) {
  Record("glEnable(0x%04x)", cap);
  if (cap == GL_TEXTURE_2D) Get().texture2DEnabled[fakegl::UnitIndex()] = true;
}

void GLAPIENTRY glDisable(GLenum cap) {
  Record("glDisable(0x%04x)", cap);
  if (cap == GL_TEXTURE_2D) Get().texture2DEnabled[fakegl::UnitIndex()] = false;
}

void GLAPIENTRY glBegin(GLenum mode) { Record("glBegin(0x%04x)", mode); }
void GLAPIENTRY glEnd() { Record("glEnd()"); }

void GLAPIENTRY glTexCoord2f(GLfloat s, GLfloat t) {
  Record("glTexCoord2f(%g, %g)", static_cast<double>(s), static_cast<double>(t));
}

void GLAPIENTRY glVertex2f(GLfloat x, GLfloat y) {
  Record("glVertex2f(%g, %g)", static_cast<double>(x), static_cast<double>(y));
}

}  // extern "C"
