#include <cerrno>
#include <cstring>

#include "host/files/OpenFile.h"

namespace host {

std::FILE* OpenFile(const std::string& path, const char* mode, std::string* reason) {
  std::FILE* file = std::fopen(path.c_str(), mode);
  if (file == nullptr && reason != nullptr) *reason = SystemErrorText(static_cast<unsigned long>(errno));
  return file;
}

bool RenameOver(const std::string& from, const std::string& to, std::string& reason) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  reason = SystemErrorText(static_cast<unsigned long>(errno));
  return false;
}

std::string SystemErrorText(unsigned long code) { return std::strerror(static_cast<int>(code)); }

}  // namespace host
