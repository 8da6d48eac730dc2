// A small FreeFrame GL source plugin, not built from the product's code, so
// the command-line host is checked against a second plugin. Built several
// ways: well-behaved; one that leaves its program current after a frame
// (validate must name the GL state check); one that refuses every instance;
// one that allocates on the heap in every frame; one that leaks a block on
// every instance (the sanitizer run must report it).
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>

#include "plugin/FreeFrame.h"

namespace {

PluginInfoStruct info = {1, 5, {'T', 'S', 'T', 'P'},
                         {'T', 'e', 's', 't', ' ', 'S', 'o', 'u', 'r', 'c', 'e', 0, 0, 0, 0, 0},
                         FF_SOURCE};
PluginExtendedInfoStruct extendedInfo = {1, 0, "Solid colour test source", "ffgl-host tests", 0,
                                         nullptr};
const char levelName[16] = {'L', 'e', 'v', 'e', 'l'};
char display[32];

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

FFWord Frame(Instance& instance) {
#if defined(TEST_PLUGIN_ALLOCATES_PER_FRAME)
  // What a careless frame does: a heap block per frame.
  static int* volatile scratch = nullptr;
  scratch = new int[16];
  delete[] scratch;
#endif
  glUseProgram(instance.program);
  glUniform1f(glGetUniformLocation(instance.program, "level"), instance.level);
  glBegin(GL_QUADS);
  glVertex2f(-1.0f, -1.0f);
  glVertex2f(-1.0f, 1.0f);
  glVertex2f(1.0f, 1.0f);
  glVertex2f(1.0f, -1.0f);
  glEnd();
#if !defined(TEST_PLUGIN_LEAVES_PROGRAM)
  glUseProgram(0);
#endif
  return FF_SUCCESS;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) FFWord plugMain(FFUInt32 code, FFWord input,
                                                                   FFWord id) {
  switch (code) {
    case FF_GETINFO: return reinterpret_cast<FFWord>(&info);
    case FF_GETEXTENDEDINFO: return reinterpret_cast<FFWord>(&extendedInfo);
    case FF_INITIALISE:
    case FF_DEINITIALISE: return FF_SUCCESS;
    case FF_GETNUMPARAMETERS: return 1;
    case FF_GETPARAMETERNAME: return input == 0 ? reinterpret_cast<FFWord>(levelName) : 0;
    case FF_GETPARAMETERDEFAULT: return input == 0 ? FFWordFromFloat(0.5f) : FF_FAIL;
    case FF_GETPARAMETERTYPE: return input == 0 ? FF_TYPE_STANDARD : FF_FAIL;
    case FF_GETPLUGINCAPS: return input == FF_CAP_PROCESSOPENGL ? 1 : 0;
    case FF_INSTANTIATEGL: return Instantiate(reinterpret_cast<const FFGLViewportStruct*>(input));
    default: break;
  }
  Instance* instance = Find(id);
  if (instance == nullptr) return FF_FAIL;
  switch (code) {
    case FF_DEINSTANTIATEGL:
      glDeleteProgram(instance->program);
      live[instance - instances] = false;
      return FF_SUCCESS;
    case FF_SETPARAMETER: {
      const auto* set = reinterpret_cast<const SetParameterStruct*>(input);
      if (set == nullptr || set->ParameterNumber != 0) return FF_FAIL;
      instance->level = FFFloatFromWord(set->NewParameterValue);
      return FF_SUCCESS;
    }
    case FF_GETPARAMETER: return input == 0 ? FFWordFromFloat(instance->level) : FF_FAIL;
    case FF_GETPARAMETERDISPLAY:
      std::memset(display, 0, sizeof display);
      std::memcpy(display, "level", 5);
      return reinterpret_cast<FFWord>(display);
    case FF_PROCESSOPENGL: return input != 0 ? Frame(*instance) : FF_FAIL;
    default: return FF_FAIL;
  }
}
