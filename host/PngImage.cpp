#include "host/PngImage.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "host/OpenFile.h"

namespace host {
namespace {

// Pictures larger than this are refused before any allocation: an input
// texture this large is not a plausible video frame, and a corrupt header
// must not make the host allocate gigabytes.
constexpr png_uint_32 kMaximumSide = 16384;

struct Decoder {
  png_structp png = nullptr;
  png_infop info = nullptr;
  char message[200] = {};
};

void OnError(png_structp png, png_const_charp message) {
  auto* decoder = static_cast<Decoder*>(png_get_error_ptr(png));
  std::snprintf(decoder->message, sizeof decoder->message, "%s", message);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Every colour type and depth as RGBA8, the samples' values kept: 16-bit
// samples scaled by 255/65535 and rounded, no gamma or colour-space change.
// libpng reports errors by longjmp, so no C++ object lives in this frame
// between setjmp and the end of decoding.
bool Decode(Decoder& decoder, std::FILE* file, RgbaImage& image, std::string& reason) {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  std::vector<png_bytep>* rows = new std::vector<png_bytep>();
  if (setjmp(png_jmpbuf(decoder.png)) != 0) {
    delete rows;
    reason = decoder.message;
    return false;
  }
  png_init_io(decoder.png, file);
  png_set_user_limits(decoder.png, kMaximumSide, kMaximumSide);
  png_read_info(decoder.png, decoder.info);
  width = png_get_image_width(decoder.png, decoder.info);
  height = png_get_image_height(decoder.png, decoder.info);
  png_set_expand(decoder.png);  // palette, grey below 8 bits, tRNS to alpha
  png_set_scale_16(decoder.png);
  png_set_gray_to_rgb(decoder.png);
  png_set_add_alpha(decoder.png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(decoder.png);
  png_read_update_info(decoder.png, decoder.info);
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.pixels.assign(static_cast<std::size_t>(width) * height * 4, 0);
  rows->resize(height);
  for (png_uint_32 y = 0; y < height; ++y) {
    (*rows)[y] = &image.pixels[static_cast<std::size_t>(y) * width * 4];
  }
  png_read_image(decoder.png, rows->data());
  png_read_end(decoder.png, nullptr);
  delete rows;
  return true;
}

// Rows filtered with "sub" and deflated at level 2: about four times as
// fast as libpng's defaults for frames like ours, at about a fifth more
// bytes. Fixed settings, so the bytes depend only on the picture.
bool Encode(Decoder& encoder, std::FILE* file, const RgbaImage& image) {
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

bool ReadPng(const std::string& path, RgbaImage& image, std::string& error) {
  std::string reason;
  std::FILE* file = OpenFile(path, "rb", &reason);
  if (file == nullptr) {
    error = "cannot read image '" + path + "': " + reason;
    return false;
  }
  png_byte signature[8] = {};
  if (std::fread(signature, 1, sizeof signature, file) != sizeof signature ||
      png_sig_cmp(signature, 0, sizeof signature) != 0) {
    std::fclose(file);
    error = "cannot read image '" + path + "': not a PNG file";
    return false;
  }
  std::rewind(file);
  Decoder decoder;
  decoder.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &decoder, OnError, OnWarning);
  decoder.info = decoder.png != nullptr ? png_create_info_struct(decoder.png) : nullptr;
  RgbaImage decoded;
  const bool read = decoder.info != nullptr && Decode(decoder, file, decoded, reason);
  png_destroy_read_struct(&decoder.png, &decoder.info, nullptr);
  std::fclose(file);
  if (!read) {
    error = "cannot read image '" + path + "': " +
            (reason.empty() ? std::string("libpng cannot start") : reason);
    return false;
  }
  image = std::move(decoded);
  return true;
}

bool WritePng(const std::string& path, const RgbaImage& image, std::string& error) {
  if (!image.HasPixels()) {
    error = "cannot write '" + path + "': the picture has no pixels";
    return false;
  }
  std::string reason;
  std::FILE* file = OpenFile(path, "wb", &reason);
  if (file == nullptr) {
    error = "cannot write '" + path + "': " + reason;
    return false;
  }
  Decoder encoder;  // the same error plumbing
  encoder.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &encoder, OnError, OnWarning);
  encoder.info = encoder.png != nullptr ? png_create_info_struct(encoder.png) : nullptr;
  errno = 0;
  const bool written = encoder.info != nullptr && Encode(encoder, file, image);
  const int writeErrno = errno;
  png_destroy_write_struct(&encoder.png, &encoder.info);
  // A full disk shows up only when the buffered bytes are flushed.
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    const int code = !closed ? errno : writeErrno;
    error = "cannot write '" + path + "': " +
            (code != 0 ? std::string(std::strerror(code))
                       : std::string(encoder.message[0] != 0 ? encoder.message
                                                             : "libpng cannot start"));
    std::remove(path.c_str());
    return false;
  }
  return true;
}

}  // namespace host
