#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "host/image/PngEncoder.h"

namespace host {
namespace {

struct Encoder {
  png_structp png = nullptr;
  png_infop info = nullptr;
  char message[200] = {};
};

void OnError(png_structp png, png_const_charp message) {
  auto* encoder = static_cast<Encoder*>(png_get_error_ptr(png));
  std::snprintf(encoder->message, sizeof encoder->message, "%s", message);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// libpng reports errors by longjmp, so no C++ object lives in this frame.
bool Encode(Encoder& encoder, std::FILE* file, const RgbaImage& image) {
  if (setjmp(png_jmpbuf(encoder.png)) != 0) return false;
  png_init_io(encoder.png, file);
  png_set_IHDR(encoder.png, encoder.info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(encoder.png, 2);
  png_set_filter(encoder.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_write_info(encoder.png, encoder.info);
  const std::size_t stride = static_cast<std::size_t>(image.width) * 4;
  for (int y = 0; y < image.height; ++y) {
    png_write_row(encoder.png, image.pixels.data() + static_cast<std::size_t>(y) * stride);
  }
  png_write_end(encoder.png, nullptr);
  return true;
}

}  // namespace

bool EncodePng(std::FILE* file, const RgbaImage& image, int& failure, std::string& reason) {
  Encoder encoder;
  encoder.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &encoder, OnError, OnWarning);
  encoder.info = encoder.png != nullptr ? png_create_info_struct(encoder.png) : nullptr;
  errno = 0;
  const bool written = encoder.info != nullptr && Encode(encoder, file, image);
  failure = written ? 0 : errno;
  png_destroy_write_struct(&encoder.png, &encoder.info);
  if (!written) reason = encoder.message[0] != 0 ? encoder.message : "libpng cannot start";
  return written;
}

}  // namespace host
