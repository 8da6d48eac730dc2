// Opening a file by its path the same way on every platform the host builds
// for.
#pragma once

#include <cstdio>
#include <string>

namespace host {

// A FILE* opened from a UTF-8 path on every platform.
inline std::FILE* OpenFile(const std::string& path, const char* mode) {
#if defined(_WIN32)
  std::FILE* file = nullptr;
  return fopen_s(&file, path.c_str(), mode) == 0 ? file : nullptr;
#else
  return std::fopen(path.c_str(), mode);
#endif
}

}  // namespace host
