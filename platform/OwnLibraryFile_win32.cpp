#include "platform/OwnLibraryFile.h"

#include <windows.h>

#include <vector>

namespace platform {
namespace {

// A marker whose address lies inside this DLL.
const char kInsideThisLibrary = 0;

}  // namespace

OwnLibraryFile::OwnLibraryFile() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCWSTR>(&kInsideThisLibrary), &module)) {
    return;
  }
  // Long paths: grow the buffer until the name fits.
  std::vector<wchar_t> name(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return;
    if (length < name.size()) break;
    if (name.size() >= 32768) return;
    name.resize(name.size() * 2);
  }
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, name.data(), -1, nullptr, 0, nullptr, nullptr);
  if (bytes > 1) {
    path_.resize(static_cast<std::size_t>(bytes));
    WideCharToMultiByte(CP_UTF8, 0, name.data(), -1, &path_[0], bytes, nullptr, nullptr);
    path_.resize(static_cast<std::size_t>(bytes - 1));
  }
  const HANDLE file = CreateFileW(name.data(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || size.QuadPart < 0) {
    CloseHandle(file);
    return;
  }
  handle_ = reinterpret_cast<std::intptr_t>(file);
  size_ = static_cast<std::uint64_t>(size.QuadPart);
  open_ = true;
}

OwnLibraryFile::~OwnLibraryFile() {
  if (open_) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

bool OwnLibraryFile::Read(std::uint64_t offset, void* data, std::size_t size) const {
  if (!open_ || offset > size_ || size > size_ - offset) return false;
  auto* bytes = static_cast<char*>(data);
  while (size > 0) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD got = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(handle_), bytes, chunk, &got, &at) || got == 0) {
      return false;
    }
    bytes += got;
    offset += got;
    size -= got;
  }
  return true;
}

}  // namespace platform
