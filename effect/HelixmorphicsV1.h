// The effect: a source plugin that draws one full-viewport quad coloured by
// a GLSL fragment program, fed each frame from its clock, the local date,
// the viewport, its parameters and up to two input textures.
#pragma once

#include <atomic>
#include <string>

#include "effect/AnimationClock.h"
#include "effect/InputCopy.h"
#include "gl/FFGLShader.h"
#include "gl/GLExtensionTable.h"
#include "plugin/FreeFrameGLPlugin.h"

// What a plugin made from a shader file sets differently from the built-in
// one: its fragment text, the names and defaults of the three parameters the
// host sees, the inputs it needs, and whether a program the driver rejects
// is reported on the debug output.
struct EffectSettings {
  const char* fragmentText;
  const char* parameterNames[3];
  float parameterDefaults[3];
  int minimumInputs;
  bool reportRejectedProgram;
};

class HelixmorphicsV1 : public CFreeFrameGLPlugin {
 public:
  // The nine numeric parameters by index. The first three are registered
  // with the host; the rest are accepted by the setter and getter but never
  // announced.
  enum Parameter : FFUInt32 {
    kSpeed,
    kDistort,
    kMode,
    kMouseLeftX,
    kMouseLeftY,
    kRed,
    kGreen,
    kBlue,
    kAlpha,
    kParameterCount,
    kRegisteredParameterCount = kMode + 1,
  };

  HelixmorphicsV1();
  explicit HelixmorphicsV1(const EffectSettings& settings);
  ~HelixmorphicsV1() override = default;

  // GL lifecycle (needs the host's context current).
  FFUInt32 InitGL(const FFGLViewportStruct* viewport) override;
  FFUInt32 DeInitGL() override;
  // InitGL with a fragment text of either convention in place of the
  // settings' program.
  FFUInt32 InitGLWithFragment(const FFGLViewportStruct* viewport, const char* fragmentText);
  // Turns a fragment text into the linked program and finds its uniforms.
  bool PrepareProgram(std::string fragmentText);

  // The nine numeric parameters; indices from kParameterCount on are refused.
  FFUInt32 SetFloatParameter(FFUInt32 index, float value) override;
  float GetFloatParameter(FFUInt32 index) override;

  FFUInt32 ProcessOpenGL(const ProcessOpenGLStruct* frame) override;

  void ResetState();

  // Parameters kSpeed to kAlpha, in index order. Atomic: a host's
  // interface thread may set them while its render thread draws.
  std::atomic<float> userSpeed{0.5f};
  std::atomic<float> userMouseX{0.5f};
  std::atomic<float> userMouseY{0.5f};
  std::atomic<float> userMouseLeftX{0.5f};
  std::atomic<float> userMouseLeftY{0.5f};
  // 1.0 each: an input colour that changes nothing.
  std::atomic<float> userRed{1.0f};
  std::atomic<float> userGreen{1.0f};
  std::atomic<float> userBlue{1.0f};
  std::atomic<float> userAlpha{1.0f};

  bool initialized = false;
  InputCopy inputCopy;
  float viewportWidth = 0.0f;
  float viewportHeight = 0.0f;
  AnimationClock clock;

  float dateValues[4] = {};
  float channelTime[4] = {};
  float channelResolution[4][3] = {};
  float mouseValues[4] = {};

  GLExtensionTable extensions;
  FFGLShader shader;

  // Uniform locations, -1 where the program does not use the uniform.
  GLint channelLocation[4] = {-1, -1, -1, -1};
  GLint timeLocation = -1;
  GLint dateLocation = -1;
  GLint channelTimeLocation = -1;
  GLint channelResolutionLocation = -1;
  GLint mouseLocation = -1;
  GLint iResolutionLocation = -1;
  GLint iMouseLocation = -1;
  GLint resolutionLocation = -1;
  GLint surfaceSizeLocation = -1;
  GLint inputColourLocation = -1;

 private:
  std::atomic<float>* ParameterField(FFUInt32 index);
  void ReportRejectedProgram() const;
  void LocateUniforms();
  void ReadDate();
  void UploadUniforms(const GLuint channelHandle[2]);

  EffectSettings settings;
};

// The factory kept in the built-in plugin's registration record.
FFUInt32 CreateHelixmorphicsV1(CFreeFrameGLPlugin** out);
// A factory's work for any settings: a new instance through `out`, or null
// and FF_FAIL.
FFUInt32 CreateEffectInstance(const EffectSettings& settings, CFreeFrameGLPlugin** out);
