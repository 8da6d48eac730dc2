#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/loader/PluginMemory.h"

namespace host {
namespace {

// The kernel copies from this process to itself and says EFAULT where the
// source is not readable. Where the call is not allowed (a sandbox), a pipe
// does the same: write() refuses an unreadable buffer with EFAULT too.
bool CopyThroughPipe(const void* address, void* destination, std::size_t size) {
  int ends[2];
  if (pipe(ends) != 0) return false;
  bool copied = true;
  auto* out = static_cast<char*>(destination);
  const auto* in = static_cast<const char*>(address);
  while (size > 0 && copied) {
    const std::size_t piece = size < 4096 ? size : 4096;
    copied = write(ends[1], in, piece) == static_cast<ssize_t>(piece) &&
             read(ends[0], out, piece) == static_cast<ssize_t>(piece);
    in += piece;
    out += piece;
    size -= piece;
  }
  close(ends[0]);
  close(ends[1]);
  return copied;
}

}  // namespace

bool CopyPluginMemory(const void* address, void* destination, std::size_t size) {
  if (size == 0) return true;
  if (address == nullptr) return false;
  iovec local{destination, size};
  iovec remote{const_cast<void*>(address), size};
  const ssize_t copied = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
  if (copied == static_cast<ssize_t>(size)) return true;
  if (copied >= 0 || errno == EFAULT) return false;
  return CopyThroughPipe(address, destination, size);
}

}  // namespace host
