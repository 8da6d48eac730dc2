#include "effect/InputCopy.h"

#include <cstdint>

#include "effect/FullViewportQuad.h"

TexCoordExtent PictureTexExtent(FFGLTextureStruct texture) {
  return TexCoordExtent{static_cast<double>(texture.Width) / static_cast<double>(texture.HardwareWidth),
                        static_cast<double>(texture.Height) / static_cast<double>(texture.HardwareHeight)};
}

bool IsCopyable(const FFGLTextureStruct& input) {
  return input.Width != 0 && input.Height != 0 && input.HardwareWidth != 0 &&
         input.HardwareHeight != 0;
}

namespace {

// A viewport value read back as a float, as glViewport takes it; values
// beyond an int's range (which no driver reports) are clamped rather than
// converted with undefined results.
GLint ViewportValue(GLfloat value) {
  if (!(value > -2147483648.0f)) return value != value ? 0 : INT32_MIN;
  if (value >= 2147483648.0f) return INT32_MAX;
  return static_cast<GLint>(value);
}

}  // namespace

void InputCopy::CopySampledInputs(const GLExtensionTable& gl, const ProcessOpenGLStruct& frame,
                                  const bool sampled[2], const GLfloat hostViewport[4],
                                  float channelResolution[][3], GLuint channelHandle[2]) {
  bool copied = false;
  for (FFUInt32 channel = 0; channel < 2; ++channel) {
    if (!sampled[channel] || frame.numInputTextures < channel + 1 ||
        frame.inputTextures == nullptr || frame.inputTextures[channel] == nullptr) {
      continue;
    }
    const FFGLTextureStruct input = *frame.inputTextures[channel];
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

    // Without framebuffer objects no copy is made: the frame binds the
    // host's own texture for the channel instead.
    if (gl.framebufferObjectSupported != 0) {
      CopyInputTexture(gl, input, extent, &channelTexture[channel],
                       channel == 0 ? GL_TEXTURE0 : GL_TEXTURE1, &copyFramebuffer, frame.HostFBO);
      copied = true;
    }
  }
  if (copied) {
    glViewport(ViewportValue(hostViewport[0]), ViewportValue(hostViewport[1]),
               ViewportValue(hostViewport[2]), ViewportValue(hostViewport[3]));
  }
}

void InputCopy::CopyInputTexture(const GLExtensionTable& gl, FFGLTextureStruct input,
                                 TexCoordExtent extent, GLuint* texture, GLenum textureUnit,
                                 GLuint* framebuffer, GLuint hostFramebuffer) {
  if (*framebuffer == 0) gl.glGenFramebuffersEXT(1, framebuffer);
  if (*texture == 0) {
    // The copy has the picture's size, not the host texture's hardware size.
    glGenTextures(1, texture);
    gl.glActiveTexture(textureUnit);
    glBindTexture(GL_TEXTURE_2D, *texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, static_cast<GLsizei>(input.Width),
                 static_cast<GLsizei>(input.Height), 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLfloat>(GL_REPEAT));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLfloat>(GL_REPEAT));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_R, static_cast<GLfloat>(GL_REPEAT));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, 0);
    gl.glActiveTexture(GL_TEXTURE0);
  }

  // Attached through GL_FRAMEBUFFER_EXT, which every framebuffer-object
  // driver accepts; where read and draw bindings are separate, the bind
  // made this framebuffer both.
  gl.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, *framebuffer);
  gl.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                               *texture, 0);

  // Draw the used part of the host texture over the whole copy texture.
  glViewport(0, 0, static_cast<GLsizei>(input.Width), static_cast<GLsizei>(input.Height));
  glBindTexture(GL_TEXTURE_2D, input.Handle);
  glEnable(GL_TEXTURE_2D);
  DrawFullViewportQuad(static_cast<GLfloat>(extent.s), static_cast<GLfloat>(extent.t));
  glDisable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, 0);

  gl.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, hostFramebuffer);
}

void InputCopy::DeleteTextures() {
  for (GLuint& texture : channelTexture) {
    if (texture != 0) glDeleteTextures(1, &texture);
  }
  for (GLuint& texture : channelTexture) texture = 0;
}

void InputCopy::DeleteObjects(const GLExtensionTable& gl) {
  // The framebuffer exists only if the group was there to make it.
  if (copyFramebuffer != 0 && gl.framebufferObjectSupported != 0) {
    gl.glDeleteFramebuffersEXT(1, &copyFramebuffer);
  }
  DeleteTextures();
  copyFramebuffer = 0;
}
