// Any bytes as a picture file: the reader either gives a picture whose size
// and pixel count agree and lie within the limits, or refuses with a
// one-line reason, without reading or allocating beyond what the bytes
// justify (the sanitizers and libFuzzer's memory limit watch both).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/image/PngDecoder.h"

namespace {

void Expect(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "fuzz finding: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  host::RgbaImage image;
  std::string reason;
  // A lower side limit than the host's keeps each run small and fast; the
  // checks before decoding are the same.
  constexpr int kSide = 1024;
  if (host::DecodePng(data, size, image, reason, kSide)) {
    Expect(image.HasPixels(), "a picture whose size and pixels disagree");
    Expect(image.width <= kSide && image.height <= kSide, "a picture beyond the side limit");
    return 0;
  }
  Expect(!reason.empty(), "a refusal without a reason");
  for (char c : reason) {
    Expect(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F, "a control byte in the reason");
  }
  Expect(image.width == 0 && image.pixels.empty(), "a refused picture changed the output");
  return 0;
}
