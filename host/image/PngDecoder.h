// PNG bytes in memory as an RGBA8 picture (stb_image), with the picture's
// size checked against the data before anything large is allocated. Every
// failure has a reason; the reason is the decoder's own fixed words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "host/image/PngImage.h"

namespace host {

// Pictures larger than this on a side are refused: an input texture this
// large is not a plausible video frame.
constexpr int kMaximumPictureSide = 16384;

// Any PNG (palette, grey, 16-bit, with or without alpha) as RGBA8, 16-bit
// samples scaled by 255/65535 and rounded, no gamma or colour conversion.
// False with a non-empty one-line reason. `maximumSide` is lowered only by
// the fuzz target, to keep each of its runs small.
bool DecodePng(const std::uint8_t* data, std::size_t size, RgbaImage& image, std::string& reason,
               int maximumSide = kMaximumPictureSide);

}  // namespace host
