// Owned copies of the texts the plugin keeps (registration texts, text
// parameter defaults).
#pragma once

#include <cstring>
#include <new>

// An allocated copy of `text` with its terminator, released with delete[];
// null when `text` is null or the copy cannot be allocated.
inline char* CopyOwnedText(const char* text) {
  if (text == nullptr) return nullptr;
  const std::size_t size = std::strlen(text) + 1;
  char* copy = new (std::nothrow) char[size];
  if (copy != nullptr) std::memcpy(copy, text, size);
  return copy;
}
