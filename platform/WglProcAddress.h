// wglGetProcAddress answers null for a name it does not know, but some
// drivers answer the small sentinels 1, 2 or 3, or -1, instead: none of
// them is an address.
#pragma once

#include <cstdint>

namespace platform {

template <typename Address>
bool IsMissingWglProcAddress(Address address) {
  const auto value = reinterpret_cast<std::uintptr_t>(address);
  return value <= 3 || value == static_cast<std::uintptr_t>(-1);
}

}  // namespace platform
