// PNG files on every platform: image/PngDecoder.cpp reads them;
// PngEncoder_*.cpp writes them.
#include "host/image/PngImage.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/files/OpenFile.h"
#include "host/image/PngEncoder.h"
#include "host/image/FileBytes.h"
#include "host/image/PngDecoder.h"

namespace host {
namespace {

// Far above any plausible PNG of the largest picture accepted, far below
// what a pipe could feed forever.
constexpr std::size_t kMaximumFileBytes = std::size_t{256} * 1024 * 1024;

}  // namespace

bool ReadPng(const std::string& path, RgbaImage& image, std::string& error) {
  // Read once: a pipe or FIFO gives its bytes only once, and what is checked
  // must be what is decoded.
  std::vector<std::uint8_t> bytes;
  std::string reason;
  if (!ReadFileBytes(path, kMaximumFileBytes, bytes, reason) ||
      !DecodePng(bytes.data(), bytes.size(), image, reason)) {
    error = "cannot read image '" + path + "': " + reason;
    return false;
  }
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
