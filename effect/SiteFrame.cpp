// The frame of a plugin made from someone's shader: every uniform of the
// Shadertoy and GLSL Sandbox conventions with its meaning, channels fed
// from inputs or packed pictures, and the previous frame kept for
// backbuffer. Work is done only for the uniforms the program uses, and
// nothing is allocated per frame.
#include <cmath>

#include "effect/FullViewportQuad.h"
#include "effect/ShaderEffect.h"
#include "platform/Platform.h"

namespace {
constexpr float kSampleRate = 44100.0f;
}  // namespace

void ShaderEffect::LocateSiteUniforms() {
  for (GLint& location : channelLocation) location = -1;
  timeLocation = dateLocation = channelTimeLocation = channelResolutionLocation = -1;
  mouseLocation = iResolutionLocation = iMouseLocation = resolutionLocation = -1;
  surfaceSizeLocation = inputColourLocation = -1;
  timeDeltaLocation = frameLocation = frameRateLocation = sampleRateLocation = -1;
  surfaceLocation = backbufferLocation = -1;
  struct Lookup {
    const char* name;
    GLint* location;
  };
  const Lookup lookups[] = {
      {"iChannel0", &channelLocation[0]},
      {"iChannel1", &channelLocation[1]},
      {"iChannel2", &channelLocation[2]},
      {"iChannel3", &channelLocation[3]},
      {"texture", &channelLocation[0]},
      {"tex0", &channelLocation[0]},
      {"tex1", &channelLocation[1]},
      {"backbuffer", &backbufferLocation},
      {"bbuff", &backbufferLocation},
      {"time", &timeLocation},
      {"iGlobalTime", &timeLocation},
      {"mouse", &mouseLocation},
      {"resolution", &resolutionLocation},
      {"surfaceSize", &surfaceSizeLocation},
      {"helix_surface", &surfaceLocation},
      {"iResolution", &iResolutionLocation},
      {"iMouse", &iMouseLocation},
      {"iDate", &dateLocation},
      {"iTimeDelta", &timeDeltaLocation},
      {"iFrame", &frameLocation},
      {"iFrameRate", &frameRateLocation},
      {"iSampleRate", &sampleRateLocation},
      {"iChannelTime", &channelTimeLocation},
      {"iChannelTime[0]", &channelTimeLocation},
      {"iChannelResolution", &channelResolutionLocation},
      {"iChannelResolution[0]", &channelResolutionLocation},
      {"inputColour", &inputColourLocation},
  };
  for (const Lookup& lookup : lookups) {
    if (*lookup.location < 0) *lookup.location = shader.LocateUniform(lookup.name);
  }
}

// The host's time where it gives one, else the instance's own clock; either
// runs at Speed x 2.
void ShaderEffect::AdvanceSiteClock() {
  const float speed = FeedValue(ParameterFeed::kClockSpeed);
  const float before = clock.elapsedTime;
  double seconds = 0.0;
  if (hostTimeGiven) {
    seconds = hostTime - clockHostTime;
    clockHostTime = hostTime;
    clock.elapsedTime = static_cast<float>(seconds) * speed * 2.0f + clock.elapsedTime;
  } else {
    clock.Advance(speed);
    seconds = clock.currentTime - clock.previousTime;
  }
  timeDelta = clock.elapsedTime - before;
  frameRate = seconds > 0.0 ? static_cast<float>(1.0 / seconds) : 60.0f;
  for (float& value : channelTime) value = clock.elapsedTime;
}

// iMouse as the site gives it: xy the pointer (the mouse parameters), zw
// where the button went down, z negative once it is up again and w
// positive only on the frame it went down.
void ShaderEffect::UpdateSiteMouse() {
  const float x = FeedValue(ParameterFeed::kMouseX) * viewportWidth;
  const float y = FeedValue(ParameterFeed::kMouseY) * viewportHeight;
  const bool down = FeedValue(ParameterFeed::kMouseButton) >= 0.5f;
  const bool pressed = down && !mouseDown;
  if (pressed) {
    mousePress[0] = x;
    mousePress[1] = y;
  }
  mouseDown = down;
  mouseValues[0] = x;
  mouseValues[1] = y;
  mouseValues[2] = down ? mousePress[0] : -mousePress[0];
  mouseValues[3] = pressed ? mousePress[1] : -mousePress[1];
}

