// The fake's platform layer: the entry-point lookup (every one of the 92
// names, or nothing, as configured), the extension entry points the plugin
// calls, a counter the test sets and a local time the test sets.
#include <cstring>
#include <string>

#include "gl/GLExtensionEntries.h"
#include "platform/Platform.h"
#include "tests/fakegl/FakeGL.h"
#include "tests/fakegl/FakeGLInternal.h"

using fakegl::Fault;
using fakegl::Get;
using fakegl::Record;

namespace {

bool IsProgram(GLhandleARB name) {
  const auto found = Get().liveObjects.find(name);
  return found != Get().liveObjects.end() && found->second == 0;
}
bool IsShader(GLhandleARB name) {
  const auto found = Get().liveObjects.find(name);
  return found != Get().liveObjects.end() && found->second != 0;
}

void APIENTRY ActiveTexture(GLenum texture) {
  Record("glActiveTexture(0x%04x)", texture);
  Get().activeTexture = texture;
}

GLhandleARB APIENTRY CreateProgramObject() {
  const unsigned name = fakegl::NewName();
  Get().liveObjects[name] = 0;
  Record("glCreateProgramObjectARB() -> %u", name);
  return name;
}

GLhandleARB APIENTRY CreateShaderObject(GLenum type) {
  const unsigned name = fakegl::NewName();
  Get().liveObjects[name] = type;
  Record("glCreateShaderObjectARB(0x%04x) -> %u", type, name);
  return name;
}

void APIENTRY DeleteObject(GLhandleARB object) {
  Record("glDeleteObjectARB(%u)", object);
  if (Get().liveObjects.erase(object) == 0) {
    Fault("glDeleteObjectARB of an object that is not alive", object);
  }
  if (object == Get().currentProgram) Fault("deleted the current program", object);
}

void APIENTRY ShaderSource(GLhandleARB shader, GLsizei count, const GLcharARB** strings,
                           const GLint* lengths) {
  Record("glShaderSourceARB(%u, %d, %s)", shader, count, lengths == nullptr ? "null" : "lengths");
  if (!IsShader(shader)) Fault("glShaderSourceARB on a dead shader", shader);
  if (count < 0 || strings == nullptr) return Fault("glShaderSourceARB without texts", shader);
  std::string text;
  for (GLsizei i = 0; i < count; ++i) {
    // Without lengths every text must be terminated: reading it whole lets
    // the address sanitizer catch one that is not.
    if (lengths == nullptr || lengths[i] < 0) {
      text += strings[i];
    } else {
      text.append(strings[i], static_cast<std::size_t>(lengths[i]));
    }
  }
  if (IsShader(shader) && Get().liveObjects[shader] == GL_FRAGMENT_SHADER_ARB) {
    Get().latestFragmentSource = text;
  }
  Get().shaderSource[shader] = std::move(text);
}

void APIENTRY CompileShader(GLhandleARB shader) { Record("glCompileShaderARB(%u)", shader); }

void APIENTRY GetObjectParameteriv(GLhandleARB object, GLenum pname, GLint* value) {
  Record("glGetObjectParameterivARB(%u, 0x%04x)", object, pname);
  if (!IsShader(object) && !IsProgram(object)) Fault("query of a dead object", object);
  if (pname == GL_OBJECT_COMPILE_STATUS_ARB) {
    *value = Get().liveObjects[object] == GL_FRAGMENT_SHADER_ARB ? Get().fragmentCompileStatus
                                                                 : Get().vertexCompileStatus;
  } else if (pname == GL_OBJECT_LINK_STATUS_ARB) {
    *value = Get().linkStatus;
  }
}

void APIENTRY GetInfoLog(GLhandleARB object, GLsizei maxLength, GLsizei* length,
                         GLcharARB* log) {
  Record("glGetInfoLogARB(%u, %d)", object, maxLength);
  if (!IsShader(object) && !IsProgram(object)) Fault("log of a dead object", object);
  if (maxLength < 0) return Fault("glGetInfoLogARB with a negative capacity", object);
  // Writes as much as it may, terminated, then claims what it was told to.
  if (maxLength > 0) {
    std::memset(log, 'e', static_cast<std::size_t>(maxLength - 1));
    log[maxLength - 1] = '\0';
  }
  if (length != nullptr) *length = Get().infoLogLength;
}

void APIENTRY AttachObject(GLhandleARB program, GLhandleARB shader) {
  Record("glAttachObjectARB(%u, %u)", program, shader);
  if (!IsProgram(program)) Fault("glAttachObjectARB to a dead program", program);
  if (!IsShader(shader)) Fault("glAttachObjectARB of a dead shader", shader);
}

void APIENTRY LinkProgram(GLhandleARB program) { Record("glLinkProgramARB(%u)", program); }

void APIENTRY UseProgramObject(GLhandleARB program) {
  Record("glUseProgramObjectARB(%u)", program);
  if (program != 0 && !IsProgram(program)) Fault("glUseProgramObjectARB of a dead program", program);
  Get().currentProgram = program;
}

// Names hash to one of 32 bits, which the uniform mask selects.
unsigned NameBit(const char* name) {
  unsigned hash = 2166136261u;
  for (const char* c = name; *c != '\0'; ++c) hash = (hash ^ static_cast<unsigned char>(*c)) * 16777619u;
  return hash % 32u;
}

GLint APIENTRY GetUniformLocation(GLhandleARB program, const GLcharARB* name) {
  Record("glGetUniformLocationARB(%u, %s)", program, name);
  if (!IsProgram(program)) Fault("glGetUniformLocationARB on a dead program", program);
  const auto found = Get().uniformLocations.find(name);
  if (found != Get().uniformLocations.end()) return found->second;
  const unsigned bit = NameBit(name);
  return (Get().uniformMask >> bit) & 1u ? static_cast<GLint>(bit) : -1;
}

void APIENTRY Uniform1f(GLint location, GLfloat v0) {
  Record("glUniform1fARB(%d, %g)", location, static_cast<double>(v0));
}
void APIENTRY Uniform2f(GLint location, GLfloat v0, GLfloat v1) {
  Record("glUniform2fARB(%d, %g, %g)", location, static_cast<double>(v0), static_cast<double>(v1));
}
void APIENTRY Uniform3f(GLint location, GLfloat v0, GLfloat v1, GLfloat v2) {
  Record("glUniform3fARB(%d, %g, %g, %g)", location, static_cast<double>(v0),
         static_cast<double>(v1), static_cast<double>(v2));
}
void APIENTRY Uniform4f(GLint location, GLfloat v0, GLfloat v1, GLfloat v2, GLfloat v3) {
  Record("glUniform4fARB(%d, %g, %g, %g, %g)", location, static_cast<double>(v0),
         static_cast<double>(v1), static_cast<double>(v2), static_cast<double>(v3));
}
void APIENTRY Uniform1i(GLint location, GLint v0) { Record("glUniform1iARB(%d, %d)", location, v0); }

// Reads every value, recorded or not, so an array shorter than the count
// shows up under the address sanitizer.
volatile float uploadSink;
void RecordVector(const char* entry, GLint location, GLsizei count, const GLfloat* v, int size) {
  std::string text;
  float sum = 0.0f;
  char number[32];
  for (GLsizei i = 0; i < count * size; ++i) {
    sum += v[i];
    std::snprintf(number, sizeof number, ", %g", static_cast<double>(v[i]));
    if (Get().recording) text += number;
  }
  uploadSink = sum;
  Record("%s(%d, %d%s)", entry, location, count, text.c_str());
}
void APIENTRY Uniform1fv(GLint location, GLsizei count, const GLfloat* v) {
  RecordVector("glUniform1fvARB", location, count, v, 1);
}
void APIENTRY Uniform3fv(GLint location, GLsizei count, const GLfloat* v) {
  RecordVector("glUniform3fvARB", location, count, v, 3);
}

void APIENTRY GenFramebuffers(GLsizei n, GLuint* framebuffers) {
  if (n < 0) return Fault("glGenFramebuffersEXT with a negative count", 0);
  for (GLsizei i = 0; i < n; ++i) {
    framebuffers[i] = fakegl::NewName();
    Get().liveFramebuffers.insert(framebuffers[i]);
  }
  Record("glGenFramebuffersEXT(%d) -> %u", n, n > 0 ? framebuffers[0] : 0u);
}

void APIENTRY BindFramebuffer(GLenum target, GLuint framebuffer) {
  Record("glBindFramebufferEXT(0x%04x, %u)", target, framebuffer);
  Get().boundFramebuffer = framebuffer;
}

void APIENTRY FramebufferTexture2D(GLenum target, GLenum attachment, GLenum textarget,
                                   GLuint texture, GLint level) {
  Record("glFramebufferTexture2DEXT(0x%04x, 0x%04x, 0x%04x, %u, %d)", target, attachment,
         textarget, texture, level);
  if (texture != 0 && Get().liveTextures.count(texture) == 0) {
    Fault("glFramebufferTexture2DEXT of a texture that is not alive", texture);
  }
  if (Get().liveFramebuffers.count(Get().boundFramebuffer) == 0) {
    Fault("glFramebufferTexture2DEXT on a framebuffer the plugin does not own",
          Get().boundFramebuffer);
  }
}

void APIENTRY DeleteFramebuffers(GLsizei n, const GLuint* framebuffers) {
  if (n < 0) return Fault("glDeleteFramebuffersEXT with a negative count", 0);
  Record("glDeleteFramebuffersEXT(%d, %u)", n, n > 0 ? framebuffers[0] : 0u);
  for (GLsizei i = 0; i < n; ++i) {
    if (framebuffers[i] != 0 && Get().liveFramebuffers.erase(framebuffers[i]) == 0) {
      Fault("glDeleteFramebuffersEXT of a framebuffer that is not alive", framebuffers[i]);
    }
    if (framebuffers[i] == Get().boundFramebuffer) Get().boundFramebuffer = 0;
  }
}

template <typename Pointer>
platform::GLEntryPoint As(Pointer function) {
  return reinterpret_cast<platform::GLEntryPoint>(function);
}

// Every entry point not written out above: takes its arguments, records
// that it was called (the plugin has no reason to), answers zero.
template <typename Pointer>
struct Inert;
template <typename Result, typename... Arguments>
struct Inert<Result(APIENTRY*)(Arguments...)> {
  static Result APIENTRY Call(Arguments...) {
    Record("unexpected call");
    return Result();
  }
};

struct Entry {
  const char* name;
  platform::GLEntryPoint address;
  fakegl::Group group;
};

#define FAKE_MULTITEXTURE(type, name) {#name, As<type>(&Inert<type>::Call), fakegl::Group::Multitexture},
#define FAKE_SHADER(type, name) {#name, As<type>(&Inert<type>::Call), fakegl::Group::ShaderObjects},
#define FAKE_FRAMEBUFFER(type, name) \
  {#name, As<type>(&Inert<type>::Call), fakegl::Group::FramebufferObjects},
#define FAKE_SWAP(type, name) {#name, As<type>(&Inert<type>::Call), fakegl::Group::SwapInterval},
// In the table's memory order.
const Entry kEntries[] = {HELIX_MULTITEXTURE_ENTRIES(FAKE_MULTITEXTURE) HELIX_SHADER_OBJECT_ENTRIES(
    FAKE_SHADER) HELIX_FRAMEBUFFER_OBJECT_ENTRIES(FAKE_FRAMEBUFFER) HELIX_SWAP_INTERVAL_ENTRIES(FAKE_SWAP)};
#undef FAKE_MULTITEXTURE
#undef FAKE_SHADER
#undef FAKE_FRAMEBUFFER
#undef FAKE_SWAP

const struct {
  const char* name;
  platform::GLEntryPoint address;
} kWorking[] = {
    {"glActiveTexture", As<PFNHELIXGLACTIVETEXTUREPROC>(&ActiveTexture)},
    {"glCreateProgramObjectARB", As<PFNGLCREATEPROGRAMOBJECTARBPROC>(&CreateProgramObject)},
    {"glCreateShaderObjectARB", As<PFNGLCREATESHADEROBJECTARBPROC>(&CreateShaderObject)},
    {"glDeleteObjectARB", As<PFNGLDELETEOBJECTARBPROC>(&DeleteObject)},
    {"glShaderSourceARB", As<PFNGLSHADERSOURCEARBPROC>(&ShaderSource)},
    {"glCompileShaderARB", As<PFNGLCOMPILESHADERARBPROC>(&CompileShader)},
    {"glGetObjectParameterivARB", As<PFNGLGETOBJECTPARAMETERIVARBPROC>(&GetObjectParameteriv)},
    {"glGetInfoLogARB", As<PFNGLGETINFOLOGARBPROC>(&GetInfoLog)},
    {"glAttachObjectARB", As<PFNGLATTACHOBJECTARBPROC>(&AttachObject)},
    {"glLinkProgramARB", As<PFNGLLINKPROGRAMARBPROC>(&LinkProgram)},
    {"glUseProgramObjectARB", As<PFNGLUSEPROGRAMOBJECTARBPROC>(&UseProgramObject)},
    {"glGetUniformLocationARB", As<PFNGLGETUNIFORMLOCATIONARBPROC>(&GetUniformLocation)},
    {"glUniform1fARB", As<PFNGLUNIFORM1FARBPROC>(&Uniform1f)},
    {"glUniform2fARB", As<PFNGLUNIFORM2FARBPROC>(&Uniform2f)},
    {"glUniform3fARB", As<PFNGLUNIFORM3FARBPROC>(&Uniform3f)},
    {"glUniform4fARB", As<PFNGLUNIFORM4FARBPROC>(&Uniform4f)},
    {"glUniform1iARB", As<PFNGLUNIFORM1IARBPROC>(&Uniform1i)},
    {"glUniform1fvARB", As<PFNGLUNIFORM1FVARBPROC>(&Uniform1fv)},
    {"glUniform3fvARB", As<PFNGLUNIFORM3FVARBPROC>(&Uniform3fv)},
    {"glGenFramebuffersEXT", As<PFNGLGENFRAMEBUFFERSEXTPROC>(&GenFramebuffers)},
    {"glBindFramebufferEXT", As<PFNGLBINDFRAMEBUFFEREXTPROC>(&BindFramebuffer)},
    {"glFramebufferTexture2DEXT", As<PFNGLFRAMEBUFFERTEXTURE2DEXTPROC>(&FramebufferTexture2D)},
    {"glDeleteFramebuffersEXT", As<PFNGLDELETEFRAMEBUFFERSEXTPROC>(&DeleteFramebuffers)},
};

bool IsMissing(const char* name) {
  return Get().everyEntryMissing || Get().missingEntries.count(name) != 0;
}

platform::GLEntryPoint FindEntry(const char* name) {
  if (Get().recording) Get().lookedUp.emplace_back(name);
  if (IsMissing(name)) return nullptr;
  for (const auto& working : kWorking) {
    if (std::strcmp(working.name, name) == 0) return working.address;
  }
  for (const Entry& entry : kEntries) {
    if (std::strcmp(entry.name, name) == 0) return entry.address;
  }
  return nullptr;
}

}  // namespace

namespace fakegl {

const char* EntryName(unsigned index) {
  return index < sizeof kEntries / sizeof kEntries[0] ? kEntries[index].name : nullptr;
}

const char* FirstEntry(Group group) {
  for (const Entry& entry : kEntries) {
    if (entry.group == group) return entry.name;
  }
  return nullptr;
}

bool Offers(Group group) {
  for (const Entry& entry : kEntries) {
    if (entry.group == group && IsMissing(entry.name)) return false;
  }
  return true;
}

}  // namespace fakegl

namespace platform {

GLEntryPointLookup::GLEntryPointLookup() : find_(FindEntry) {}

std::int64_t CounterFrequency() { return Get().counterFrequency; }
std::int64_t CounterValue() { return Get().counterValue += Get().counterStep; }

bool CurrentLocalTime(std::tm& out) {
  out = Get().localTime;
  return true;
}

void WriteDebugText(const char* text) {
  if (text != nullptr) Get().debugText += text;
}

}  // namespace platform
