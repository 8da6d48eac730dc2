// One frame: copy the inputs the program samples into the instance's own
// textures on the GPU, advance the animation clock, upload every uniform the
// program uses, draw one quad over the host's viewport, and leave the host's
// state as documented (host framebuffer bound, texture unit 0 active, no
// program current). Nothing is allocated per frame.
#include "effect/HelixmorphicsV1.h"
#include "platform/Platform.h"

#include <cstdint>

TexCoordExtent PictureTexExtent(FFGLTextureStruct texture) {
  return TexCoordExtent{static_cast<double>(texture.Width) / static_cast<double>(texture.HardwareWidth),
                        static_cast<double>(texture.Height) / static_cast<double>(texture.HardwareHeight)};
}

namespace {

// A record the copy can use: a zero size would make a zero-size texture and
// a division by zero in the extent.
bool IsCopyable(const FFGLTextureStruct& input) {
  return input.Width != 0 && input.Height != 0 && input.HardwareWidth != 0 &&
         input.HardwareHeight != 0;
}

// A viewport value read back as a float, as glViewport takes it; values
// beyond an int's range (which no driver reports) are clamped rather than
// converted with undefined results.
GLint ViewportValue(GLfloat value) {
  if (!(value > -2147483648.0f)) return value != value ? 0 : INT32_MIN;
  if (value >= 2147483648.0f) return INT32_MAX;
  return static_cast<GLint>(value);
}

// One quad from (-1, -1) to (1, 1) with texture coordinates up to (s, t).
void DrawQuad(GLfloat s, GLfloat t) {
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex2f(-1.0f, -1.0f);
  glTexCoord2f(0.0f, t);
  glVertex2f(-1.0f, 1.0f);
  glTexCoord2f(s, t);
  glVertex2f(1.0f, 1.0f);
  glTexCoord2f(s, 0.0f);
  glVertex2f(1.0f, -1.0f);
  glEnd();
}

}  // namespace

void HelixmorphicsV1::CopyInputTexture(FFGLTextureStruct input, TexCoordExtent extent,
                                       GLuint* texture, GLenum textureUnit, GLuint* framebuffer,
                                       GLuint hostFramebuffer) {
  // One framebuffer serves both channels.
  if (*framebuffer == 0) extensions.glGenFramebuffersEXT(1, framebuffer);
  if (*texture == 0) {
    // The copy has the picture's size, not the host texture's hardware size.
    glGenTextures(1, texture);
    extensions.glActiveTexture(textureUnit);
    glBindTexture(GL_TEXTURE_2D, *texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, static_cast<GLsizei>(input.Width),
                 static_cast<GLsizei>(input.Height), 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLfloat>(GL_REPEAT));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLfloat>(GL_REPEAT));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_R, static_cast<GLfloat>(GL_REPEAT));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, 0);
    extensions.glActiveTexture(GL_TEXTURE0);
  }

  // Attached through GL_FRAMEBUFFER_EXT, which every framebuffer-object
  // driver accepts; where read and draw bindings are separate, the bind
  // made this framebuffer both.
  extensions.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, *framebuffer);
  extensions.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT,
                                       GL_TEXTURE_2D, *texture, 0);

  // Draw the used part of the host texture over the whole copy texture.
  glViewport(0, 0, static_cast<GLsizei>(input.Width), static_cast<GLsizei>(input.Height));
  glBindTexture(GL_TEXTURE_2D, input.Handle);
  glEnable(GL_TEXTURE_2D);
  DrawQuad(static_cast<GLfloat>(extent.s), static_cast<GLfloat>(extent.t));
  glDisable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, 0);

  extensions.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, hostFramebuffer);
}