void ShaderEffect::UploadSiteUniforms() {
  const GLExtensionTable& gl = extensions;
  const float vw = viewportWidth;
  const float vh = viewportHeight;
  for (int i = 0; i < 4; ++i) {
    if (channelLocation[i] >= 0) gl.glUniform1iARB(channelLocation[i], i);
  }
  if (backbufferLocation >= 0) gl.glUniform1iARB(backbufferLocation, 4);
  if (timeLocation >= 0) gl.glUniform1fARB(timeLocation, clock.elapsedTime);
  if (timeDeltaLocation >= 0) gl.glUniform1fARB(timeDeltaLocation, timeDelta);
  if (frameLocation >= 0) gl.glUniform1iARB(frameLocation, frameNumber);
  if (frameRateLocation >= 0) gl.glUniform1fARB(frameRateLocation, frameRate);
  if (sampleRateLocation >= 0) gl.glUniform1fARB(sampleRateLocation, kSampleRate);
  if (resolutionLocation >= 0) gl.glUniform2fARB(resolutionLocation, vw, vh);
  if (iResolutionLocation >= 0) gl.glUniform3fARB(iResolutionLocation, vw, vh, 1.0f);
  if (mouseLocation >= 0) {
    gl.glUniform2fARB(mouseLocation, FeedValue(ParameterFeed::kMouseX),
                      FeedValue(ParameterFeed::kMouseY));
  }
  // The surface: 2 high, as wide as the picture's aspect, centred on 0.
  const float surfaceHeight = 2.0f;
  const float surfaceWidth = vh > 0.0f ? surfaceHeight * vw / vh : surfaceHeight;
  if (surfaceSizeLocation >= 0) gl.glUniform2fARB(surfaceSizeLocation, surfaceWidth, surfaceHeight);
  if (surfaceLocation >= 0 && vw > 0.0f && vh > 0.0f) {
    gl.glUniform4fARB(surfaceLocation, -0.5f * surfaceWidth, -0.5f * surfaceHeight,
                      surfaceWidth / vw, surfaceHeight / vh);
  }
  if (iMouseLocation >= 0) {
    UpdateSiteMouse();
    gl.glUniform4fARB(iMouseLocation, mouseValues[0], mouseValues[1], mouseValues[2],
                      mouseValues[3]);
  }
  if (channelResolutionLocation >= 0) {
    gl.glUniform3fvARB(channelResolutionLocation, 4, &channelResolution[0][0]);
  }
  if (dateLocation >= 0) {
    std::tm local{};
    platform::CurrentLocalTime(local);
    gl.glUniform4fARB(dateLocation, static_cast<float>(local.tm_year + 1900),
                      static_cast<float>(local.tm_mon), static_cast<float>(local.tm_mday),
                      static_cast<float>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec));
  }
  if (channelTimeLocation >= 0) gl.glUniform1fvARB(channelTimeLocation, 4, channelTime);
  if (inputColourLocation >= 0) {
    gl.glUniform4fARB(inputColourLocation, FeedValue(ParameterFeed::kRed),
                      FeedValue(ParameterFeed::kGreen), FeedValue(ParameterFeed::kBlue),
                      FeedValue(ParameterFeed::kAlpha));
  }
}

// Leaves the host state as ProcessOpenGL's other path does, for every unit
// it binds: 0 bound, GL_TEXTURE0 active, no program current.
FFUInt32 ShaderEffect::ProcessSiteFrame(const ProcessOpenGLStruct& frame,
                                        const GLfloat viewport[4]) {
  const bool sampled[2] = {
      channelLocation[0] >= 0 && description_.channels[0].source == ChannelSource::kInput,
      channelLocation[1] >= 0 && description_.channels[1].source == ChannelSource::kInput};
  GLuint inputHandle[2] = {0, 0};
  if (sampled[0] || sampled[1]) {
    inputCopy.CopySampledInputs(extensions, frame, sampled, viewport, channelResolution,
                                inputHandle);
  }
  AdvanceSiteClock();

  shader.MakeCurrent();
  UploadSiteUniforms();

  // Each sampled channel: its input's copy (or the host's texture), its
  // picture, or nothing, which samples black.
  bool bound[4] = {false, false, false, false};
  for (int i = 0; i < 4; ++i) {
    if (channelLocation[i] < 0) continue;
    GLuint texture = channelTextures.picture[i];
    if (i < 2 && sampled[i]) {
      texture = inputCopy.channelTexture[i] != 0 ? inputCopy.channelTexture[i] : inputHandle[i];
    }
    extensions.glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(i));
    glBindTexture(GL_TEXTURE_2D, texture);
    bound[i] = true;
  }
  const auto width = static_cast<GLsizei>(viewport[2]);
  const auto height = static_cast<GLsizei>(viewport[3]);
  const bool keepsFrame = backbufferLocation >= 0 && width > 0 && height > 0;
  if (keepsFrame) channelTextures.PreparePreviousFrame(extensions, width, height);

  extensions.glActiveTexture(GL_TEXTURE0);
  glEnable(GL_TEXTURE_2D);
  DrawFullViewportQuad(1.0f, 1.0f);
  glDisable(GL_TEXTURE_2D);

  if (keepsFrame) channelTextures.KeepFrame(extensions, viewport);
  for (int i = 3; i >= 0; --i) {
    if (!bound[i]) continue;
    extensions.glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(i));
    glBindTexture(GL_TEXTURE_2D, 0);
  }
  extensions.glActiveTexture(GL_TEXTURE0);
  shader.ClearCurrent();
  ++frameNumber;
  return FF_SUCCESS;
}
