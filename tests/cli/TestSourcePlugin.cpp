// A small FreeFrame GL source plugin, not built from the product's code, so
// the command-line host is checked against a second plugin. Built several
// ways: well-behaved; one that leaves its program current and GL_TEXTURE_2D
// enabled after a frame (validate must name the GL state check); one that
// refuses every instance; one that allocates on the heap in every frame; one
// that leaks a block on every instance (the sanitizer run must report it);
// one that crashes in its frame; an effect that needs one input and draws
// it; one whose texts are Latin-1 and hold control characters; one that
// takes the host's time and logs every FF_SETTIME it gets. With
// TEST_PLUGIN_FIXED_FUNCTION it draws without a program (the Windows build).
// The TEST_PLUGIN_FAULT_* variants are hostile: each does one thing a host
// must survive (bad pointers, failure words, OpenGL state left changed).
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "plugin/FreeFrame.h"

#if defined(TEST_PLUGIN_FAULT_NAME_AT_GUARD_PAGE)
#include <sys/mman.h>
#endif
#if defined(TEST_PLUGIN_FAULT_CRASHES_ON_OWN_THREAD) || defined(TEST_PLUGIN_FAULT_HANGS_IN_FRAME)
#include <chrono>
#include <thread>
#endif

namespace {

#if defined(TEST_PLUGIN_NEEDS_INPUT)
constexpr FFUInt32 kType = FF_EFFECT;
constexpr FFWord kMinimumInputs = 1;
#else
constexpr FFUInt32 kType = FF_SOURCE;
constexpr FFWord kMinimumInputs = 0;
#endif
PluginInfoStruct info = {1, 5, {'T', 'S', 'T', 'P'},
                         {'T', 'e', 's', 't', ' ', 'S', 'o', 'u', 'r', 'c', 'e', 0, 0, 0, 0, 0},
                         kType};
#if defined(TEST_PLUGIN_LATIN1_TEXTS)
// Older plugins' texts: an 8-bit code page, and a stray escape character.
PluginExtendedInfoStruct extendedInfo = {1, 0, "Solid\x1B[31m colour", "ffgl-host tests", 0,
                                         nullptr};
const char levelName[16] = {'C', 'a', 'f', '\xE9'};
#else
PluginExtendedInfoStruct extendedInfo = {1, 0, "Solid colour test source", "ffgl-host tests", 0,
                                         nullptr};
const char levelName[16] = {'L', 'e', 'v', 'e', 'l'};
#endif
char display[32];

#if defined(TEST_PLUGIN_FAULT_TEXT_PARAMETER_FAILS)
// A text parameter whose value the plugin will not give.
constexpr FFWord kParameterType = FF_TYPE_TEXT;
FFWord ParameterDefault() { return reinterpret_cast<FFWord>("text"); }
#else
constexpr FFWord kParameterType = FF_TYPE_STANDARD;
FFWord ParameterDefault() { return FFWordFromFloat(0.5f); }
#endif

// The parameter's name as the variant hands it out.
FFWord ParameterName() {
#if defined(TEST_PLUGIN_FAULT_NAME_AT_GUARD_PAGE)
  // Eight letters and no NUL before a page that cannot be read.
  static char* page = nullptr;
  if (page == nullptr) {
    void* pages = mmap(nullptr, 8192, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    page = static_cast<char*>(pages);
    std::memset(page, 'A', 4096);
    mprotect(page + 4096, 4096, PROT_NONE);
  }
  return reinterpret_cast<FFWord>(page + 4096 - 8);
#else
  return reinterpret_cast<FFWord>(levelName);
#endif
}

// The information record, and on later calls what the variant gives instead.
FFWord Information() {
#if defined(TEST_PLUGIN_FAULT_NULL_SECOND_INFO)
  static int calls = 0;
  if (++calls > 1) return 0;
#endif
  return reinterpret_cast<FFWord>(&info);
}

FFWord ExtendedInformation() {
#if defined(TEST_PLUGIN_FAULT_UNREADABLE_TEXT)
  // A description that points where nothing is mapped.
  extendedInfo.Description = reinterpret_cast<const char*>(std::uintptr_t{64});
#endif
  return reinterpret_cast<FFWord>(&extendedInfo);
}

#if defined(TEST_PLUGIN_FAULT_CRASHES_WHILE_LOADING) || defined(TEST_PLUGIN_FAULT_CRASHES_AT_UNLOAD)
// A write through a pointer to nowhere, from a static object's constructor
// or destructor: code that runs as the library loads or unloads.
struct Nowhere {
  static void Write() {
    static int* volatile nowhere = reinterpret_cast<int*>(std::uintptr_t{16});
    *nowhere = 1;
  }
#if defined(TEST_PLUGIN_FAULT_CRASHES_WHILE_LOADING)
  Nowhere() { Write(); }
#else
  ~Nowhere() { Write(); }
#endif
};
Nowhere nowhere;
#endif

// What the variants that misbehave around a frame do in it.
void MisbehaveInFrame() {
#if defined(TEST_PLUGIN_FAULT_EXIT_IN_FRAME)
  std::exit(0);
#endif
#if defined(TEST_PLUGIN_FAULT_HANGS_IN_FRAME)
  for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
#endif
#if defined(TEST_PLUGIN_FAULT_CRASHES_ON_OWN_THREAD)
  static bool started = false;
  if (!started) {
    started = true;
    std::thread([] {
      static int* volatile nowhere = reinterpret_cast<int*>(std::uintptr_t{16});
      *nowhere = 1;
    }).detach();
    // The host is inside this call when the thread's fault ends the process.
    std::this_thread::sleep_for(std::chrono::seconds(5));
  }
#endif
}

// What a frame leaves behind in the variants that change the host's state.
void LeaveState() {
#if defined(TEST_PLUGIN_FAULT_LEAVES_BLENDING)
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE);
#endif
#if defined(TEST_PLUGIN_FAULT_LEAVES_SCISSOR)
  glEnable(GL_SCISSOR_TEST);
#endif
#if defined(TEST_PLUGIN_FAULT_LEAVES_COLOUR_MASK)
  glColorMask(GL_TRUE, GL_FALSE, GL_TRUE, GL_TRUE);
#endif
#if defined(TEST_PLUGIN_FAULT_LEAVES_TEXTURE_MATRIX)
  glMatrixMode(GL_TEXTURE);
  glScalef(2.0f, 2.0f, 1.0f);
  glMatrixMode(GL_MODELVIEW);
#endif
#if defined(TEST_PLUGIN_FAULT_LEAVES_DEPTH)
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
#endif
}

struct Instance {
  float level = 0.5f;
  GLuint program = 0;
};
Instance instances[8];
bool live[8];

Instance* Find(FFWord id) {
  for (int i = 0; i < 8; ++i) {
    if (live[i] && reinterpret_cast<FFWord>(&instances[i]) == id) return &instances[i];
  }
  return nullptr;
}

#if defined(TEST_PLUGIN_FIXED_FUNCTION)
// Windows' OpenGL library exports OpenGL 1.1 only: no program, a colour.
GLuint MakeProgram() { return 0; }
void UseProgram(const Instance& instance) {
  glColor4f(instance.level, 0.25f, 0.75f, 1.0f);
}
[[maybe_unused]] void StopProgram() {}
void DeleteProgram(GLuint) {}
#define TEST_PLUGIN_EXPORT __declspec(dllexport)
#else
void UseProgram(const Instance& instance) {
  glUseProgram(instance.program);
  glUniform1f(glGetUniformLocation(instance.program, "level"), instance.level);
}
[[maybe_unused]] void StopProgram() { glUseProgram(0); }
void DeleteProgram(GLuint program) { glDeleteProgram(program); }
#define TEST_PLUGIN_EXPORT __attribute__((visibility("default")))

GLuint MakeProgram() {
  const char* text = "uniform float level; void main() { gl_FragColor = vec4(level, 0.25, 0.75, 1.0); }";
  const GLuint shader = glCreateShader(GL_FRAGMENT_SHADER);
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  const GLuint program = glCreateProgram();
  glAttachShader(program, shader);
  glLinkProgram(program);
  glDeleteShader(shader);
  return program;
}
#endif

FFWord Instantiate(const FFGLViewportStruct* viewport) {
#if defined(TEST_PLUGIN_REFUSES_INSTANCES)
  const bool refuse = true;
#else
  const bool refuse = false;
#endif
  if (viewport == nullptr || refuse) return FF_FAIL;
#if defined(TEST_PLUGIN_LEAKS_AN_ALLOCATION)
  // A block nothing points to once the next line has run: a real leak.
  [[maybe_unused]] static int* volatile forgotten = nullptr;
  forgotten = new int[32];
  forgotten = nullptr;
#endif
  for (int i = 0; i < 8; ++i) {
    if (!live[i]) {
      live[i] = true;
      instances[i] = Instance{};
      instances[i].program = MakeProgram();
      return reinterpret_cast<FFWord>(&instances[i]);
    }
  }
  return FF_FAIL;
}

#if defined(TEST_PLUGIN_NEEDS_INPUT)
// Draws the first input over the viewport with fixed-function texturing,
// then puts the texture state back.
FFWord DrawInput(const ProcessOpenGLStruct& frame) {
  if (frame.numInputTextures < 1 || frame.inputTextures == nullptr ||
      frame.inputTextures[0] == nullptr) {
    return FF_FAIL;
  }
  const FFGLTextureStruct& input = *frame.inputTextures[0];
  const float right = static_cast<float>(input.Width) / static_cast<float>(input.HardwareWidth);
  const float top = static_cast<float>(input.Height) / static_cast<float>(input.HardwareHeight);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, input.Handle);
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex2f(-1.0f, -1.0f);
  glTexCoord2f(0.0f, top);
  glVertex2f(-1.0f, 1.0f);
  glTexCoord2f(right, top);
  glVertex2f(1.0f, 1.0f);
  glTexCoord2f(right, 0.0f);
  glVertex2f(1.0f, -1.0f);
  glEnd();
  glBindTexture(GL_TEXTURE_2D, 0);
  glDisable(GL_TEXTURE_2D);
  return FF_SUCCESS;
}
#endif

