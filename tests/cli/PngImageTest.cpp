// PNG files: what is written reads back byte for byte, and broken files are
// refused with a reason instead of crashing the host.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "HostProcess.h"
#include "host/image/PngImage.h"

#include <png.h>

namespace cli_test {
namespace {

TEST(PngImage, RoundTripKeepsEveryByteIncludingAlpha) {
  host::RgbaImage image;
  image.width = 7;  // odd, so rows are not 4-byte aligned multiples of 8
  image.height = 3;
  for (int i = 0; i < 7 * 3 * 4; ++i) image.pixels.push_back(static_cast<std::uint8_t>(i * 37));
  const std::string path = ScratchFolder("png") + "/image.png";
  std::string error;
  ASSERT_TRUE(host::WritePng(path, image, error)) << error;
  host::RgbaImage back;
  ASSERT_TRUE(host::ReadPng(path, back, error)) << error;
  EXPECT_EQ(back.width, 7);
  EXPECT_EQ(back.height, 3);
  EXPECT_EQ(back.pixels, image.pixels);
}

TEST(PngImage, ATruncatedFileIsRefused) {
  host::RgbaImage image;
  image.width = 64;
  image.height = 64;
  for (int i = 0; i < 64 * 64 * 4; ++i) image.pixels.push_back(static_cast<std::uint8_t>(i * 7));
  const std::string folder = ScratchFolder("truncated");
  std::string error;
  ASSERT_TRUE(host::WritePng(folder + "/whole.png", image, error));
  std::ifstream whole(folder + "/whole.png", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(whole)), std::istreambuf_iterator<char>());
  std::ofstream(folder + "/cut.png", std::ios::binary) << bytes.substr(0, bytes.size() / 2);
  host::RgbaImage back;
  EXPECT_FALSE(host::ReadPng(folder + "/cut.png", back, error));
  EXPECT_EQ(error.rfind("cannot read image '" + folder + "/cut.png': ", 0), 0u) << error;
}

TEST(PngImage, AMissingFolderIsReportedOnWrite) {
  host::RgbaImage image;
  image.width = 1;
  image.height = 1;
  image.pixels = {1, 2, 3, 4};
  std::string error;
  EXPECT_FALSE(host::WritePng("/nonexistent/folder/image.png", image, error));
  EXPECT_EQ(error, "cannot write '/nonexistent/folder/image.png': No such file or directory");
}

TEST(PngImage, SixteenBitSamplesAreScaledWithoutColourConversion) {
  // Written as libpng writes linear 16-bit pictures (with a gamma 1.0 chunk).
  const std::uint16_t samples[] = {65535, 32768, 0, 65535, 257, 65535, 32767, 65535};
  png_image encoder{};
  encoder.version = PNG_IMAGE_VERSION;
  encoder.width = 2;
  encoder.height = 1;
  encoder.format = PNG_FORMAT_LINEAR_RGB_ALPHA;
  const std::string path = ScratchFolder("sixteen") + "/deep.png";
  ASSERT_NE(png_image_write_to_file(&encoder, path.c_str(), 0, samples, 0, nullptr), 0);
  host::RgbaImage image;
  std::string error;
  ASSERT_TRUE(host::ReadPng(path, image, error)) << error;
  // v * 255 / 65535, rounded.
  EXPECT_EQ(image.pixels, (std::vector<std::uint8_t>{255, 128, 0, 255, 1, 255, 127, 255}));
}

}  // namespace
}  // namespace cli_test
