// The input pictures validate gives a plugin.
#include "host/cli/ValidateChecks.h"

namespace cli {

host::RgbaImage TestPicture(int width, int height, std::uint8_t tint) {
  host::RgbaImage picture;
  picture.width = width;
  picture.height = height;
  picture.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = &picture.pixels[(static_cast<std::size_t>(y) * width + x) * 4];
      p[0] = static_cast<std::uint8_t>(x * 255 / width);
      p[1] = static_cast<std::uint8_t>(y * 255 / height);
      p[2] = ((x / 8 + y / 8) % 2) != 0 ? tint : 0;
      p[3] = 255;
    }
  }
  return picture;
}

}  // namespace cli
