// One frame: copy the inputs the program samples, advance the animation
// clock, upload every uniform the program uses and draw one quad over the
// host's viewport. Nothing is allocated per frame.
#include <algorithm>

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
  if (description_.MultiplePasses()) return ProcessPassFrame(*frame, viewport);

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

// The host state a frame with passes leaves, whatever it drew:
// - framebuffer: the host's (HostFBO) bound again whenever a pass drew into
//   a buffer, a buffer was made or an input was copied;
// - viewport: as the host set it (each buffer's pass sets its own);
// - clear colour: as the host set it (new buffers are cleared to 0);
// - active texture unit: GL_TEXTURE0;
// - GL_TEXTURE_2D bindings: 0 on every unit the frame bound (inputs on 0
//   and 1, the buffers and pictures the program samples from 2);
// - GL_TEXTURE_2D enable: off on unit 0, where each quad is drawn;
// - program: none current.
FFUInt32 ShaderEffect::ProcessPassFrame(const ProcessOpenGLStruct& frame,
                                        const GLfloat viewport[4]) {
  const GLExtensionTable& gl = extensions;
  const bool sampled[2] = {channelLocation[0] >= 0, channelLocation[1] >= 0};
  GLuint channelHandle[2] = {0, 0};
  if (sampled[0] || sampled[1]) {
    inputCopy.CopySampledInputs(gl, frame, sampled, viewport, channelResolution, channelHandle);
  }
  clock.Advance(FeedValue(ParameterFeed::kClockSpeed));
  ReadDate();
  if (passTimer.Active()) passTimer.Collect(gl);

  // Buffers sized for this frame; any made again leaves its framebuffer bound.
  const std::size_t bufferCount =
      std::min(description_.buffers.size(), PluginDescription::kMaximumBuffers);
  const std::size_t pictureCount =
      std::min(description_.pictures.size(), PluginDescription::kMaximumPictures);
  passBuffers.Resize(gl, description_, *this, viewportWidth, viewportHeight);

  shader.MakeCurrent();
  UploadUniforms(channelHandle);
  namedUniforms.Upload(gl, *this);

  // Inputs and pictures: bound for the whole frame.
  for (int i = 0; i < 2; ++i) {
    if (!sampled[i] || channelHandle[i] == 0) continue;
    gl.glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(i));
    const GLuint copy = inputCopy.channelTexture[i];
    glBindTexture(GL_TEXTURE_2D, copy != 0 ? copy : channelHandle[i]);
  }
  for (std::size_t i = 0; i < pictureCount; ++i) {
    if (passBuffers.pictureUnit[i] == 0) continue;
    gl.glActiveTexture(passBuffers.pictureUnit[i]);
    glBindTexture(GL_TEXTURE_2D, passBuffers.picture[i]);
  }

  // One draw per pass; none listed is one pass into the output. A last
  // pass with a TARGET (as in some library files) is drawn into its buffer
  // and then, reading the same contents, into the output too.
  const std::size_t passCount =
      description_.passes.empty()
          ? 1
          : std::min(description_.passes.size(), PluginDescription::kMaximumPasses);
  const bool lastIntoBuffer =
      !description_.passes.empty() && description_.passes[passCount - 1].target != 0;
  for (std::size_t draw = 0; draw < passCount + (lastIntoBuffer ? 1 : 0); ++draw) {
    const std::size_t pass = std::min(draw, passCount - 1);
    const FFUInt32 target = description_.passes.empty() ? 0 : description_.passes[pass].target;
    const std::size_t buffer = target - 1;
    const bool targeted = target != 0 && buffer < bufferCount;
    const bool intoBuffer = targeted && draw < passCount;
    const bool persistent = targeted && description_.buffers[buffer].persistent;
    const bool timed = passTimer.Active() && draw < passCount;
    float width = viewportWidth, height = viewportHeight;
    if (intoBuffer) {
      // Framebuffer and viewport: the buffer's; the host's again below.
      if (!passBuffers.BindTarget(gl, buffer, persistent)) {
        // Its query still runs, empty, so the set is read whole.
        if (timed) passTimer.Begin(gl, pass);
        if (timed) passTimer.End(gl);
        continue;
      }
      width = static_cast<float>(passBuffers.buffers[buffer].width);
      height = static_cast<float>(passBuffers.buffers[buffer].height);
    } else if (passBuffers.framebuffer != 0) {
      gl.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, frame.HostFBO);
      glViewport(static_cast<GLint>(viewport[0]), static_cast<GLint>(viewport[1]),
                 static_cast<GLsizei>(viewport[2]), static_cast<GLsizei>(viewport[3]));
    }
    // Each buffer's latest contents; none for a buffer this pass draws
    // into and cannot also read.
    for (std::size_t i = 0; i < bufferCount; ++i) {
      if (passBuffers.bufferUnit[i] == 0) continue;
      gl.glActiveTexture(passBuffers.bufferUnit[i]);
      const bool drawn = targeted && i == buffer && !persistent;
      glBindTexture(GL_TEXTURE_2D, drawn ? 0 : passBuffers.Front(i));
    }
    namedUniforms.UploadPass(gl, static_cast<int>(pass), width, height);
    gl.glActiveTexture(GL_TEXTURE0);
    if (timed) passTimer.Begin(gl, pass);
    glEnable(GL_TEXTURE_2D);
    DrawFullViewportQuad(1.0f, 1.0f);
    glDisable(GL_TEXTURE_2D);
    if (timed) passTimer.End(gl);
    const bool drawnTwice = lastIntoBuffer && draw == passCount - 1;
    if (persistent && !drawnTwice) passBuffers.Swap(buffer);
  }

  if (passBuffers.framebuffer != 0) {
    gl.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, frame.HostFBO);
    glViewport(static_cast<GLint>(viewport[0]), static_cast<GLint>(viewport[1]),
               static_cast<GLsizei>(viewport[2]), static_cast<GLsizei>(viewport[3]));
  }
  // Every unit bound above, unbound in reverse; unit 0 active at the end.
  for (GLenum unit = passBuffers.lastUnit; unit >= PassBuffers::kFirstUnit; --unit) {
    gl.glActiveTexture(unit);
    glBindTexture(GL_TEXTURE_2D, 0);
  }
  for (int i = 1; i >= 0; --i) {
    if (!sampled[i] || channelHandle[i] == 0) continue;
    gl.glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(i));
    glBindTexture(GL_TEXTURE_2D, 0);
  }
  gl.glActiveTexture(GL_TEXTURE0);
  shader.ClearCurrent();
  if (passTimer.Active()) passTimer.EndFrame();
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
