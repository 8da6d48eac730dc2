#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "host/files/OpenFile.h"
#include "host/files/WideText_win32.h"
#include "host/output/FolderLock.h"

namespace cli {

using host::Wide;

std::unique_ptr<FolderLock> FolderLock::Take(const std::string& folder, std::string& error) {
  // A file shared with no one: a second render cannot open it, and the
  // system deletes it when this process ends, however it ends.
  const std::string path = folder + "\\.ffgl-host-render.lock";
  HANDLE handle = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE,
                              nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    error = code == ERROR_SHARING_VIOLATION
                ? "another render is writing into folder '" + folder + "'"
                : "cannot lock output folder '" + folder + "': " + host::SystemErrorText(code);
    return nullptr;
  }
  return std::unique_ptr<FolderLock>(new FolderLock(reinterpret_cast<std::intptr_t>(handle)));
}

FolderLock::~FolderLock() { CloseHandle(reinterpret_cast<HANDLE>(handle_)); }

}  // namespace cli
