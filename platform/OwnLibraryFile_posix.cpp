#include "platform/OwnLibraryFile.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {
namespace {

// A marker whose address lies inside this library.
const char kInsideThisLibrary = 0;

}  // namespace

OwnLibraryFile::OwnLibraryFile() {
  Dl_info info{};
  if (dladdr(&kInsideThisLibrary, &info) == 0 ||
      info.dli_fname == nullptr) {
    return;
  }
  path_ = info.dli_fname;
  const int fd = open(info.dli_fname, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat status {};
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(fd);
    return;
  }
  handle_ = fd;
  size_ = static_cast<std::uint64_t>(status.st_size);
  open_ = true;
}

OwnLibraryFile::~OwnLibraryFile() {
  if (open_) close(static_cast<int>(handle_));
}

bool OwnLibraryFile::Read(std::uint64_t offset, void* data, std::size_t size) const {
  if (!open_ || offset > size_ || size > size_ - offset) return false;
  auto* bytes = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t got = pread(static_cast<int>(handle_), bytes, size, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    bytes += got;
    offset += static_cast<std::uint64_t>(got);
    size -= static_cast<std::size_t>(got);
  }
  return true;
}

}  // namespace platform
