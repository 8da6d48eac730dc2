// A picture uploaded as a host texture, described to the plugin the way
// hosts do: the picture in the lower-left corner of a power-of-two texture,
// so HardwareWidth/HardwareHeight differ from Width/Height.
#pragma once

#include "host/gl/HostGL.h"
#include "host/Picture.h"
#include "plugin/FreeFrame.h"

namespace host {

class InputTexture {
 public:
  explicit InputTexture(const RgbaImage& image);
  ~InputTexture();
  InputTexture(const InputTexture&) = delete;
  InputTexture& operator=(const InputTexture&) = delete;

  // The record handed to FF_PROCESSOPENGL; its address stays valid.
  FFGLTextureStruct* Record() { return &record_; }

 private:
  GLuint texture_ = 0;
  FFGLTextureStruct record_{};
};

}  // namespace host
