#include "host/gl/HostFramebuffer.h"

#include <cstring>

namespace host {

HostFramebuffer::HostFramebuffer(const HostGL& gl, int width, int height)
    : gl_(gl), width_(width), height_(height) {
  glGenTextures(1, &texture_);
  glBindTexture(GL_TEXTURE_2D, texture_);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glBindTexture(GL_TEXTURE_2D, 0);
  gl_.glGenFramebuffers(1, &framebuffer_);
  gl_.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  gl_.glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
  complete_ = gl_.glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  Bind();
}

HostFramebuffer::~HostFramebuffer() {
  gl_.glBindFramebuffer(GL_FRAMEBUFFER, 0);
  gl_.glDeleteFramebuffers(1, &framebuffer_);
  glDeleteTextures(1, &texture_);
}

void HostFramebuffer::Bind() const {
  gl_.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glViewport(0, 0, width_, height_);
}

void HostFramebuffer::Clear(float r, float g, float b, float a) const {
  Bind();
  glClearColor(r, g, b, a);
  glClear(GL_COLOR_BUFFER_BIT);
}

std::vector<std::uint8_t> HostFramebuffer::ReadPixels() const {
  const std::size_t row = static_cast<std::size_t>(width_) * 4;
  std::vector<std::uint8_t> bottomUp(row * static_cast<std::size_t>(height_));
  GLint previous = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
  gl_.glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
  gl_.glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previous));
  std::vector<std::uint8_t> topDown(bottomUp.size());
  for (int y = 0; y < height_; ++y) {
    std::memcpy(topDown.data() + static_cast<std::size_t>(y) * row,
                bottomUp.data() + static_cast<std::size_t>(height_ - 1 - y) * row, row);
  }
  return topDown;
}

}  // namespace host
