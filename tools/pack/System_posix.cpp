#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "tools/pack/System.h"

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

std::string ProgramFolder() {
  std::error_code code;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", code);
  return code ? std::string(".") : self.parent_path().string();
}

bool RenameOver(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool ErrorsGoToTerminal() { return isatty(2) != 0; }

// A terminal stays open by itself.
void HoldConsoleOpen() {}
