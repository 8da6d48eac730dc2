// The effect: a source plugin that draws one full-viewport quad coloured by
// a GLSL fragment program, fed each frame from its clock, the local date,
// the viewport, its parameters and up to two input textures.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "gl/FFGLShader.h"
#include "gl/GLExtensionTable.h"
#include "plugin/FreeFrameGLPlugin.h"

// Where a picture ends inside a host texture, in texture coordinates.
struct TexCoordExtent {
  double s;  // Width / HardwareWidth
  double t;  // Height / HardwareHeight
};

TexCoordExtent PictureTexExtent(FFGLTextureStruct texture);

class HelixmorphicsV1 : public CFreeFrameGLPlugin {
 public:
  HelixmorphicsV1();
  ~HelixmorphicsV1() override = default;

  // GL lifecycle (needs the host's context current).
  FFUInt32 InitGL(const FFGLViewportStruct* viewport) override;
  FFUInt32 DeInitGL() override;
  // InitGL with a fragment text of either convention in place of the
  // built-in program.
  FFUInt32 InitGLWithFragment(const FFGLViewportStruct* viewport, const char* fragmentText);
  // Turns a fragment text into the linked program and finds its uniforms.
  bool PrepareProgram(std::string fragmentText);

  // The nine numeric parameters; indices above 8 are refused.
  FFUInt32 SetFloatParameter(FFUInt32 index, float value) override;
  float GetFloatParameter(FFUInt32 index) override;

  FFUInt32 ProcessOpenGL(const ProcessOpenGLStruct* frame) override;

  void ResetState();
  void RestartClock();
  double ClockMilliseconds() const;

  // Renders one host texture into the instance's own texture for a channel.
  void CopyInputTexture(FFGLTextureStruct input, TexCoordExtent extent, GLuint* texture,
                        GLenum textureUnit, GLuint* framebuffer, GLuint hostFramebuffer);

  // Parameters 0 to 8 ("Speed", "Distort", "Mode", then six the host is not
  // told of). Atomic: a host's interface thread may set them while its
  // render thread draws.
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
  GLuint channelTexture[4] = {0, 0, 0, 0};
  GLuint copyFramebuffer = 0;
  float viewportWidth = 0.0f;
  float viewportHeight = 0.0f;

  // Animation clock.
  double currentTime = 0.0;
  double previousTime = 0.0;
  double counterTicksPerMs = 0.0;
  std::int64_t counterStart = 0;
  float elapsedTime = 0.0f;

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
  void LocateUniforms();
  void DeleteChannelTextures();
  void UploadUniforms(const GLuint channelHandle[2]);
};

// The factory kept in the registration record.
FFUInt32 CreateHelixmorphicsV1(CFreeFrameGLPlugin** out);
