#include "tools/pack/PictureFile.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "tools/pack/Utf8Path.h"

#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#include <stb/stb_image.h>

bool ReadChannelPicture(const std::string& path, ChannelDescription& channel,
                        std::string& error) {
  std::ifstream file(Utf8Path(path), std::ios::binary);
  const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)),
                                         std::istreambuf_iterator<char>());
  if (!file || bytes.empty() || bytes.size() > (256u << 20)) {
    error = path + ": error: cannot read the picture";
    return false;
  }
  const int size = static_cast<int>(bytes.size());
  int width = 0;
  int height = 0;
  int components = 0;
  // The size is checked before the pixels are decoded.
  if (stbi_info_from_memory(bytes.data(), size, &width, &height, &components) == 0) {
    error = path + ": error: not a PNG or JPEG picture (" + stbi_failure_reason() + ")";
    return false;
  }
  const auto maximum = static_cast<int>(ChannelDescription::kMaximumSide);
  if (width < 1 || height < 1 || width > maximum || height > maximum) {
    error = path + ": error: the picture is " + std::to_string(width) + "x" +
            std::to_string(height) + "; a channel's picture is at most " +
            std::to_string(maximum) + "x" + std::to_string(maximum);
    return false;
  }
  unsigned char* pixels = stbi_load_from_memory(bytes.data(), size, &width, &height, &components, 4);
  if (pixels == nullptr) {
    error = path + ": error: the picture cannot be decoded (" + stbi_failure_reason() + ")";
    return false;
  }
  const auto row = static_cast<std::size_t>(width) * 4;
  channel.source = ChannelSource::kPicture;
  channel.width = static_cast<FFUInt32>(width);
  channel.height = static_cast<FFUInt32>(height);
  channel.pixels.resize(row * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    std::memcpy(&channel.pixels[row * static_cast<std::size_t>(height - 1 - y)],
                pixels + row * static_cast<std::size_t>(y), row);
  }
  stbi_image_free(pixels);
  return true;
}
