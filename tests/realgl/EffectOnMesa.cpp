#include "tests/realgl/EffectOnMesa.h"

namespace mesa {

HostInputTexture::HostInputTexture(int width, int height, int hardwareWidth, int hardwareHeight) {
  std::vector<std::uint8_t> texels(static_cast<std::size_t>(hardwareWidth) * hardwareHeight * 4);
  for (int j = 0; j < hardwareHeight; ++j) {
    for (int i = 0; i < hardwareWidth; ++i) {
      std::uint8_t* texel = &texels[(static_cast<std::size_t>(j) * hardwareWidth + i) * 4];
      static const std::uint8_t kQuadrants[4][3] = {
          {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
      static const std::uint8_t kOutside[3] = {255, 0, 255};
      const std::uint8_t* colour = kOutside;
      if (i < width && j < height) {
        colour = kQuadrants[(j < height / 2 ? 0 : 2) + (i < width / 2 ? 0 : 1)];
      }
      texel[0] = colour[0];
      texel[1] = colour[1];
      texel[2] = colour[2];
      texel[3] = 255;
    }
  }
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, hardwareWidth, hardwareHeight, 0, GL_RGBA,
               GL_UNSIGNED_BYTE, texels.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glBindTexture(GL_TEXTURE_2D, 0);
  record = FFGLTextureStruct{static_cast<FFUInt32>(width), static_cast<FFUInt32>(height),
                             static_cast<FFUInt32>(hardwareWidth),
                             static_cast<FFUInt32>(hardwareHeight), name};
}

HostInputTexture::~HostInputTexture() { glDeleteTextures(1, &record.Handle); }

Picture RenderFrame(ShaderEffect& effect, host::HostFramebuffer& target,
                    std::vector<FFGLTextureStruct*> inputs) {
  target.Clear(0.0f, 0.0f, 0.0f, 1.0f);
  ProcessOpenGLStruct frame{static_cast<FFUInt32>(inputs.size()), inputs.data(),
                            target.Framebuffer()};
  effect.ProcessOpenGL(&frame);
  return Picture{target.ReadPixels(), target.Width(), target.Height()};
}

}  // namespace mesa
