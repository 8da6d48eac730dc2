#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "host/cli/System.h"

namespace cli {

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return std::string();
  std::string directories = path;
  std::size_t start = 0;
  while (start <= directories.size()) {
    const std::size_t end = std::min(directories.find(':', start), directories.size());
    const std::filesystem::path directory =
        end > start ? directories.substr(start, end - start) : std::string(".");
    const std::filesystem::path candidate = directory / name;
    std::error_code ignored;
    if (std::filesystem::is_regular_file(candidate, ignored) &&
        access(candidate.c_str(), X_OK) == 0) {
      return candidate.string();
    }
    start = end + 1;
  }
  return std::string();
}

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

std::FILE* OpenWritePipe(const std::string& command) { return popen(command.c_str(), "w"); }

int CloseWritePipe(std::FILE* pipe) {
  const int status = pclose(pipe);
  if (status == -1) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

void IgnoreBrokenPipes() { signal(SIGPIPE, SIG_IGN); }

}  // namespace cli
