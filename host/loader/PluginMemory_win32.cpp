#include <windows.h>

#include "host/loader/PluginMemory.h"

namespace host {

// ReadProcessMemory on this very process refuses an unreadable page instead
// of raising an access violation.
bool CopyPluginMemory(const void* address, void* destination, std::size_t size) {
  if (size == 0) return true;
  if (address == nullptr) return false;
  SIZE_T copied = 0;
  return ReadProcessMemory(GetCurrentProcess(), address, destination, size, &copied) != 0 &&
         copied == size;
}

}  // namespace host
