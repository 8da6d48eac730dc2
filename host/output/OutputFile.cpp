#include "host/output/OutputFile.h"

#include <cstdio>
#include <filesystem>

#include "host/files/OpenFile.h"
#include "host/loader/CrashGuard.h"
#include "host/output/System.h"

namespace cli {

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
  const std::filesystem::path final = std::filesystem::u8path(path_);
  const std::string name = "." + final.filename().u8string() + "." +
                           std::to_string(ProcessId()) + ".partial";
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
