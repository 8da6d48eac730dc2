// The platform layer of test builds: entry-point lookup that answers with
// recording fakes (or nothing, as configured), a counter the test sets, and
// a local time the test sets.
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>
#include <string>

#include "platform/Platform.h"
#include "tests/fakegl/FakeGL.h"

namespace fakegl {
void Record(const char* format, ...);
}

using fakegl::Get;
using fakegl::Record;

namespace {

void APIENTRY FakeActiveTexture(GLenum texture) {
  Record("glActiveTexture(0x%04x)", texture);
  Get().activeTexture = texture;
}

GLhandleARB APIENTRY FakeCreateProgramObject() {
  const unsigned name = Get().nextName++;
  Get().liveObjects.insert(name);
  Record("glCreateProgramObjectARB() -> %u", name);
  return name;
}

GLhandleARB APIENTRY FakeCreateShaderObject(GLenum type) {
  const unsigned name = Get().nextName++;
  Get().liveObjects.insert(name);
  Get().shaderType[name] = type;
  Record("glCreateShaderObjectARB(0x%04x) -> %u", type, name);
  return name;
}

void APIENTRY FakeShaderSource(GLhandleARB shader, GLsizei count, const GLcharARB** strings,
                               const GLint* lengths) {
  Record("glShaderSourceARB(%u, %d, %s)", shader, count, lengths == nullptr ? "null" : "lengths");
  std::string text;
  for (GLsizei i = 0; i < count; ++i) text += strings[i];
  Get().shaderSource[shader] = text;
}

void APIENTRY FakeCompileShader(GLhandleARB shader) { Record("glCompileShaderARB(%u)", shader); }

void APIENTRY FakeGetObjectParameteriv(GLhandleARB object, GLenum pname, GLint* value) {
  Record("glGetObjectParameterivARB(%u, 0x%04x)", object, pname);
  if (pname == GL_OBJECT_COMPILE_STATUS_ARB) {
    *value = Get().shaderType[object] == GL_FRAGMENT_SHADER_ARB ? Get().fragmentCompileStatus
                                                                : Get().vertexCompileStatus;
  } else if (pname == GL_OBJECT_LINK_STATUS_ARB) {
    *value = Get().linkStatus;
  }
}

void APIENTRY FakeGetInfoLog(GLhandleARB object, GLsizei maxLength, GLsizei* length,
                             GLcharARB* log) {
  Record("glGetInfoLogARB(%u, %d)", object, maxLength);
  if (maxLength > 0) log[0] = 'x';
  // Reports whatever the test configured, even past maxLength, as a faulty
  // driver might.
  if (length != nullptr) *length = Get().infoLogLength;
}

void APIENTRY FakeAttachObject(GLhandleARB program, GLhandleARB shader) {
  Record("glAttachObjectARB(%u, %u)", program, shader);
}

void APIENTRY FakeLinkProgram(GLhandleARB program) { Record("glLinkProgramARB(%u)", program); }

void APIENTRY FakeUseProgramObject(GLhandleARB program) {
  Record("glUseProgramObjectARB(%u)", program);
  Get().currentProgram = program;
}

GLint APIENTRY FakeGetUniformLocation(GLhandleARB program, const GLcharARB* name) {
  Record("glGetUniformLocationARB(%u, %s)", program, name);
  auto found = Get().uniformLocations.find(name);
  return found == Get().uniformLocations.end() ? -1 : found->second;
}

void APIENTRY FakeDeleteObject(GLhandleARB object) {
  Record("glDeleteObjectARB(%u)", object);
  Get().liveObjects.erase(object);
}

void APIENTRY FakeUniform1f(GLint location, GLfloat v0) {
  Record("glUniform1fARB(%d, %g)", location, static_cast<double>(v0));
}
void APIENTRY FakeUniform2f(GLint location, GLfloat v0, GLfloat v1) {
  Record("glUniform2fARB(%d, %g, %g)", location, static_cast<double>(v0), static_cast<double>(v1));
}
void APIENTRY FakeUniform3f(GLint location, GLfloat v0, GLfloat v1, GLfloat v2) {
  Record("glUniform3fARB(%d, %g, %g, %g)", location, static_cast<double>(v0),
         static_cast<double>(v1), static_cast<double>(v2));
}
void APIENTRY FakeUniform4f(GLint location, GLfloat v0, GLfloat v1, GLfloat v2, GLfloat v3) {
  Record("glUniform4fARB(%d, %g, %g, %g, %g)", location, static_cast<double>(v0),
         static_cast<double>(v1), static_cast<double>(v2), static_cast<double>(v3));
}
void APIENTRY FakeUniform1i(GLint location, GLint v0) {
  Record("glUniform1iARB(%d, %d)", location, v0);
}
void APIENTRY FakeUniform1fv(GLint location, GLsizei count, const GLfloat* v) {
  Record("glUniform1fvARB(%d, %d, %g, %g, %g, %g)", location, count, static_cast<double>(v[0]),
         static_cast<double>(v[1]), static_cast<double>(v[2]), static_cast<double>(v[3]));
}
void APIENTRY FakeUniform3fv(GLint location, GLsizei count, const GLfloat* v) {
  if (!Get().recording) return;
  std::string text = "glUniform3fvARB(" + std::to_string(location) + ", " + std::to_string(count);
  char number[32];
  for (GLsizei i = 0; i < count * 3; ++i) {
    std::snprintf(number, sizeof number, ", %g", static_cast<double>(v[i]));
    text += number;
  }
  Record("%s)", text.c_str());
}

void APIENTRY FakeGenFramebuffers(GLsizei n, GLuint* framebuffers) {
  for (GLsizei i = 0; i < n; ++i) {
    framebuffers[i] = Get().nextName++;
    Get().liveFramebuffers.insert(framebuffers[i]);
  }
  Record("glGenFramebuffersEXT(%d) -> %u", n, n > 0 ? framebuffers[0] : 0u);
}
void APIENTRY FakeBindFramebuffer(GLenum target, GLuint framebuffer) {
  Record("glBindFramebufferEXT(0x%04x, %u)", target, framebuffer);
  Get().boundFramebuffer = framebuffer;
}
void APIENTRY FakeFramebufferTexture2D(GLenum target, GLenum attachment, GLenum textarget,
                                       GLuint texture, GLint level) {
  Record("glFramebufferTexture2DEXT(0x%04x, 0x%04x, 0x%04x, %u, %d)", target, attachment,
         textarget, texture, level);
}
void APIENTRY FakeDeleteFramebuffers(GLsizei n, const GLuint* framebuffers) {
  Record("glDeleteFramebuffersEXT(%d, %u)", n, n > 0 ? framebuffers[0] : 0u);
  for (GLsizei i = 0; i < n; ++i) Get().liveFramebuffers.erase(framebuffers[i]);
}

// Entries the plugin loads but never calls share one function; calling it
// is recorded so a test would notice.
void APIENTRY FakeUnused() { Record("unexpected call"); }

struct FakeEntry {
  const char* name;
  platform::GLEntryPoint address;
};

template <typename F>
platform::GLEntryPoint Entry(F function) {
  return reinterpret_cast<platform::GLEntryPoint>(function);
}

const FakeEntry kFakeEntries[] = {
    {"glActiveTexture", Entry(FakeActiveTexture)},
    {"glCreateProgramObjectARB", Entry(FakeCreateProgramObject)},
    {"glCreateShaderObjectARB", Entry(FakeCreateShaderObject)},
    {"glShaderSourceARB", Entry(FakeShaderSource)},
    {"glCompileShaderARB", Entry(FakeCompileShader)},
    {"glGetObjectParameterivARB", Entry(FakeGetObjectParameteriv)},
    {"glGetInfoLogARB", Entry(FakeGetInfoLog)},
    {"glAttachObjectARB", Entry(FakeAttachObject)},
    {"glLinkProgramARB", Entry(FakeLinkProgram)},
    {"glUseProgramObjectARB", Entry(FakeUseProgramObject)},
    {"glGetUniformLocationARB", Entry(FakeGetUniformLocation)},
    {"glDeleteObjectARB", Entry(FakeDeleteObject)},
    {"glUniform1fARB", Entry(FakeUniform1f)},
    {"glUniform2fARB", Entry(FakeUniform2f)},
    {"glUniform3fARB", Entry(FakeUniform3f)},
    {"glUniform4fARB", Entry(FakeUniform4f)},
    {"glUniform1iARB", Entry(FakeUniform1i)},
    {"glUniform1fvARB", Entry(FakeUniform1fv)},
    {"glUniform3fvARB", Entry(FakeUniform3fv)},
    {"glGenFramebuffersEXT", Entry(FakeGenFramebuffers)},
    {"glBindFramebufferEXT", Entry(FakeBindFramebuffer)},
    {"glFramebufferTexture2DEXT", Entry(FakeFramebufferTexture2D)},
    {"glDeleteFramebuffersEXT", Entry(FakeDeleteFramebuffers)},
};

}  // namespace

namespace platform {

namespace {
GLEntryPoint FakeFind(const char* name) {
  fakegl::State& state = Get();
  if (state.recording) state.lookedUp.emplace_back(name);
  if (state.everyEntryMissing || state.missingEntries.count(name) != 0) return nullptr;
  for (const FakeEntry& entry : kFakeEntries) {
    if (std::strcmp(entry.name, name) == 0) return entry.address;
  }
  return Entry(FakeUnused);
}
}  // namespace

GLEntryPointLookup::GLEntryPointLookup() : find_(FakeFind) {}

std::int64_t CounterFrequency() { return Get().counterFrequency; }
std::int64_t CounterValue() { return Get().counterValue; }

bool CurrentLocalTime(std::tm& out) {
  out = Get().localTime;
  return true;
}

}  // namespace platform
