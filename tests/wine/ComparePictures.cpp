// Compares two PNG pictures channel by channel: the same plugin rendered by
// the Windows host under Wine and by the Linux host must agree within the
// rounding two OpenGL drivers may differ by.
//
// Usage: compare-pictures EXPECTED.png ACTUAL.png [TOLERANCE]
// Exit status 0 when the sizes match and no channel of any pixel differs by
// more than TOLERANCE (default 3 of 255), 1 otherwise.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "host/image/PngImage.h"

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: %s EXPECTED.png ACTUAL.png [TOLERANCE]\n", argv[0]);
    return 2;
  }
  const int tolerance = argc == 4 ? std::atoi(argv[3]) : 3;
  host::RgbaImage expected;
  host::RgbaImage actual;
  std::string error;
  if (!host::ReadPng(argv[1], expected, error) || !host::ReadPng(argv[2], actual, error)) {
    std::printf("FAIL: %s\n", error.c_str());
    return 1;
  }
  if (expected.width != actual.width || expected.height != actual.height) {
    std::printf("FAIL: %dx%d against %dx%d\n", expected.width, expected.height, actual.width,
                actual.height);
    return 1;
  }

  int largest = 0;
  long beyond = 0;
  long firstBeyond = -1;
  std::set<std::uint32_t> colours;
  const long pixels = static_cast<long>(expected.width) * expected.height;
  for (long i = 0; i < pixels; ++i) {
    const std::uint8_t* e = &expected.pixels[static_cast<std::size_t>(i) * 4];
    const std::uint8_t* a = &actual.pixels[static_cast<std::size_t>(i) * 4];
    int worst = 0;
    for (int c = 0; c < 4; ++c) worst = std::max(worst, std::abs(e[c] - a[c]));
    largest = std::max(largest, worst);
    if (worst > tolerance) {
      if (firstBeyond < 0) firstBeyond = i;
      ++beyond;
    }
    if (colours.size() < 2) {
      colours.insert(static_cast<std::uint32_t>(e[0] << 24 | e[1] << 16 | e[2] << 8 | e[3]));
    }
  }
  std::printf("%dx%d: largest channel difference %d of 255, %ld of %ld pixels beyond %d\n",
              expected.width, expected.height, largest, beyond, pixels, tolerance);
  // Two blank pictures agree without proving anything.
  if (colours.size() < 2) {
    std::printf("FAIL: '%s' is a single colour; there is no picture to compare\n", argv[1]);
    return 1;
  }
  if (beyond > 0) {
    const long x = firstBeyond % expected.width;
    const long y = firstBeyond / expected.width;
    const std::uint8_t* e = &expected.pixels[static_cast<std::size_t>(firstBeyond) * 4];
    const std::uint8_t* a = &actual.pixels[static_cast<std::size_t>(firstBeyond) * 4];
    std::printf("FAIL: first at (%ld, %ld): expected %d %d %d %d, got %d %d %d %d\n", x, y, e[0],
                e[1], e[2], e[3], a[0], a[1], a[2], a[3]);
    return 1;
  }
  return 0;
}
