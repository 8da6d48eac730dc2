// PNG files on every platform: stb_image (Debian's libstb-dev) reads them;
// PngEncoder_*.cpp writes them.
#include "host/image/PngImage.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/files/OpenFile.h"
#include "host/image/PngEncoder.h"

#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#include <stb/stb_image.h>

namespace host {
namespace {

// Pictures larger than this are refused before any allocation: an input
// texture this large is not a plausible video frame, and a corrupt header
// must not make the host allocate gigabytes.
constexpr int kMaximumSide = 16384;

struct FileReader {
  std::FILE* file;
};
int ReadBytes(void* user, char* data, int size) {
  return static_cast<int>(std::fread(data, 1, static_cast<std::size_t>(size),
                                     static_cast<FileReader*>(user)->file));
}
void SkipBytes(void* user, int count) {
  std::fseek(static_cast<FileReader*>(user)->file, count, SEEK_CUR);
}
int AtEnd(void* user) { return std::feof(static_cast<FileReader*>(user)->file); }
constexpr stbi_io_callbacks kReader{ReadBytes, SkipBytes, AtEnd};

// Every colour type and depth as RGBA8, the samples' values kept: 16-bit
// samples scaled by 255/65535 and rounded, no gamma or colour-space change.
bool Decode(std::FILE* file, RgbaImage& image, std::string& reason) {
  FileReader reader{file};
  int width = 0, height = 0, channels = 0;
  if (stbi_info_from_callbacks(&kReader, &reader, &width, &height, &channels) == 0) {
    reason = stbi_failure_reason() != nullptr ? stbi_failure_reason() : "not a PNG file";
    return false;
  }
  if (width > kMaximumSide || height > kMaximumSide) {
    reason = "larger than " + std::to_string(kMaximumSide) + " pixels on a side";
    return false;
  }
  std::rewind(file);
  const bool sixteen = stbi_is_16_bit_from_callbacks(&kReader, &reader) != 0;
  std::rewind(file);
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
  image.width = width;
  image.height = height;
  image.pixels.resize(count);
  if (sixteen) {
    stbi_us* samples =
        stbi_load_16_from_callbacks(&kReader, &reader, &width, &height, &channels, 4);
    if (samples == nullptr) {
      reason = stbi_failure_reason();
      return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
      image.pixels[i] = static_cast<std::uint8_t>((samples[i] * 255u + 32767u) / 65535u);
    }
    stbi_image_free(samples);
  } else {
    stbi_uc* samples = stbi_load_from_callbacks(&kReader, &reader, &width, &height, &channels, 4);
    if (samples == nullptr) {
      reason = stbi_failure_reason();
      return false;
    }
    std::memcpy(image.pixels.data(), samples, count);
    stbi_image_free(samples);
  }
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
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  unsigned char signature[8] = {};
  if (std::fread(signature, 1, sizeof signature, file) != sizeof signature ||
      std::memcmp(signature, kSignature, sizeof signature) != 0) {
    std::fclose(file);
    error = "cannot read image '" + path + "': not a PNG file";
    return false;
  }
  std::rewind(file);
  RgbaImage decoded;
  const bool read = Decode(file, decoded, reason);
  std::fclose(file);
  if (!read) {
    error = "cannot read image '" + path + "': " + reason;
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
  int failure = 0;
  errno = 0;
  const bool encoded = EncodePng(file, image, failure, reason);
  // A full disk shows up only when the buffered bytes are flushed.
  const bool closed = std::fclose(file) == 0;
  if (!encoded || !closed) {
    const int code = failure != 0 ? failure : (!closed ? errno : 0);
    error = "cannot write '" + path + "': " +
            (code != 0 ? std::string(std::strerror(code)) : reason);
    std::remove(path.c_str());
    return false;
  }
  return true;
}

}  // namespace host
