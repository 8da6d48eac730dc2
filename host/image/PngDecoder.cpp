#include "host/image/PngDecoder.h"

#include <cstring>
#include <limits>

#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#include <stb/stb_image.h>

namespace host {
namespace {

// Deflate cannot shrink data by more than about 1032 to 1, so a file of
// `size` bytes holds at most this many bytes of picture rows.
constexpr std::uint64_t kDeflateRatio = 1032;

std::uint32_t BigEndian(const std::uint8_t* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
         (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

std::string FailureReason() {
  const char* reason = stbi_failure_reason();
  return reason != nullptr && *reason != '\0' ? "corrupt PNG data (" + std::string(reason) + ")"
                                              : "corrupt PNG data";
}

// The header's size, checked against the side limit and the data that is
// there: a short file claiming a huge picture is refused here, before the
// decoder allocates for it.
bool CheckHeader(const std::uint8_t* data, std::size_t size, std::string& reason) {
  static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size < 8 || std::memcmp(data, kSignature, 8) != 0) {
    reason = "not a PNG file";
    return false;
  }
  // The signature, then IHDR: length 13, "IHDR", width, height, depth, type.
  if (size < 8 + 8 + 13 || BigEndian(data + 8) != 13 || std::memcmp(data + 12, "IHDR", 4) != 0) {
    reason = "corrupt PNG data (no image header)";
    return false;
  }
  const std::uint64_t width = BigEndian(data + 16);
  const std::uint64_t height = BigEndian(data + 20);
  if (width == 0 || height == 0) {
    reason = "corrupt PNG data (a picture without pixels)";
    return false;
  }
  if (width > kMaximumPictureSide || height > kMaximumPictureSide) {
    reason = std::to_string(width) + "x" + std::to_string(height) + " is larger than " +
             std::to_string(kMaximumPictureSide) + " pixels on a side";
    return false;
  }
  // At least one bit per pixel and a filter byte per row.
  const std::uint64_t leastRowBytes = height * (1 + (width + 7) / 8);
  if (leastRowBytes > kDeflateRatio * size) {
    reason = "corrupt PNG data (too little data for " + std::to_string(width) + "x" +
             std::to_string(height) + " pixels)";
    return false;
  }
  return true;
}

}  // namespace

bool DecodePng(const std::uint8_t* data, std::size_t size, RgbaImage& image, std::string& reason) {
  if (!CheckHeader(data, size, reason)) return false;
  if (size > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    reason = "the file is too large";
    return false;
  }
  const int length = static_cast<int>(size);
  int width = 0, height = 0, channels = 0;
  RgbaImage decoded;
  if (stbi_is_16_bit_from_memory(data, length) != 0) {
    stbi_us* samples = stbi_load_16_from_memory(data, length, &width, &height, &channels, 4);
    if (samples == nullptr) {
      reason = FailureReason();
      return false;
    }
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    decoded.pixels.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
      decoded.pixels[i] = static_cast<std::uint8_t>((samples[i] * 255u + 32767u) / 65535u);
    }
    stbi_image_free(samples);
  } else {
    stbi_uc* samples = stbi_load_from_memory(data, length, &width, &height, &channels, 4);
    if (samples == nullptr) {
      reason = FailureReason();
      return false;
    }
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    decoded.pixels.assign(samples, samples + count);
    stbi_image_free(samples);
  }
  decoded.width = width;
  decoded.height = height;
  image = std::move(decoded);
  return true;
}

}  // namespace host