FFUInt32 HelixmorphicsV1::ProcessOpenGL(const ProcessOpenGLStruct* frame) {
  if (!initialized || frame == nullptr) return FF_SUCCESS;

  GLfloat viewport[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  glGetFloatv(GL_VIEWPORT, viewport);
  viewportWidth = viewport[2];
  viewportHeight = viewport[3];

  // Input step, only for the channels the program samples.
  GLuint channelHandle[2] = {0, 0};
  if (channelLocation[0] >= 0 || channelLocation[1] >= 0) {
    const bool canCopy = extensions.framebufferObjectSupported != 0;
    bool copied = false;
    for (FFUInt32 channel = 0; channel < 2; ++channel) {
      if (channelLocation[channel] < 0 || frame->numInputTextures < channel + 1 ||
          frame->inputTextures == nullptr || frame->inputTextures[channel] == nullptr) {
        continue;
      }
      const FFGLTextureStruct input = *frame->inputTextures[channel];
      if (!IsCopyable(input)) continue;  // no input on this channel this frame
      channelHandle[channel] = input.Handle;
      const TexCoordExtent extent = PictureTexExtent(input);

      float* resolution = channelResolution[channel];
      if ((static_cast<std::int64_t>(resolution[0]) != static_cast<std::int64_t>(input.Width) ||
           static_cast<std::int64_t>(resolution[1]) != static_cast<std::int64_t>(input.Height)) &&
          channelTexture[channel] != 0) {
        glDeleteTextures(1, &channelTexture[channel]);
        channelTexture[channel] = 0;
      }
      resolution[0] = static_cast<float>(static_cast<double>(input.Width));
      resolution[1] = static_cast<float>(static_cast<double>(input.Height));

      // Without framebuffer objects no copy is made: the host's own texture
      // is bound for the channel instead.
      if (canCopy) {
        CopyInputTexture(input, extent, &channelTexture[channel],
                         channel == 0 ? GL_TEXTURE0 : GL_TEXTURE1, &copyFramebuffer,
                         frame->HostFBO);
        copied = true;
      }
    }
    if (copied) {
      glViewport(ViewportValue(viewport[0]), ViewportValue(viewport[1]),
                 ViewportValue(viewport[2]), ViewportValue(viewport[3]));
    }
  }

  // Clock: real seconds since the last frame, times Speed, times 2.
  previousTime = currentTime;
  currentTime = ClockMilliseconds() / 1000.0;
  const float step = static_cast<float>(currentTime - previousTime);
  elapsedTime = ((step * userSpeed) * 2.0f) + elapsedTime;
  for (float& value : channelTime) value = elapsedTime;

  // Date: year from 1900, month from 1, day, seconds since local midnight.
  std::tm local{};
  platform::CurrentLocalTime(local);
  dateValues[0] = static_cast<float>(local.tm_year);
  dateValues[1] = static_cast<float>(local.tm_mon) + 1.0f;
  dateValues[2] = static_cast<float>(local.tm_mday);
  dateValues[3] = static_cast<float>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec);

  shader.MakeCurrent();
  UploadUniforms(channelHandle);

  // Bind each sampled channel: its copy, or the host texture when no copy
  // exists.
  const bool bind0 = channelLocation[0] >= 0 && channelHandle[0] != 0;
  const bool bind1 = channelLocation[1] >= 0 && channelHandle[1] != 0;
  if (bind0) {
    extensions.glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, channelTexture[0] != 0 ? channelTexture[0] : channelHandle[0]);
  }
  if (bind1) {
    extensions.glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, channelTexture[1] != 0 ? channelTexture[1] : channelHandle[1]);
  }

  glEnable(GL_TEXTURE_2D);
  DrawQuad(1.0f, 1.0f);
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

void HelixmorphicsV1::UploadUniforms(const GLuint channelHandle[2]) {
  const GLExtensionTable& gl = extensions;
  const float vw = viewportWidth;
  const float vh = viewportHeight;
  if (channelLocation[0] >= 0 && channelHandle[0] != 0) gl.glUniform1iARB(channelLocation[0], 0);
  if (channelLocation[1] >= 0 && channelHandle[1] != 0) gl.glUniform1iARB(channelLocation[1], 1);
  if (timeLocation >= 0) gl.glUniform1fARB(timeLocation, elapsedTime);
  if (resolutionLocation >= 0) gl.glUniform2fARB(resolutionLocation, vw, vh);
  if (mouseLocation >= 0) {
    mouseValues[0] = userMouseX;
    mouseValues[1] = userMouseY;
    gl.glUniform2fARB(mouseLocation, mouseValues[0], mouseValues[1]);
  }
  if (surfaceSizeLocation >= 0) {
    mouseValues[2] = userMouseLeftX * vw;
    mouseValues[3] = userMouseLeftY * vh;
    gl.glUniform2fARB(surfaceSizeLocation, mouseValues[2], mouseValues[3]);
  }
  if (iMouseLocation >= 0) {
    mouseValues[0] = userMouseX * vw;
    mouseValues[1] = userMouseY * vh;
    mouseValues[2] = userMouseLeftX * vw;
    mouseValues[3] = userMouseLeftY * vh;
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
    gl.glUniform4fARB(inputColourLocation, userRed, userGreen, userBlue, userAlpha);
  }
}
