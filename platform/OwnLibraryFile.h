// The file the library holding this code was loaded from, opened for
// reading: a plugin made by ffgl-pack finds its description appended there.
// One source file per platform implements it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

class OwnLibraryFile {
 public:
  OwnLibraryFile();
  ~OwnLibraryFile();
  OwnLibraryFile(const OwnLibraryFile&) = delete;
  OwnLibraryFile& operator=(const OwnLibraryFile&) = delete;

  bool IsOpen() const { return open_; }
  std::uint64_t Size() const { return size_; }
  // The file's path as the loader reports it, for messages.
  const std::string& Path() const { return path_; }
  // Reads exactly `size` bytes at `offset`; false when it cannot.
  bool Read(std::uint64_t offset, void* data, std::size_t size) const;

 private:
  bool open_ = false;
  std::intptr_t handle_ = -1;
  std::uint64_t size_ = 0;
  std::string path_;
};

}  // namespace platform
