#include <elf.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "host/loader/LibraryFile.h"

namespace host {
namespace {

template <typename Header, typename ProgramHeader>
bool SegmentsWithin(std::FILE* file, unsigned long long size, std::string& reason) {
  Header header{};
  if (std::fseek(file, 0, SEEK_SET) != 0 || std::fread(&header, sizeof header, 1, file) != 1) {
    reason = "the file is truncated: its header is incomplete";
    return false;
  }
  const unsigned long long tableEnd =
      header.e_phoff + static_cast<unsigned long long>(header.e_phnum) * sizeof(ProgramHeader);
  const unsigned long long sectionsEnd =
      header.e_shoff + static_cast<unsigned long long>(header.e_shnum) * header.e_shentsize;
  if (tableEnd > size || (header.e_shoff != 0 && sectionsEnd > size)) {
    reason = "the file is truncated: " + std::to_string(size) + " bytes, its headers reach " +
             std::to_string(tableEnd > sectionsEnd ? tableEnd : sectionsEnd);
    return false;
  }
  std::vector<ProgramHeader> segments(header.e_phnum);
  if (!segments.empty() &&
      (std::fseek(file, static_cast<long>(header.e_phoff), SEEK_SET) != 0 ||
       std::fread(segments.data(), sizeof(ProgramHeader), segments.size(), file) !=
           segments.size())) {
    reason = "the file cannot be read";
    return false;
  }
  for (const ProgramHeader& segment : segments) {
    if (segment.p_type != PT_LOAD) continue;
    const unsigned long long end = segment.p_offset + segment.p_filesz;
    if (end > size) {
      reason = "the file is truncated: " + std::to_string(size) + " bytes, its code and data " +
               "reach " + std::to_string(end);
      return false;
    }
  }
  return true;
}

}  // namespace

bool LibraryFileIsWhole(const std::string& path, std::string& reason) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return true;  // the loader says why
  unsigned char ident[EI_NIDENT] = {};
  bool whole = true;
  if (std::fread(ident, 1, sizeof ident, file) == sizeof ident &&
      std::memcmp(ident, ELFMAG, SELFMAG) == 0 && std::fseek(file, 0, SEEK_END) == 0) {
    const long end = std::ftell(file);
    const auto size = static_cast<unsigned long long>(end < 0 ? 0 : end);
    whole = ident[EI_CLASS] == ELFCLASS64 ? SegmentsWithin<Elf64_Ehdr, Elf64_Phdr>(file, size, reason)
                                          : SegmentsWithin<Elf32_Ehdr, Elf32_Phdr>(file, size, reason);
  }
  std::fclose(file);
  return whole;
}

}  // namespace host
