// Reads a fuzzer's bytes as the values a run needs; past the end every value
// is zero, so any input, however short, is a whole run. Kept free of
// libFuzzer's headers so the corpus also replays in builds made by GCC.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// Stops the run as a finding: libFuzzer saves the input that led here.
[[noreturn]] void FuzzFinding(const char* what);

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Empty() const { return offset_ >= size_; }

  std::uint8_t Byte() { return offset_ < size_ ? data_[offset_++] : 0; }

  std::uint32_t Word() {
    std::uint32_t word = 0;
    for (int i = 0; i < 4; ++i) word = (word << 8) | Byte();
    return word;
  }

  // Mostly small numbers, sometimes any 32 bits: indices and sizes that
  // matter sit near zero, but the whole range must be tried.
  std::uint32_t SmallOrAny(std::uint32_t small) {
    const std::uint8_t pick = Byte();
    if (pick < 192) return pick % small;
    if (pick < 224) return Word();
    const std::uint32_t edges[] = {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0xFFFFu, 0x10000u, 16384u};
    return edges[pick % (sizeof edges / sizeof edges[0])];
  }

  // The remaining bytes as a text that ends at its first NUL.
  std::string RestAsText() {
    if (offset_ >= size_) return std::string();
    const std::size_t length = size_ - offset_;
    const char* begin = reinterpret_cast<const char*>(data_ + offset_);
    offset_ = size_;
    const void* nul = std::memchr(begin, 0, length);
    return std::string(begin, nul != nullptr ? static_cast<const char*>(nul) - begin : length);
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t offset_ = 0;
};
