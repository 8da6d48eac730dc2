// The PNG writer behind WritePng, per library: PngEncoder_libpng.cpp where
// libpng exists (faster), PngEncoder_stb.cpp (stb_image_write with zlib)
// elsewhere. Both filter rows with "sub" and deflate at level 2: about four
// times as fast as the defaults for frames like ours, at about a fifth more
// bytes; fixed settings, so the bytes depend only on the picture.
#pragma once

#include <cstdio>
#include <string>

#include "host/Picture.h"

namespace host {

// Writes `image` (with pixels) to `file`. False with a reason; `failure` is
// the errno of a failed write, or 0.
bool EncodePng(std::FILE* file, const RgbaImage& image, int& failure, std::string& reason);

}  // namespace host
