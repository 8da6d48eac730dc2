#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstring>

#include "host/files/OpenFile.h"
#include "host/files/WideText_win32.h"

namespace host {

std::FILE* OpenFile(const std::string& path, const char* mode, std::string* reason) {
  const bool write = std::strchr(mode, 'w') != nullptr;
  HANDLE handle = CreateFileW(Wide(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    if (reason != nullptr) *reason = SystemErrorText(GetLastError());
    return nullptr;
  }
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle),
                                         (write ? _O_WRONLY : _O_RDONLY) | _O_BINARY);
  std::FILE* file = descriptor == -1 ? nullptr : _fdopen(descriptor, write ? "wb" : "rb");
  if (file == nullptr) {
    if (descriptor == -1) {
      CloseHandle(handle);
    } else {
      _close(descriptor);
    }
    if (reason != nullptr) *reason = "the C library cannot use the file";
  }
  return file;
}

bool RenameOver(const std::string& from, const std::string& to, std::string& reason) {
  if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0) {
    return true;
  }
  reason = SystemErrorText(GetLastError());
  return false;
}

std::string SystemErrorText(unsigned long code) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = length > 0 && text != nullptr ? std::string(text, length) : std::string();
  if (text != nullptr) LocalFree(text);
  // Some texts name their subject "%1"; the message names the file itself.
  const auto insert = message.find("%1");
  if (insert != std::string::npos) message.replace(insert, 2, "the file");
  // The system's text ends in a full stop and a line break.
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message.empty() ? "error " + std::to_string(code) : message;
}

}  // namespace host
