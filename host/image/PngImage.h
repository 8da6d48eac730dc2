// RGBA8 pictures in PNG files (stb_image reads them, PngEncoder_*.cpp writes
// them): what the host writes is the framebuffer's bytes exactly, and what it
// reads becomes an input texture.
#pragma once

#include <string>

#include "host/Picture.h"

namespace host {

// Reads any PNG (palette, grey, 16-bit, with or without alpha) as RGBA8.
// False with a one-line reason in `error` when the file cannot be read.
bool ReadPng(const std::string& path, RgbaImage& image, std::string& error);

// Writes an 8-bit RGBA PNG. False with a one-line reason in `error`.
bool WritePng(const std::string& path, const RgbaImage& image, std::string& error);

}  // namespace host
