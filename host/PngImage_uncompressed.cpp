// Builds without libpng (the Windows cross builds, where Debian has no
// libpng for mingw) still write valid PNG files: RGBA8 rows in deflate's
// stored blocks, so no compressor is needed and the bytes are the picture's
// exactly. Reading needs an inflater, which these builds do not have, so
// every read fails with a clear reason.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/PngImage.h"
#include "host/OpenFile.h"

namespace host {
namespace {


std::uint32_t Crc32(const std::uint8_t* bytes, std::size_t size) {
  static const std::vector<std::uint32_t> table = [] {
    std::vector<std::uint32_t> entries(256);
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      entries[n] = c;
    }
    return entries;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ bytes[i]) & 0xFFu] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutChunk(std::vector<std::uint8_t>& out, const char type[4],
              const std::vector<std::uint8_t>& data) {
  PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBigEndian(out, Crc32(out.data() + typeAt, out.size() - typeAt));
}

// A zlib stream of stored blocks (at most 65535 bytes each) over `raw`.
std::vector<std::uint8_t> StoredZlib(const std::vector<std::uint8_t>& raw) {
  std::vector<std::uint8_t> out = {0x78, 0x01};
  std::size_t at = 0;
  do {
    const std::size_t length = std::min<std::size_t>(raw.size() - at, 65535);
    const bool last = at + length == raw.size();
    out.push_back(last ? 1 : 0);
    out.push_back(static_cast<std::uint8_t>(length));
    out.push_back(static_cast<std::uint8_t>(length >> 8));
    out.push_back(static_cast<std::uint8_t>(~length));
    out.push_back(static_cast<std::uint8_t>(~length >> 8));
    out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
               raw.begin() + static_cast<std::ptrdiff_t>(at + length));
    at += length;
  } while (at < raw.size());
  std::uint32_t a = 1;
  std::uint32_t b = 0;
  for (std::uint8_t byte : raw) {
    a = (a + byte) % 65521u;
    b = (b + a) % 65521u;
  }
  PutBigEndian(out, (b << 16) | a);
  return out;
}

}  // namespace

bool ReadPng(const std::string& path, RgbaImage&, std::string& error) {
  error = "cannot read image '" + path + "': this build has no PNG decoder";
  return false;
}

bool WritePng(const std::string& path, const RgbaImage& image, std::string& error) {
  if (!image.HasPixels()) {
    error = "cannot write '" + path + "': the picture has no pixels";
    return false;
  }
  const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 4;
  std::vector<std::uint8_t> rows;
  rows.reserve((rowBytes + 1) * static_cast<std::size_t>(image.height));
  for (int y = 0; y < image.height; ++y) {
    rows.push_back(0);  // filter: none
    const auto begin = image.pixels.begin() + static_cast<std::ptrdiff_t>(rowBytes * static_cast<std::size_t>(y));
    rows.insert(rows.end(), begin, begin + static_cast<std::ptrdiff_t>(rowBytes));
  }

  // A chunk's length is a 31-bit number.
  if (rows.size() > 0x7FFF0000u) {
    error = "cannot write '" + path + "': the picture is too large for one uncompressed PNG";
    return false;
  }
  std::vector<std::uint8_t> header;
  PutBigEndian(header, static_cast<std::uint32_t>(image.width));
  PutBigEndian(header, static_cast<std::uint32_t>(image.height));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no interlace
  std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  PutChunk(file, "IHDR", header);
  PutChunk(file, "IDAT", StoredZlib(rows));
  PutChunk(file, "IEND", {});

  std::string reason;
  std::FILE* out = OpenFile(path, "wb", &reason);
  if (out == nullptr) {
    error = "cannot write '" + path + "': " + reason;
    return false;
  }
  const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  // A full disk shows up only when the buffered bytes are flushed.
  const bool closed = std::fclose(out) == 0;
  if (!written || !closed) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    std::remove(path.c_str());
    return false;
  }
  return true;
}

}  // namespace host