FFWord Frame(Instance& instance, const ProcessOpenGLStruct& frame) {
#if defined(TEST_PLUGIN_CRASHES_IN_FRAME)
  // What a faulty plugin does: write through a pointer to nowhere (not
  // null, so the sanitizer build's own null check does not catch it first).
  static int* volatile nowhere = reinterpret_cast<int*>(std::uintptr_t{16});
  *nowhere = 1;
#endif
  MisbehaveInFrame();
#if defined(TEST_PLUGIN_NEEDS_INPUT)
  return DrawInput(frame);
#else
  (void)frame;
#endif
#if defined(TEST_PLUGIN_ALLOCATES_PER_FRAME)
  // What a careless frame does: a heap block per frame.
  static int* volatile scratch = nullptr;
  scratch = new int[16];
  delete[] scratch;
#endif
  UseProgram(instance);
  glBegin(GL_QUADS);
  glVertex2f(-1.0f, -1.0f);
  glVertex2f(-1.0f, 1.0f);
  glVertex2f(1.0f, 1.0f);
  glVertex2f(1.0f, -1.0f);
  glEnd();
#if defined(TEST_PLUGIN_LEAVES_PROGRAM)
  glEnable(GL_TEXTURE_2D);
#else
  StopProgram();
#endif
  LeaveState();
  return FF_SUCCESS;
}

}  // namespace

