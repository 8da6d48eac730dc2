#include "host/image/FileBytes.h"

#include <cerrno>
#include <cstdio>

#include "host/files/OpenFile.h"

namespace host {

bool ReadFileBytes(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& bytes,
                   std::string& reason) {
  std::FILE* file = OpenFile(path, "rb", &reason);
  if (file == nullptr) return false;
  bytes.clear();
  // Grown as the data comes, never from a size the file claims: a pipe has
  // none, and a file may change while it is read.
  constexpr std::size_t kChunk = 64 * 1024;
  bool tooLarge = false;
  for (;;) {
    const std::size_t used = bytes.size();
    if (used > limit) {
      tooLarge = true;
      break;
    }
    bytes.resize(used + kChunk);
    errno = 0;
    const std::size_t got = std::fread(bytes.data() + used, 1, kChunk, file);
    bytes.resize(used + got);
    if (got < kChunk) break;
  }
  const bool failed = std::ferror(file) != 0;
  const int code = errno;
  std::fclose(file);
  if (tooLarge) {
    reason = "larger than " + std::to_string(limit / (1024 * 1024)) + " MiB";
    bytes.clear();
    return false;
  }
  if (failed) {
    reason = code != 0 ? SystemErrorText(static_cast<unsigned long>(code)) : "a read error";
    bytes.clear();
    return false;
  }
  return true;
}

}  // namespace host
