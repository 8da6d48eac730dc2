#include "tests/fuzz/StubDriver.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "gl/GLExtensionEntries.h"
#include "tests/fuzz/FuzzInput.h"
#include "platform/Platform.h"

namespace stub_driver {
namespace {

struct State {
  Driver driver;
  std::set<GLuint> textures;
  std::set<GLuint> framebuffers;
  std::set<GLhandleARB> shaders;
  std::set<GLhandleARB> programs;
  GLuint nextTexture = 1;
  GLuint nextFramebuffer = 1;
  GLhandleARB nextObject = 1;
  std::size_t texturesMade = 0;
  GLenum activeUnit = GL_TEXTURE0;
  GLhandleARB currentProgram = 0;
  GLuint boundFramebuffer = 0;
  std::set<GLhandleARB> fragmentShaders;
  std::string fragmentSource;
  std::string fault;
  std::int64_t counter = 0;
};

State& S() {
  static State state;
  return state;
}

void Fault(const char* what, unsigned name) {
  if (!S().fault.empty()) return;
  char text[160];
  std::snprintf(text, sizeof text, "%s (name %u)", what, name);
  S().fault = text;
}

bool IsProgram(GLhandleARB name) { return S().programs.count(name) != 0; }
bool IsShader(GLhandleARB name) { return S().shaders.count(name) != 0; }

// Names hash to one of 32 bits; the driver's mask says which names a
// program declares.
unsigned NameBit(const char* name) {
  unsigned hash = 2166136261u;
  for (const char* c = name; *c != '\0'; ++c) hash = (hash ^ static_cast<unsigned char>(*c)) * 16777619u;
  return hash % 32u;
}

// Every entry point not written out below: takes its arguments, touches
// nothing, answers zero.
template <typename Pointer>
struct Inert;
template <typename Result, typename... Arguments>
struct Inert<Result(APIENTRY*)(Arguments...)> {
  static Result APIENTRY Call(Arguments...) { return Result(); }
};

void APIENTRY ActiveTexture(GLenum unit) { S().activeUnit = unit; }

GLhandleARB APIENTRY CreateProgramObject() {
  const GLhandleARB name = S().nextObject++;
  S().programs.insert(name);
  return name;
}

GLhandleARB APIENTRY CreateShaderObject(GLenum type) {
  const GLhandleARB name = S().nextObject++;
  S().shaders.insert(name);
  if (type == GL_FRAGMENT_SHADER_ARB) S().fragmentShaders.insert(name);
  return name;
}

void APIENTRY DeleteObject(GLhandleARB name) {
  if (S().programs.erase(name) == 0 && S().shaders.erase(name) == 0) {
    Fault("glDeleteObjectARB of an object that is not alive", name);
  }
  if (name == S().currentProgram) Fault("deleted the current program", name);
  S().fragmentShaders.erase(name);
}

void APIENTRY ShaderSource(GLhandleARB shader, GLsizei count, const GLcharARB** texts,
                           const GLint* lengths) {
  if (!IsShader(shader)) Fault("glShaderSourceARB on a dead shader", shader);
  if (count < 0 || texts == nullptr) return Fault("glShaderSourceARB without texts", shader);
  std::string source;
  for (GLsizei i = 0; i < count; ++i) {
    // Without lengths every text must be terminated: reading it whole lets
    // the address sanitizer catch one that is not.
    if (lengths == nullptr || lengths[i] < 0) {
      source += texts[i];
    } else {
      source.append(texts[i], static_cast<std::size_t>(lengths[i]));
    }
  }
  if (S().fragmentShaders.count(shader) != 0) S().fragmentSource = source;
}

void APIENTRY AttachObject(GLhandleARB program, GLhandleARB shader) {
  if (!IsProgram(program)) Fault("glAttachObjectARB to a dead program", program);
  if (!IsShader(shader)) Fault("glAttachObjectARB of a dead shader", shader);
}

void APIENTRY GetObjectParameteriv(GLhandleARB object, GLenum parameter, GLint* value) {
  if (!IsShader(object) && !IsProgram(object)) Fault("query of a dead object", object);
  if (parameter == GL_OBJECT_COMPILE_STATUS_ARB) *value = S().driver.compiles ? 1 : 0;
  if (parameter == GL_OBJECT_LINK_STATUS_ARB) *value = S().driver.links ? 1 : 0;
}

void APIENTRY GetInfoLog(GLhandleARB object, GLsizei capacity, GLsizei* length, GLcharARB* log) {
  if (!IsShader(object) && !IsProgram(object)) Fault("log of a dead object", object);
  if (capacity < 0) return Fault("glGetInfoLogARB with a negative capacity", object);
  // Writes as much as it may, terminated, then claims what it likes.
  if (capacity > 0) {
    std::memset(log, 'e', static_cast<std::size_t>(capacity - 1));
    log[capacity - 1] = '\0';
  }
  if (length != nullptr) *length = S().driver.claimedLogLength;
}

GLint APIENTRY GetUniformLocation(GLhandleARB program, const GLcharARB* name) {
  if (!IsProgram(program)) Fault("glGetUniformLocationARB on a dead program", program);
  const unsigned bit = NameBit(name);
  return (S().driver.uniformMask >> bit) & 1u ? static_cast<GLint>(bit) : -1;
}

void APIENTRY UseProgramObject(GLhandleARB program) {
  if (program != 0 && !IsProgram(program)) Fault("glUseProgramObjectARB of a dead program", program);
  S().currentProgram = program;
}

// The vector uploads read every value they are given, so an array shorter
// than the count shows up under the address sanitizer.
float Sum(const GLfloat* values, GLsizei count) {
  float sum = 0.0f;
  for (GLsizei i = 0; i < count; ++i) sum += values[i];
  return sum;
}
volatile float uploadSink;
void APIENTRY Uniform1fv(GLint, GLsizei count, const GLfloat* values) {
  uploadSink = Sum(values, count);
}
void APIENTRY Uniform3fv(GLint, GLsizei count, const GLfloat* values) {
  uploadSink = Sum(values, count * 3);
}

void APIENTRY GenFramebuffers(GLsizei count, GLuint* names) {
  if (count < 0) return Fault("glGenFramebuffersEXT with a negative count", 0);
  for (GLsizei i = 0; i < count; ++i) {
    names[i] = S().nextFramebuffer++;
    S().framebuffers.insert(names[i]);
  }
}

void APIENTRY DeleteFramebuffers(GLsizei count, const GLuint* names) {
  if (count < 0) return Fault("glDeleteFramebuffersEXT with a negative count", 0);
  for (GLsizei i = 0; i < count; ++i) {
    if (names[i] != 0 && S().framebuffers.erase(names[i]) == 0) {
      Fault("glDeleteFramebuffersEXT of a framebuffer that is not alive", names[i]);
    }
    if (names[i] == S().boundFramebuffer) S().boundFramebuffer = 0;
  }
}

void APIENTRY BindFramebuffer(GLenum, GLuint name) { S().boundFramebuffer = name; }

void APIENTRY FramebufferTexture2D(GLenum, GLenum, GLenum, GLuint texture, GLint) {
  if (texture != 0 && S().textures.count(texture) == 0) {
    Fault("glFramebufferTexture2DEXT of a texture that is not alive", texture);
  }
  if (S().framebuffers.count(S().boundFramebuffer) == 0) {
    Fault("glFramebufferTexture2DEXT on a framebuffer the plugin does not own",
          S().boundFramebuffer);
  }
}

struct NamedEntry {
  const char* name;
  platform::GLEntryPoint address;
  int group;  // 0 swap interval, 1 multitexture, 2 shader objects, 3 framebuffer objects
};

template <typename Pointer>
platform::GLEntryPoint As(Pointer function) {
  return reinterpret_cast<platform::GLEntryPoint>(function);
}

platform::GLEntryPoint Override(const char* name) {
  struct Special {
    const char* name;
    platform::GLEntryPoint address;
  };
  static const Special specials[] = {
      {"glActiveTexture", As<PFNHELIXGLACTIVETEXTUREPROC>(&ActiveTexture)},
      {"glCreateProgramObjectARB", As<PFNGLCREATEPROGRAMOBJECTARBPROC>(&CreateProgramObject)},
      {"glCreateShaderObjectARB", As<PFNGLCREATESHADEROBJECTARBPROC>(&CreateShaderObject)},
      {"glDeleteObjectARB", As<PFNGLDELETEOBJECTARBPROC>(&DeleteObject)},
      {"glShaderSourceARB", As<PFNGLSHADERSOURCEARBPROC>(&ShaderSource)},
      {"glAttachObjectARB", As<PFNGLATTACHOBJECTARBPROC>(&AttachObject)},
      {"glGetObjectParameterivARB", As<PFNGLGETOBJECTPARAMETERIVARBPROC>(&GetObjectParameteriv)},
      {"glGetInfoLogARB", As<PFNGLGETINFOLOGARBPROC>(&GetInfoLog)},
      {"glGetUniformLocationARB", As<PFNGLGETUNIFORMLOCATIONARBPROC>(&GetUniformLocation)},
      {"glUseProgramObjectARB", As<PFNGLUSEPROGRAMOBJECTARBPROC>(&UseProgramObject)},
      {"glUniform1fvARB", As<PFNGLUNIFORM1FVARBPROC>(&Uniform1fv)},
      {"glUniform3fvARB", As<PFNGLUNIFORM3FVARBPROC>(&Uniform3fv)},
      {"glGenFramebuffersEXT", As<PFNGLGENFRAMEBUFFERSEXTPROC>(&GenFramebuffers)},
      {"glDeleteFramebuffersEXT", As<PFNGLDELETEFRAMEBUFFERSEXTPROC>(&DeleteFramebuffers)},
      {"glBindFramebufferEXT", As<PFNGLBINDFRAMEBUFFEREXTPROC>(&BindFramebuffer)},
      {"glFramebufferTexture2DEXT", As<PFNGLFRAMEBUFFERTEXTURE2DEXTPROC>(&FramebufferTexture2D)},
  };
  for (const Special& special : specials) {
    if (std::strcmp(special.name, name) == 0) return special.address;
  }
  return nullptr;
}

#define STUB_SWAP(type, name) {#name, As<type>(&Inert<type>::Call), 0},
#define STUB_MULTITEXTURE(type, name) {#name, As<type>(&Inert<type>::Call), 1},
#define STUB_SHADER(type, name) {#name, As<type>(&Inert<type>::Call), 2},
#define STUB_FRAMEBUFFER(type, name) {#name, As<type>(&Inert<type>::Call), 3},
// In the extension table's lookup order.
const NamedEntry kEntries[] = {
    HELIX_MULTITEXTURE_ENTRIES(STUB_MULTITEXTURE) HELIX_SHADER_OBJECT_ENTRIES(STUB_SHADER)
        HELIX_FRAMEBUFFER_OBJECT_ENTRIES(STUB_FRAMEBUFFER) HELIX_SWAP_INTERVAL_ENTRIES(STUB_SWAP)};
#undef STUB_SWAP
#undef STUB_MULTITEXTURE
#undef STUB_SHADER
#undef STUB_FRAMEBUFFER

bool GroupOffered(int group) {
  const Driver& driver = S().driver;
  switch (group) {
    case 0:
      return driver.swapInterval;
    case 1:
      return driver.multitexture;
    case 2:
      return driver.shaderObjects;
    default:
      return driver.framebufferObjects;
  }
}

}  // namespace

Driver& Config() { return S().driver; }

bool Offers(Group group) {
  const int number = static_cast<int>(group);
  if (!GroupOffered(number)) return false;
  const int missing = S().driver.missingEntry;
  const int count = static_cast<int>(sizeof kEntries / sizeof kEntries[0]);
  return missing < 0 || missing >= count || kEntries[missing].group != number;
}

void Reset() { S() = State{}; }

std::size_t LiveTextures() { return S().textures.size(); }
std::size_t LiveFramebuffers() { return S().framebuffers.size(); }
std::size_t LiveShaderObjects() { return S().shaders.size() + S().programs.size(); }
std::size_t TexturesMade() { return S().texturesMade; }
GLenum ActiveTextureUnit() { return S().activeUnit; }
GLhandleARB CurrentProgram() { return S().currentProgram; }
const std::string& FirstFault() { return S().fault; }
const std::string& LatestFragmentSource() { return S().fragmentSource; }

}  // namespace stub_driver

