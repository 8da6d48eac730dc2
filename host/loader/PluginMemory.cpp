#include "host/loader/PluginMemory.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace host {

bool CopyPluginText(const void* address, std::size_t limit, std::string& text) {
  text.clear();
  if (address == nullptr) return false;
  // In pieces that never cross a 4 KiB boundary, so a text that ends just
  // before unmapped memory is read whole without touching what follows.
  constexpr std::uintptr_t kPiece = 4096;
  auto at = reinterpret_cast<std::uintptr_t>(address);
  char piece[kPiece];
  while (text.size() < limit) {
    const std::size_t size = static_cast<std::size_t>(
        std::min<std::uintptr_t>(kPiece - at % kPiece, limit - text.size()));
    if (!CopyPluginMemory(reinterpret_cast<const void*>(at), piece, size)) return false;
    const void* end = std::memchr(piece, '\0', size);
    if (end != nullptr) {
      text.append(piece, static_cast<const char*>(end) - piece);
      return true;
    }
    text.append(piece, size);
    at += size;
  }
  return true;
}

}  // namespace host
