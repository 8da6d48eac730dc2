#include "host/gl/InputTexture.h"

#include <cstring>
#include <vector>

namespace host {
namespace {

FFUInt32 NextPowerOfTwo(FFUInt32 value) {
  FFUInt32 result = 1;
  while (result < value) result <<= 1;
  return result;
}

}  // namespace

InputTexture::InputTexture(const RgbaImage& image) {
  const auto width = static_cast<FFUInt32>(image.width);
  const auto height = static_cast<FFUInt32>(image.height);
  record_ = FFGLTextureStruct{width, height, NextPowerOfTwo(width), NextPowerOfTwo(height), 0};

  // OpenGL's first row is the bottom one.
  const std::size_t row = static_cast<std::size_t>(width) * 4;
  std::vector<std::uint8_t> bottomUp(image.pixels.size());
  for (FFUInt32 y = 0; y < height; ++y) {
    std::memcpy(bottomUp.data() + y * row, image.pixels.data() + (height - 1 - y) * row, row);
  }

  // Texture unit 0 is the one active between frames; its binding is put
  // back to none afterwards.
  glGenTextures(1, &texture_);
  glBindTexture(GL_TEXTURE_2D, texture_);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(record_.HardwareWidth),
               static_cast<GLsizei>(record_.HardwareHeight), 0, GL_RGBA, GL_UNSIGNED_BYTE,
               nullptr);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(width),
                  static_cast<GLsizei>(height), GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glBindTexture(GL_TEXTURE_2D, 0);
  record_.Handle = texture_;
}

InputTexture::~InputTexture() { glDeleteTextures(1, &texture_); }

}  // namespace host
