// The PNG files that hosts built without libpng (the Windows builds) write
// through stb_image_write: libpng, which every other program reading them
// stands for, must decode them to exactly the bytes written, and failures
// must leave no file behind. The same build's reader reads them back too.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "host/image/PngImage.h"

namespace {

std::string ScratchPath(const std::string& name) {
  return ::testing::TempDir() + "stb-png-" + name;
}

host::RgbaImage Pattern(int width, int height) {
  host::RgbaImage image;
  image.width = width;
  image.height = height;
  for (int i = 0; i < width * height * 4; ++i) {
    image.pixels.push_back(static_cast<std::uint8_t>(i * 37 + i / 4096));
  }
  return image;
}

// Decodes with libpng's own reader, not the host's.
bool DecodeWithLibpng(const std::string& path, host::RgbaImage& image) {
  png_image decoder{};
  decoder.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&decoder, path.c_str()) == 0) {
    ADD_FAILURE() << decoder.message;
    return false;
  }
  decoder.format = PNG_FORMAT_RGBA;
  image.width = static_cast<int>(decoder.width);
  image.height = static_cast<int>(decoder.height);
  image.pixels.assign(PNG_IMAGE_SIZE(decoder), 0);
  if (png_image_finish_read(&decoder, nullptr, image.pixels.data(), 0, nullptr) == 0) {
    ADD_FAILURE() << decoder.message;
    return false;
  }
  return true;
}

void ExpectReadsBackExactly(const host::RgbaImage& image, const std::string& name) {
  const std::string path = ScratchPath(name);
  std::string error;
  ASSERT_TRUE(host::WritePng(path, image, error)) << error;
  host::RgbaImage back;
  ASSERT_TRUE(DecodeWithLibpng(path, back));
  EXPECT_EQ(back.width, image.width);
  EXPECT_EQ(back.height, image.height);
  EXPECT_EQ(back.pixels, image.pixels);
  std::remove(path.c_str());
}

TEST(StbPngWriter, OnePixelReadsBack) { ExpectReadsBackExactly(Pattern(1, 1), "one.png"); }

TEST(StbPngWriter, ALargerPictureReadsBack) {
  ExpectReadsBackExactly(Pattern(301, 257), "blocks.png");
}

TEST(StbPngWriter, APictureWithoutPixelsIsRefusedAndNoFileIsLeft) {
  host::RgbaImage empty;
  const std::string path = ScratchPath("empty.png");
  std::string error;
  EXPECT_FALSE(host::WritePng(path, empty, error));
  EXPECT_NE(error.find("no pixels"), std::string::npos) << error;
  EXPECT_FALSE(std::ifstream(path).good());
}

TEST(StbPngWriter, AnUnwritablePathIsRefused) {
  std::string error;
  EXPECT_FALSE(host::WritePng(ScratchPath("no-such-folder/x.png"), Pattern(2, 2), error));
  EXPECT_NE(error.find("x.png': No such file or directory"), std::string::npos) << error;
}

TEST(StbPngWriter, TheHostsOwnReaderReadsItBack) {
  const host::RgbaImage image = Pattern(301, 257);
  const std::string path = ScratchPath("own.png");
  std::string error;
  ASSERT_TRUE(host::WritePng(path, image, error)) << error;
  host::RgbaImage back;
  ASSERT_TRUE(host::ReadPng(path, back, error)) << error;
  EXPECT_EQ(back.pixels, image.pixels);
  std::remove(path.c_str());
}

}  // namespace
