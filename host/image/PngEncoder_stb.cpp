#include <zlib.h>

#include <cerrno>
#include <cstdlib>

#include "host/image/PngEncoder.h"

namespace {

// stb_image_write's own deflate is slower and larger than zlib's.
unsigned char* Deflate(unsigned char* data, int length, int* outLength, int) {
  uLongf size = compressBound(static_cast<uLong>(length));
  auto* out = static_cast<unsigned char*>(std::malloc(size));
  if (out == nullptr || compress2(out, &size, data, static_cast<uLong>(length), 2) != Z_OK) {
    std::free(out);
    return nullptr;
  }
  *outLength = static_cast<int>(size);
  return out;
}

}  // namespace

#define STBIW_ZLIB_COMPRESS Deflate
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>

namespace host {
namespace {

struct FileWriter {
  std::FILE* file;
  int failure = 0;  // errno of the first failed write
};
void WriteBytes(void* user, void* data, int size) {
  auto* writer = static_cast<FileWriter*>(user);
  if (writer->failure == 0 &&
      std::fwrite(data, 1, static_cast<std::size_t>(size), writer->file) !=
          static_cast<std::size_t>(size)) {
    writer->failure = errno != 0 ? errno : EIO;
  }
}

}  // namespace

bool EncodePng(std::FILE* file, const RgbaImage& image, int& failure, std::string& reason) {
  // The filter setting is global in stb_image_write: set once.
  static const bool filterChosen = (stbi_write_force_png_filter = 1, true);
  (void)filterChosen;
  FileWriter writer{file};
  const bool encoded = stbi_write_png_to_func(WriteBytes, &writer, image.width, image.height, 4,
                                              image.pixels.data(), image.width * 4) != 0;
  failure = writer.failure;
  if (!encoded) reason = "out of memory";
  return encoded && failure == 0;
}

}  // namespace host
