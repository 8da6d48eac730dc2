#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "host/loader/CrashGuard.h"
#include "host/output/System.h"

namespace cli {
namespace {

// The one child a pipe runs at a time (ffmpeg).
pid_t pipeChild = 0;

}  // namespace

const char kOpenGLNote[] = "OpenGL runs headless (Mesa through EGL, no display needed).";

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

// popen without hiding the child's process id, which the crash guard needs.
std::FILE* OpenWritePipe(const std::string& command) {
  int ends[2];
  if (pipe(ends) != 0) return nullptr;
  const pid_t child = fork();
  if (child < 0) {
    close(ends[0]);
    close(ends[1]);
    return nullptr;
  }
  if (child == 0) {
    // The child's own Ctrl-C handling, not the host's.
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    signal(SIGPIPE, SIG_DFL);
    dup2(ends[0], STDIN_FILENO);
    close(ends[0]);
    close(ends[1]);
    // exec: the registered process is the program itself, not a shell.
    const std::string line = "exec " + command;
    execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(ends[0]);
  std::FILE* stream = fdopen(ends[1], "w");
  if (stream == nullptr) {
    close(ends[1]);
    waitpid(child, nullptr, 0);
    return nullptr;
  }
  pipeChild = child;
  RegisterChild(child);
  return stream;
}

int CloseWritePipe(std::FILE* pipe) {
  std::fclose(pipe);
  RegisterChild(0);
  int status = 0;
  pid_t waited = -1;
  do {
    waited = waitpid(pipeChild, &status, 0);
  } while (waited == -1 && errno == EINTR);
  pipeChild = 0;
  if (waited == -1) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

void IgnoreBrokenPipes() { signal(SIGPIPE, SIG_IGN); }

bool IsSeparator(char c) { return c == '/'; }

long ProcessId() { return static_cast<long>(getpid()); }

void RunEvery(int milliseconds, void (*task)()) {
  std::thread([milliseconds, task] {
    for (;;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
      task();
    }
  }).detach();
}

}  // namespace cli
