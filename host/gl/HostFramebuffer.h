// The host's render target: a framebuffer object with an RGBA8 colour
// texture, standing for the framebuffer a real host binds before it asks a
// plugin for a frame.
#pragma once

#include <cstdint>
#include <vector>

#include "host/gl/HostGL.h"

namespace host {

class HostFramebuffer {
 public:
  HostFramebuffer(const HostGL& gl, int width, int height);
  ~HostFramebuffer();
  HostFramebuffer(const HostFramebuffer&) = delete;
  HostFramebuffer& operator=(const HostFramebuffer&) = delete;

  bool IsComplete() const { return complete_; }
  GLuint Framebuffer() const { return framebuffer_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  // Binds the framebuffer and sets the viewport to cover it, as a host does
  // before each frame.
  void Bind() const;
  void Clear(float r, float g, float b, float a) const;
  // The picture as RGBA bytes, top row first (OpenGL stores bottom first).
  std::vector<std::uint8_t> ReadPixels() const;

 private:
  const HostGL& gl_;
  int width_;
  int height_;
  GLuint framebuffer_ = 0;
  GLuint texture_ = 0;
  bool complete_ = false;
};

}  // namespace host