extern "C" TEST_PLUGIN_EXPORT FFWord plugMain(FFUInt32 code, FFWord input, FFWord id) {
#if defined(TEST_PLUGIN_FAULT_WRITES_STDOUT)
  // Chatter on standard output, buffered and not, in every call.
  std::printf("plugMain %u\n", static_cast<unsigned>(code));
  std::fputs("{\"not\": \"json\"\n", stdout);
#endif
  switch (code) {
    case FF_GETINFO: return Information();
    case FF_GETEXTENDEDINFO: return ExtendedInformation();
    case FF_INITIALISE:
    case FF_DEINITIALISE: return FF_SUCCESS;
    case FF_GETNUMPARAMETERS: return 1;
    case FF_GETPARAMETERNAME: return input == 0 ? ParameterName() : 0;
    case FF_GETPARAMETERDEFAULT: return input == 0 ? ParameterDefault() : FF_FAIL;
    case FF_GETPARAMETERTYPE: return input == 0 ? kParameterType : FF_FAIL;
    case FF_GETPLUGINCAPS:
#if defined(TEST_PLUGIN_TAKES_HOST_TIME)
      if (input == FF_CAP_SETTIME) return 1;
#endif
      if (input == FF_CAP_MINIMUMINPUTFRAMES) return kMinimumInputs;
      if (input == FF_CAP_MAXIMUMINPUTFRAMES) return kMinimumInputs;
      return input == FF_CAP_PROCESSOPENGL ? 1 : 0;
    case FF_INSTANTIATEGL: return Instantiate(reinterpret_cast<const FFGLViewportStruct*>(input));
    default: break;
  }
  Instance* instance = Find(id);
  if (instance == nullptr) return FF_FAIL;
  switch (code) {
    case FF_DEINSTANTIATEGL:
      DeleteProgram(instance->program);
      live[instance - instances] = false;
      return FF_SUCCESS;
    case FF_SETPARAMETER: {
      const auto* set = reinterpret_cast<const SetParameterStruct*>(input);
      if (set == nullptr || set->ParameterNumber != 0) return FF_FAIL;
      instance->level = FFFloatFromWord(set->NewParameterValue);
      return FF_SUCCESS;
    }
    case FF_GETPARAMETER:
      if (kParameterType == FF_TYPE_TEXT) return FF_FAIL;
      return input == 0 ? FFWordFromFloat(instance->level) : FF_FAIL;
    case FF_GETINPUTSTATUS: return input < kMinimumInputs ? 0 : FF_FAIL;
    case FF_GETPARAMETERDISPLAY:
      std::memset(display, 0, sizeof display);
      std::memcpy(display, "level", 5);
      return reinterpret_cast<FFWord>(display);
#if defined(TEST_PLUGIN_TAKES_HOST_TIME)
    case FF_SETTIME: {
      // Each time as it came, exactly, to the file the test names.
      const char* log = std::getenv("TEST_PLUGIN_TIME_LOG");
      std::FILE* file = log != nullptr ? std::fopen(log, "a") : nullptr;
      if (file == nullptr || input == 0) return FF_FAIL;
      std::fprintf(file, "%a\n", *reinterpret_cast<const double*>(input));
      std::fclose(file);
      return FF_SUCCESS;
    }
#endif
    case FF_PROCESSOPENGL:
      return input != 0 ? Frame(*instance, *reinterpret_cast<const ProcessOpenGLStruct*>(input))
                        : FF_FAIL;
    default: return FF_FAIL;
  }
}
