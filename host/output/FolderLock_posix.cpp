#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/output/FolderLock.h"

namespace cli {

std::unique_ptr<FolderLock> FolderLock::Take(const std::string& folder, std::string& error) {
  // The folder itself is locked: no file is added to the user's folder.
  const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor == -1) {
    error = "cannot use output folder '" + folder + "': " + std::strerror(errno);
    return nullptr;
  }
  if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    const int code = errno;
    close(descriptor);
    error = code == EWOULDBLOCK
                ? "another render is writing into folder '" + folder + "'"
                : "cannot lock output folder '" + folder + "': " + std::strerror(code);
    return nullptr;
  }
  return std::unique_ptr<FolderLock>(new FolderLock(descriptor));
}

FolderLock::~FolderLock() { close(static_cast<int>(handle_)); }

}  // namespace cli
