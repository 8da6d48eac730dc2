// A picture as the host keeps it: the RGBA8 bytes OpenGL gives back or a PNG
// file holds, shared by the GL, image and command folders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace host {

struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // RGBA, top row first

  // A picture with a size and exactly its RGBA bytes.
  bool HasPixels() const {
    return width > 0 && height > 0 &&
           pixels.size() == static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
  }
};

}  // namespace host
