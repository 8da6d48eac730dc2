#include "host/PngImage.h"
#include "host/OpenFile.h"

#include <png.h>

#include <cstdio>

namespace host {
namespace {

// Pictures larger than this are refused before any allocation: an input
// texture this large is not a plausible video frame, and a corrupt header
// must not make the host allocate gigabytes.
constexpr png_uint_32 kMaximumSide = 16384;

}  // namespace

bool ReadPng(const std::string& path, RgbaImage& image, std::string& error) {
  std::FILE* file = OpenFile(path, "rb");
  if (file == nullptr) {
    error = "cannot read image '" + path + "': the file cannot be opened";
    return false;
  }
  png_byte signature[8] = {};
  if (std::fread(signature, 1, sizeof signature, file) != sizeof signature ||
      png_sig_cmp(signature, 0, sizeof signature) != 0) {
    std::fclose(file);
    error = "cannot read image '" + path + "': not a PNG file";
    return false;
  }

  png_image decoder{};
  decoder.version = PNG_IMAGE_VERSION;
  std::rewind(file);
  // The simplified API turns every colour type and depth into RGBA8 and
  // reports failure instead of longjmp-ing through C++ frames.
  if (png_image_begin_read_from_stdio(&decoder, file) == 0) {
    std::fclose(file);
    error = "cannot read image '" + path + "': " + decoder.message;
    return false;
  }
  if (decoder.width == 0 || decoder.height == 0 || decoder.width > kMaximumSide ||
      decoder.height > kMaximumSide) {
    png_image_free(&decoder);
    std::fclose(file);
    error = "cannot read image '" + path + "': its size is not usable (" +
            std::to_string(decoder.width) + "x" + std::to_string(decoder.height) + ")";
    return false;
  }
  decoder.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(decoder));
  const bool read = png_image_finish_read(&decoder, nullptr, pixels.data(), 0, nullptr) != 0;
  std::fclose(file);
  if (!read) {
    error = "cannot read image '" + path + "': " + decoder.message;
    png_image_free(&decoder);
    return false;
  }
  image.width = static_cast<int>(decoder.width);
  image.height = static_cast<int>(decoder.height);
  image.pixels.swap(pixels);
  return true;
}

bool WritePng(const std::string& path, const RgbaImage& image, std::string& error) {
  if (!image.HasPixels()) {
    error = "cannot write '" + path + "': the picture has no pixels";
    return false;
  }
  std::FILE* file = OpenFile(path, "wb");
  if (file == nullptr) {
    error = "cannot write '" + path + "': the file cannot be created";
    return false;
  }
  png_image encoder{};
  encoder.version = PNG_IMAGE_VERSION;
  encoder.width = static_cast<png_uint_32>(image.width);
  encoder.height = static_cast<png_uint_32>(image.height);
  encoder.format = PNG_FORMAT_RGBA;
  const bool written =
      png_image_write_to_stdio(&encoder, file, 0, image.pixels.data(), 0, nullptr) != 0;
  // A full disk shows up only when the buffered bytes are flushed.
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    error = "cannot write '" + path + "': " +
            (written ? std::string("the data could not be flushed") : std::string(encoder.message));
    png_image_free(&encoder);
    std::remove(path.c_str());
    return false;
  }
  return true;
}

}  // namespace host
