// A render's hold on its output folder: while one render writes numbered
// frames into a folder, a second one into the same folder is refused at
// once instead of mixing or deleting the first one's frames. The lock ends
// with the process, however it ends (FolderLock_posix.cpp: flock on the
// folder; FolderLock_win32.cpp: a file opened for no one else, deleted on
// close).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace cli {

class FolderLock {
 public:
  // Null with a one-line reason when another render holds the folder or the
  // lock cannot be taken.
  static std::unique_ptr<FolderLock> Take(const std::string& folder, std::string& error);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  explicit FolderLock(std::intptr_t handle) : handle_(handle) {}
  std::intptr_t handle_;  // a descriptor or a HANDLE
};

}  // namespace cli
