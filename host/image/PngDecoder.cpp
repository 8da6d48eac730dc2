#include "host/image/PngDecoder.h"

#include <cstring>
#include <limits>
#include <vector>

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

// The decoder's reason, which may quote a chunk type from the file: bytes
// outside printable ASCII are written as escapes.
std::string FailureReason() {
  const char* reason = stbi_failure_reason();
  if (reason == nullptr || *reason == '\0') return "corrupt PNG data";
  std::string shown;
  for (const char* c = reason; *c != '\0' && shown.size() < 200; ++c) {
    const auto byte = static_cast<unsigned char>(*c);
    if (byte >= 0x20 && byte < 0x7F) {
      shown += *c;
    } else {
      static const char kHex[] = "0123456789ABCDEF";
      shown += std::string("\\x") + kHex[byte >> 4] + kHex[byte & 15];
    }
  }
  return "corrupt PNG data (" + shown + ")";
}

// Samples per pixel of a PNG colour type (grey, RGB, palette, grey and
// alpha, RGBA); an unknown type counts as one, and the decoder refuses it.
std::uint64_t SamplesPerPixel(std::uint8_t colourType) {
  switch (colourType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
  }
}

// The header's size, checked against the side limit and against the data
// that is there: every chunk must lie within the file, and the compressed
// picture data must be enough for the rows the header claims. A short file
// claiming a huge picture or a huge chunk is refused here, before the
// decoder allocates for either.
bool CheckHeader(const std::uint8_t* data, std::size_t size, int maximumSide,
                 bool& emptyDataChunks, std::string& reason) {
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
  const auto side = static_cast<std::uint64_t>(maximumSide);
  if (width > side || height > side) {
    reason = std::to_string(width) + "x" + std::to_string(height) + " is larger than " +
             std::to_string(maximumSide) + " pixels on a side";
    return false;
  }
  std::uint64_t compressed = 0;
  for (std::size_t at = 8; at + 8 <= size;) {
    const std::uint64_t length = BigEndian(data + at);
    if (at + 12 + length > size) {
      reason = "corrupt PNG data (a chunk runs past the end of the file)";
      return false;
    }
    if (std::memcmp(data + at + 4, "IDAT", 4) == 0) {
      compressed += length;
      emptyDataChunks = emptyDataChunks || length == 0;
    }
    if (std::memcmp(data + at + 4, "IEND", 4) == 0) break;
    at += static_cast<std::size_t>(12 + length);
  }
  const std::uint64_t bitsPerPixel = std::uint64_t{data[24]} * SamplesPerPixel(data[25]);
  const std::uint64_t rowBytes = height * (1 + (width * bitsPerPixel + 7) / 8);
  if (rowBytes > kDeflateRatio * compressed + 64) {
    reason = "corrupt PNG data (too little data for " + std::to_string(width) + "x" +
             std::to_string(height) + " pixels)";
    return false;
  }
  return true;
}

// The file without its empty IDAT chunks (legal, and nothing to decode),
// which the decoder would copy through a null buffer. Chunks up to IEND are
// known to lie within the data.
std::vector<std::uint8_t> WithoutEmptyDataChunks(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> kept(data, data + 8);
  std::size_t at = 8;
  while (at + 8 <= size) {
    const std::size_t length = BigEndian(data + at);
    const bool empty = length == 0 && std::memcmp(data + at + 4, "IDAT", 4) == 0;
    if (!empty) kept.insert(kept.end(), data + at, data + at + 12 + length);
    // What follows IEND was never checked, and means nothing.
    if (std::memcmp(data + at + 4, "IEND", 4) == 0) return kept;
    at += 12 + length;
  }
  kept.insert(kept.end(), data + at, data + size);
  return kept;
}

}  // namespace

bool DecodePng(const std::uint8_t* data, std::size_t size, RgbaImage& image, std::string& reason,
               int maximumSide) {
  bool emptyDataChunks = false;
  if (!CheckHeader(data, size, maximumSide, emptyDataChunks, reason)) return false;
  std::vector<std::uint8_t> cleaned;
  if (emptyDataChunks) {
    cleaned = WithoutEmptyDataChunks(data, size);
    data = cleaned.data();
    size = cleaned.size();
  }
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
