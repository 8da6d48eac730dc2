// The benchmark's baseline: this host drawing a fragment text itself, with
// the fixed-function-passing vertex text FreeFrame GL source plugins use and
// the uniforms such a plugin sets (time, mouse, resolution), one quad over
// the viewport — the least any plugin drawing that text must do.
#pragma once

#include <string>

#include "host/gl/HostFramebuffer.h"
#include "host/gl/HostGL.h"

namespace cli {

class BareDraw {
 public:
  BareDraw(const host::HostGL& gl, const std::string& fragmentText);
  ~BareDraw();
  BareDraw(const BareDraw&) = delete;
  BareDraw& operator=(const BareDraw&) = delete;

  bool IsReady() const { return program_ != 0; }
  const std::string& Log() const { return log_; }
  // One frame into `target`, leaving no program current.
  void Draw(const host::HostFramebuffer& target, float time, float mouseX, float mouseY) const;

 private:
  GLuint Compile(GLenum stage, const char* text);

  const host::HostGL& gl_;
  GLuint program_ = 0;
  GLint time_ = -1;
  GLint mouse_ = -1;
  GLint resolution_ = -1;
  std::string log_;
};

}  // namespace cli