using stub_driver::S;

namespace platform {

namespace {
GLEntryPoint StubFind(const char* name) {
  // Built once: the plugin asks for all 92 names on every instantiation.
  struct Resolved {
    int index;
    GLEntryPoint address;
  };
  static const std::map<std::string, Resolved> table = [] {
    std::map<std::string, Resolved> entries;
    int index = 0;
    for (const stub_driver::NamedEntry& entry : stub_driver::kEntries) {
      const GLEntryPoint special = stub_driver::Override(entry.name);
      entries[entry.name] = {index++, special != nullptr ? special : entry.address};
    }
    return entries;
  }();
  const auto found = table.find(name);
  if (found == table.end()) return nullptr;
  const stub_driver::NamedEntry& entry = stub_driver::kEntries[found->second.index];
  if (!stub_driver::GroupOffered(entry.group) || found->second.index == S().driver.missingEntry) {
    return nullptr;
  }
  return found->second.address;
}
}  // namespace

GLEntryPointLookup::GLEntryPointLookup() : find_(StubFind) {}

// A clock that advances a millisecond each time it is read.
std::int64_t CounterFrequency() { return 1000000; }
std::int64_t CounterValue() { return S().counter += 1000; }

bool CurrentLocalTime(std::tm& out) {
  std::memset(&out, 0, sizeof out);
  out.tm_year = 124;
  out.tm_mon = 5;
  out.tm_mday = 21;
  out.tm_hour = 12;
  return true;
}

}  // namespace platform

