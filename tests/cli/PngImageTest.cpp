// PNG files: what is written reads back byte for byte, and broken files are
// refused with a reason instead of crashing the host.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <thread>

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

std::string WrittenPng(const std::string& path, int width, int height) {
  host::RgbaImage image;
  image.width = width;
  image.height = height;
  for (int i = 0; i < width * height * 4; ++i) image.pixels.push_back(static_cast<std::uint8_t>(i));
  std::string error;
  EXPECT_TRUE(host::WritePng(path, image, error)) << error;
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// A pipe gives its bytes once: the picture must come from one reading.
TEST(PngImage, AFifoIsReadOnce) {
  const std::string folder = ScratchFolder("fifo");
  const std::string bytes = WrittenPng(folder + "/picture.png", 5, 3);
  ASSERT_EQ(mkfifo((folder + "/fifo").c_str(), 0600), 0);
  std::thread writer([&] { std::ofstream(folder + "/fifo", std::ios::binary) << bytes; });
  host::RgbaImage image;
  std::string error;
  EXPECT_TRUE(host::ReadPng(folder + "/fifo", image, error)) << error;
  writer.join();
  EXPECT_EQ(image.width, 5);
  EXPECT_EQ(image.height, 3);
}

// Damaged files: each refused with a reason, and a short file that claims a
// huge picture refused before anything is allocated for it.
TEST(PngImage, DamagedFilesAreRefusedWithAReason) {
  const std::string folder = ScratchFolder("damaged");
  const std::string good = WrittenPng(folder + "/good.png", 64, 64);
  const std::size_t idat = good.find("IDAT") - 4;
  std::string badLength = good;
  badLength.replace(idat, 4, std::string("\x7F\xFF\xFF\xF0", 4));
  std::string huge = good;
  huge.replace(16, 8, std::string("\0\0\x40\0\0\0\x40\0", 8));  // 16384 x 16384
  const struct {
    std::string bytes;
    std::string reason;
  } cases[] = {{badLength, "corrupt PNG data"},
               {huge, "too little data for 16384x16384 pixels"},
               {good.substr(0, 30), "corrupt PNG data"},
               {std::string("\x89PNG\r\n\x1A\n", 8), "corrupt PNG data (no image header)"},
               {"GIF89a", "not a PNG file"}};
  for (const auto& c : cases) {
    std::ofstream(folder + "/bad.png", std::ios::binary) << c.bytes;
    host::RgbaImage image;
    std::string error;
    EXPECT_FALSE(host::ReadPng(folder + "/bad.png", image, error));
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace cli_test
