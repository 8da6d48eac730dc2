// RGBA8 pictures in PNG files (stb_image reads them, PngEncoder_*.cpp writes
// them): what the host writes is the framebuffer's bytes exactly, and what it
// reads becomes an input texture.
#pragma once

#include <cstdint>
#include <string>
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

// Reads any PNG (palette, grey, 16-bit, with or without alpha) as RGBA8.
// False with a one-line reason in `error` when the file cannot be read.
bool ReadPng(const std::string& path, RgbaImage& image, std::string& error);

// Writes an 8-bit RGBA PNG. False with a one-line reason in `error`.
bool WritePng(const std::string& path, const RgbaImage& image, std::string& error);

}  // namespace host
