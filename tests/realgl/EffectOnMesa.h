// Helpers for tests that drive the effect's own code (linked into the test
// program) on the real Mesa context, for fragment texts other than the
// built-in program.
#pragma once

#include <vector>

#include "effect/HelixmorphicsV1.h"
#include "host/gl/HostFramebuffer.h"
#include "tests/realgl/MesaContext.h"

namespace mesa {

// A host texture of `hardwareWidth` x `hardwareHeight` whose lower-left
// `width` x `height` texels hold four solid quadrants (red, green at the
// bottom; blue, white at the top) and the rest magenta, which must never
// show.
struct HostInputTexture {
  HostInputTexture(int width, int height, int hardwareWidth, int hardwareHeight);
  ~HostInputTexture();
  FFGLTextureStruct record{};
};

// The pixel at column x and row y counted from the bottom, RGBA.
struct Picture {
  std::vector<std::uint8_t> pixels;
  int width = 0;
  int height = 0;
  const std::uint8_t* At(int x, int yFromBottom) const {
    return &pixels[(static_cast<std::size_t>(height - 1 - yFromBottom) * width + x) * 4];
  }
};

Picture RenderFrame(ShaderEffect& effect, host::HostFramebuffer& target,
                    std::vector<FFGLTextureStruct*> inputs);

}  // namespace mesa
