#include "effect/ChannelTextures.h"

#include <vector>

void ChannelTextures::MakePictures(const GLExtensionTable& gl,
                                   const ChannelDescription (&channels)[4], const bool made[4]) {
  for (int i = 0; i < 4; ++i) {
    const ChannelDescription& c = channels[i];
    if (!made[i] || c.source != ChannelSource::kPicture || picture[i] != 0) continue;
    glGenTextures(1, &picture[i]);
    gl.glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(i));
    glBindTexture(GL_TEXTURE_2D, picture[i]);
    const GLint wrap = c.clamp ? GL_CLAMP_TO_EDGE : GL_REPEAT;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, c.nearest ? GL_NEAREST : GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    c.nearest ? GL_NEAREST : GL_LINEAR_MIPMAP_LINEAR);
    // Mipmaps made by the driver from the upload (OpenGL 1.4), which needs
    // no entry point looked up.
    if (!c.nearest) glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, static_cast<GLsizei>(c.width),
                 static_cast<GLsizei>(c.height), 0, GL_RGBA, GL_UNSIGNED_BYTE, c.pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
  }
  gl.glActiveTexture(GL_TEXTURE0);
}

void ChannelTextures::PreparePreviousFrame(const GLExtensionTable& gl, GLsizei width,
                                           GLsizei height) {
  gl.glActiveTexture(kPreviousFrameUnit);
  if (previousFrame != 0 && width == previousWidth && height == previousHeight) {
    glBindTexture(GL_TEXTURE_2D, previousFrame);
    return;
  }
  if (previousFrame == 0) glGenTextures(1, &previousFrame);
  glBindTexture(GL_TEXTURE_2D, previousFrame);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  // Black before the first frame; made only when the size changes.
  const std::vector<unsigned char> black(
      static_cast<std::size_t>(width > 0 ? width : 1) * static_cast<std::size_t>(height > 0 ? height : 1) * 4, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
               black.data());
  previousWidth = width;
  previousHeight = height;
}

void ChannelTextures::KeepFrame(const GLExtensionTable& gl, const GLfloat viewport[4]) {
  if (previousFrame == 0) return;
  gl.glActiveTexture(kPreviousFrameUnit);
  glBindTexture(GL_TEXTURE_2D, previousFrame);
  glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLint>(viewport[0]),
                      static_cast<GLint>(viewport[1]), previousWidth, previousHeight);
  glBindTexture(GL_TEXTURE_2D, 0);
  gl.glActiveTexture(GL_TEXTURE0);
}

void ChannelTextures::DeleteObjects() {
  for (GLuint& texture : picture) {
    if (texture != 0) glDeleteTextures(1, &texture);
    texture = 0;
  }
  if (previousFrame != 0) glDeleteTextures(1, &previousFrame);
  previousFrame = 0;
  previousWidth = previousHeight = 0;
}