// The OpenGL 1.1 functions the plugin links to.
extern "C" {

void GLAPIENTRY glGenTextures(GLsizei count, GLuint* names) {
  if (count < 0) return stub_driver::Fault("glGenTextures with a negative count", 0);
  for (GLsizei i = 0; i < count; ++i) {
    names[i] = S().nextTexture++;
    S().textures.insert(names[i]);
    ++S().texturesMade;
  }
}

void GLAPIENTRY glDeleteTextures(GLsizei count, const GLuint* names) {
  if (count < 0) return stub_driver::Fault("glDeleteTextures with a negative count", 0);
  for (GLsizei i = 0; i < count; ++i) {
    if (names[i] != 0 && S().textures.erase(names[i]) == 0) {
      stub_driver::Fault("glDeleteTextures of a texture that is not alive", names[i]);
    }
  }
}

void GLAPIENTRY glGetFloatv(GLenum parameter, GLfloat* values) {
  if (parameter == GL_VIEWPORT) std::memcpy(values, S().driver.viewport, sizeof S().driver.viewport);
}

void GLAPIENTRY glBindTexture(GLenum, GLuint) {}
void GLAPIENTRY glTexImage2D(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum,
                             const GLvoid*) {}
void GLAPIENTRY glTexParameterf(GLenum, GLenum, GLfloat) {}
void GLAPIENTRY glTexParameteri(GLenum, GLenum, GLint) {}
void GLAPIENTRY glViewport(GLint, GLint, GLsizei, GLsizei) {}
void GLAPIENTRY glEnable(GLenum) {}
void GLAPIENTRY glDisable(GLenum) {}
void GLAPIENTRY glBegin(GLenum) {}
void GLAPIENTRY glEnd() {}
void GLAPIENTRY glTexCoord2f(GLfloat, GLfloat) {}
void GLAPIENTRY glVertex2f(GLfloat, GLfloat) {}

}  // extern "C"

// A finding stops the run with what went wrong and the driver's first
// complaint, so the fuzzer keeps the input that caused it.
void FuzzFinding(const char* what) {
  std::fprintf(stderr, "fuzz finding: %s\n", what);
  if (!stub_driver::FirstFault().empty()) {
    std::fprintf(stderr, "driver saw: %s\n", stub_driver::FirstFault().c_str());
  }
  std::abort();
}
