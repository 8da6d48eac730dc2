// The shader effect: a plugin instance that draws one full-viewport quad
// coloured by a GLSL fragment program, fed each frame from its clock, the
// local date, the viewport, its parameters and up to two input textures.
// What it draws and which parameters it has come from its description.
#pragma once

#include <atomic>
#include <string>

#include "effect/AnimationClock.h"
#include "effect/ChannelTextures.h"
#include "effect/InputCopy.h"
#include "effect/NamedUniforms.h"
#include "effect/PassBuffers.h"
#include "effect/PluginDescription.h"
#include "gl/FFGLShader.h"
#include "gl/GLExtensionTable.h"
#include "plugin/FreeFrameGLPlugin.h"

class ShaderEffect : public CFreeFrameGLPlugin {
 public:
  // The description must outlive the instance (it lives as long as the
  // library's registration record).
  explicit ShaderEffect(const PluginDescription& description);
  ~ShaderEffect() override = default;

  // GL lifecycle (needs the host's context current).
  FFUInt32 InitGL(const FFGLViewportStruct* viewport) override;
  FFUInt32 DeInitGL() override;
  // InitGL with a fragment text of either convention in place of the
  // description's program.
  FFUInt32 InitGLWithFragment(const FFGLViewportStruct* viewport, const char* fragmentText);
  // Turns a fragment text into the linked program and finds its uniforms.
  bool PrepareProgram(std::string fragmentText);

  // Every described parameter, announced or not; other indices are refused.
  FFUInt32 SetFloatParameter(FFUInt32 index, float value) override;
  float GetFloatParameter(FFUInt32 index) override;
  const char* GetParameterDisplay(FFUInt32 index) override;

  FFUInt32 ProcessOpenGL(const ProcessOpenGLStruct* frame) override;
  // Taken only where the description asks for the host's time.
  FFUInt32 SetTime(double hostTime) override;

  void ResetState();

  // The value that drives `feed`: its parameter's, or the resting value
  // where no parameter feeds it.
  float FeedValue(ParameterFeed feed) const {
    const int index = feedParameter[static_cast<FFUInt32>(feed)];
    return index >= 0 ? parameterValues[index].load(std::memory_order_relaxed)
                      : kRestingValue[static_cast<FFUInt32>(feed)];
  }

  // Parameters by index. Atomic: a host's interface thread may set them
  // while its render thread draws.
  std::atomic<float> parameterValues[PluginDescription::kMaximumParameters];

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
  // A complete program's own uniforms, and its passes' buffers and pictures.
  NamedUniforms namedUniforms;
  PassBuffers passBuffers;
  PassTimer passTimer;
  const PluginDescription& Description() const { return description_; }

  // Those of the site conventions only.
  GLint timeDeltaLocation = -1;
  GLint frameLocation = -1;
  GLint frameRateLocation = -1;
  GLint sampleRateLocation = -1;
  GLint surfaceLocation = -1;
  GLint backbufferLocation = -1;

  // The site conventions' frame state.
  ChannelTextures channelTextures;
  int frameNumber = 0;           // iFrame: frames drawn since the program was made
  float timeDelta = 0.0f;        // iTimeDelta: the latest frame's step of the clock
  float frameRate = 60.0f;       // iFrameRate
  bool mouseDown = false;        // the button parameter at the latest frame
  float mousePress[2] = {0.0f, 0.0f};  // where the button went down, in pixels
  double hostTime = 0.0;         // the latest FF_SETTIME
  double clockHostTime = 0.0;    // the host time the clock has reached
  bool hostTimeGiven = false;

 private:
  // Mouse feeds rest at the middle, colour feeds at 1 (a colour that
  // changes nothing), the clock at speed 0.5 (real time).
  static constexpr float kRestingValue[static_cast<FFUInt32>(ParameterFeed::kCount)] = {
      0.0f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 1.0f, 1.0f, 1.0f, 1.0f, 0.0f};

  void ReportRejectedProgram() const;
  void ReportUnusable(const char* why) const;
  // The frame of a complete program with passes or imported pictures.
  FFUInt32 ProcessPassFrame(const ProcessOpenGLStruct& frame, const GLfloat viewport[4]);
  void LocateUniforms();
  void ReadDate();
  void UploadUniforms(const GLuint channelHandle[2]);
  // The frame of a plugin that follows the site conventions.
  FFUInt32 ProcessSiteFrame(const ProcessOpenGLStruct& frame, const GLfloat viewport[4]);
  void LocateSiteUniforms();
  void AdvanceSiteClock();
  void UploadSiteUniforms();
  void UpdateSiteMouse();

  const PluginDescription& description_;
  FFUInt32 parameterCount_ = 0;
  // The parameter that feeds each ParameterFeed, -1 for none.
  int feedParameter[static_cast<FFUInt32>(ParameterFeed::kCount)];
};

// A factory's work for any description: a new instance through `out`, or
// null and FF_FAIL.
FFUInt32 CreateShaderEffect(const PluginDescription& description, CFreeFrameGLPlugin** out);
