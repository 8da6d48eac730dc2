// Windows: wglGetProcAddress for the current context, the performance
// counter, localtime_s and OutputDebugStringA.
#include "platform/Platform.h"
#include "platform/WglProcAddress.h"

#include <windows.h>

#include <cstring>
#include <ctime>

namespace platform {

namespace {
GLEntryPoint FindWgl(const char* name) {
  PROC address = wglGetProcAddress(name);
  if (IsMissingWglProcAddress(address)) return nullptr;
  return reinterpret_cast<GLEntryPoint>(address);
}
}  // namespace

// wglGetProcAddress itself answers for the current context.
GLEntryPointLookup::GLEntryPointLookup() : find_(FindWgl) {}

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

void WriteDebugText(const char* text) {
  if (text != nullptr) OutputDebugStringA(text);
}

}  // namespace platform
