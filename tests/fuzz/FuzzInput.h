// Reads a fuzzer's bytes as the values a run needs; past the end every value
// is zero, so any input, however short, is a whole run. Kept free of
// libFuzzer's headers so the corpus also replays in builds made by GCC.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/fakegl/FakeGL.h"

// Stops the run as a finding, with the fake driver's first complaint:
// libFuzzer saves the input that led here.
[[noreturn]] inline void FuzzFinding(const char* what) {
  std::fprintf(stderr, "fuzz finding: %s\n", what);
  const std::string& fault = fakegl::Get().fault;
  if (!fault.empty()) std::fprintf(stderr, "driver saw: %s\n", fault.c_str());
  std::abort();
}

inline void Expect(bool condition, const char* what) {
  if (!condition) FuzzFinding(what);
}

// The fake driver as every run starts with it: complete, not recording
// (the books are kept regardless), its clock a millisecond on per read.
inline fakegl::State& FreshDriver() {
  fakegl::Reset();
  fakegl::State& gl = fakegl::Get();
  gl.recording = false;
  gl.counterStep = 1000;
  return gl;
}

// No object misused, none of the plugin's alive.
inline void ExpectNothingLeft() {
  const fakegl::State& gl = fakegl::Get();
  Expect(gl.fault.empty(), "the plugin misused an OpenGL object");
  Expect(gl.liveTextures.empty(), "a texture of the plugin survived its instance");
  Expect(gl.liveFramebuffers.empty(), "a framebuffer of the plugin survived its instance");
  Expect(gl.liveObjects.empty(), "a shader or program survived its instance");
}

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
