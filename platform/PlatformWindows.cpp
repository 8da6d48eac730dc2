// Windows: wglGetProcAddress for the current context, the performance
// counter, and localtime_s.
#include "platform/Platform.h"

#include <windows.h>

#include <cstring>
#include <ctime>

namespace platform {

GLEntryPoint LookUpGLEntryPoint(const char* name) {
  if (name == nullptr) return nullptr;
  PROC address = wglGetProcAddress(name);
  // Some drivers answer small sentinel values instead of null for names
  // they do not know.
  const auto value = reinterpret_cast<std::uintptr_t>(address);
  if (value == 0 || value == 1 || value == 2 || value == 3 ||
      value == static_cast<std::uintptr_t>(-1)) {
    return nullptr;
  }
  return reinterpret_cast<GLEntryPoint>(address);
}

std::int64_t CounterFrequency() {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

std::int64_t CounterValue() {
  LARGE_INTEGER counter{};
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

bool CurrentLocalTime(std::tm& out) {
  std::memset(&out, 0, sizeof out);
  const std::time_t now = std::time(nullptr);
  return localtime_s(&out, &now) == 0;
}

}  // namespace platform
