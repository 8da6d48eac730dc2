#include "host/output/OutputFile.h"

#include <cstdio>
#include <filesystem>

#include "host/files/OpenFile.h"
#include "host/loader/CrashGuard.h"
#include "host/output/System.h"

namespace cli {
namespace {

// File names are at most 255 bytes: a long final name is cut in its
// temporary one (at a character's start), so every legal name can be written.
std::string TemporaryName(std::string name) {
  constexpr std::size_t kLongestName = 255;
  const std::string suffix = "." + std::to_string(ProcessId()) + ".partial";
  const std::size_t room = kLongestName - 1 - suffix.size();
  if (name.size() > room) {
    std::size_t cut = room;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  return "." + name + suffix;
}

}  // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
  const std::filesystem::path final = std::filesystem::u8path(path_);
  const std::string name = TemporaryName(final.filename().u8string());
  temporary_ = (final.parent_path() / std::filesystem::u8path(name)).u8string();
  slot_ = RegisterTemporary(temporary_);
}

OutputFile::~OutputFile() {
  if (!committed_) {
    std::error_code ignored;
    std::filesystem::remove(std::filesystem::u8path(temporary_), ignored);
  }
  ForgetTemporary(slot_);
}

bool OutputFile::Commit(std::string& error) {
  std::string reason;
  if (!host::RenameOver(temporary_, path_, reason)) {
    error = "cannot write '" + path_ + "': " + reason;
    return false;
  }
  committed_ = true;
  return true;
}

}  // namespace cli
