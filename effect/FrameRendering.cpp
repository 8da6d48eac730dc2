// One frame: copy the inputs the program samples, advance the animation
// clock, upload every uniform the program uses and draw one quad over the
// host's viewport. Nothing is allocated per frame.
#include "effect/FullViewportQuad.h"
#include "effect/ShaderEffect.h"
#include "platform/Platform.h"

// The host state a frame leaves, whatever it drew:
// - framebuffer: the host's (HostFBO) bound again if an input was copied,
//   otherwise untouched;
// - viewport: as the host set it;
// - active texture unit: GL_TEXTURE0;
// - GL_TEXTURE_2D bindings on units 0 and 1: 0 where the frame bound one;
// - GL_TEXTURE_2D enable: off on the unit that was active for the quad;
// - program: none current.
FFUInt32 ShaderEffect::ProcessOpenGL(const ProcessOpenGLStruct* frame) {
  if (!initialized || frame == nullptr) return FF_SUCCESS;

  GLfloat viewport[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  glGetFloatv(GL_VIEWPORT, viewport);
  viewportWidth = viewport[2];
  viewportHeight = viewport[3];
  if (description_.siteConventions) return ProcessSiteFrame(*frame, viewport);

  // Framebuffer and viewport: changed by the copies, put back by them.
  const bool sampled[2] = {channelLocation[0] >= 0, channelLocation[1] >= 0};
  GLuint channelHandle[2] = {0, 0};
  if (sampled[0] || sampled[1]) {
    inputCopy.CopySampledInputs(extensions, *frame, sampled, viewport, channelResolution,
                                channelHandle);
  }

  clock.Advance(FeedValue(ParameterFeed::kClockSpeed));
  for (float& value : channelTime) value = clock.elapsedTime;
  ReadDate();

  // Program: made current here, none current at the end.
  shader.MakeCurrent();
  UploadUniforms(channelHandle);
  namedUniforms.Upload(extensions, *this);

  // Texture units and bindings: each sampled channel gets its copy, or the
  // host's texture where no copy exists; unbound in reverse after the quad.
  const bool bind0 = sampled[0] && channelHandle[0] != 0;
  const bool bind1 = sampled[1] && channelHandle[1] != 0;
  if (bind0) {
    extensions.glActiveTexture(GL_TEXTURE0);
    const GLuint copy = inputCopy.channelTexture[0];
    glBindTexture(GL_TEXTURE_2D, copy != 0 ? copy : channelHandle[0]);
  }
  if (bind1) {
    extensions.glActiveTexture(GL_TEXTURE1);
    const GLuint copy = inputCopy.channelTexture[1];
    glBindTexture(GL_TEXTURE_2D, copy != 0 ? copy : channelHandle[1]);
  }

  glEnable(GL_TEXTURE_2D);
  DrawFullViewportQuad(1.0f, 1.0f);
  glDisable(GL_TEXTURE_2D);

  if (bind1) {
    extensions.glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
  }
  extensions.glActiveTexture(GL_TEXTURE0);
  if (bind0) glBindTexture(GL_TEXTURE_2D, 0);

  shader.ClearCurrent();
  return FF_SUCCESS;
}

// Year from 1900, month from 1, day, seconds since local midnight.
void ShaderEffect::ReadDate() {
  std::tm local{};
  platform::CurrentLocalTime(local);
  dateValues[0] = static_cast<float>(local.tm_year);
  dateValues[1] = static_cast<float>(local.tm_mon) + 1.0f;
  dateValues[2] = static_cast<float>(local.tm_mday);
  dateValues[3] = static_cast<float>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec);
}

void ShaderEffect::UploadUniforms(const GLuint channelHandle[2]) {
  const GLExtensionTable& gl = extensions;
  const float vw = viewportWidth;
  const float vh = viewportHeight;
  if (channelLocation[0] >= 0 && channelHandle[0] != 0) gl.glUniform1iARB(channelLocation[0], 0);
  if (channelLocation[1] >= 0 && channelHandle[1] != 0) gl.glUniform1iARB(channelLocation[1], 1);
  if (timeLocation >= 0) gl.glUniform1fARB(timeLocation, clock.elapsedTime);
  if (resolutionLocation >= 0) gl.glUniform2fARB(resolutionLocation, vw, vh);
  if (mouseLocation >= 0) {
    mouseValues[0] = FeedValue(ParameterFeed::kMouseX);
    mouseValues[1] = FeedValue(ParameterFeed::kMouseY);
    gl.glUniform2fARB(mouseLocation, mouseValues[0], mouseValues[1]);
  }
  if (surfaceSizeLocation >= 0) {
    mouseValues[2] = FeedValue(ParameterFeed::kMouseLeftX) * vw;
    mouseValues[3] = FeedValue(ParameterFeed::kMouseLeftY) * vh;
    gl.glUniform2fARB(surfaceSizeLocation, mouseValues[2], mouseValues[3]);
  }
  if (iMouseLocation >= 0) {
    mouseValues[0] = FeedValue(ParameterFeed::kMouseX) * vw;
    mouseValues[1] = FeedValue(ParameterFeed::kMouseY) * vh;
    mouseValues[2] = FeedValue(ParameterFeed::kMouseLeftX) * vw;
    mouseValues[3] = FeedValue(ParameterFeed::kMouseLeftY) * vh;
    gl.glUniform4fARB(iMouseLocation, mouseValues[0], mouseValues[1], mouseValues[2],
                      mouseValues[3]);
  }
  if (iResolutionLocation >= 0) gl.glUniform3fARB(iResolutionLocation, vw, vh, 1.0f);
  if (channelResolutionLocation >= 0) {
    for (int channel = 2; channel < 4; ++channel) {
      channelResolution[channel][0] = vw;
      channelResolution[channel][1] = vh;
      channelResolution[channel][2] = 1.0f;
    }
    gl.glUniform3fvARB(channelResolutionLocation, 4, &channelResolution[0][0]);
  }
  if (dateLocation >= 0) {
    gl.glUniform4fARB(dateLocation, dateValues[0], dateValues[1], dateValues[2], dateValues[3]);
  }
  if (channelTimeLocation >= 0) gl.glUniform1fvARB(channelTimeLocation, 4, channelTime);
  if (inputColourLocation >= 0) {
    gl.glUniform4fARB(inputColourLocation, FeedValue(ParameterFeed::kRed),
                      FeedValue(ParameterFeed::kGreen), FeedValue(ParameterFeed::kBlue),
                      FeedValue(ParameterFeed::kAlpha));
  }
}
