#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "host/cli/ChildProcess.h"

namespace cli {
namespace {

// Where the child finds its channels: fixed descriptors, named in the
// environment so that a plain run of the program never takes them.
constexpr int kEventsDescriptor = 3;
constexpr int kPluginOutputDescriptor = 4;
constexpr char kVariable[] = "FFGL_HOST_CHILD_CHANNELS";

class PosixChild final : public ChildProcess {
 public:
  PosixChild(pid_t process, const int (&ends)[kChildChannels]) : process_(process) {
    for (int i = 0; i < kChildChannels; ++i) ends_[i] = ends[i];
  }
  ~PosixChild() override {
    for (int end : ends_) {
      if (end >= 0) close(end);
    }
    if (!waited_) {
      Kill();
      Wait();
    }
  }

  bool Read(int milliseconds, std::string (&channels)[kChildChannels]) override {
    pollfd polls[kChildChannels];
    int open = 0;
    for (int i = 0; i < kChildChannels; ++i) {
      polls[i] = {ends_[i], POLLIN, 0};
      open += ends_[i] >= 0 ? 1 : 0;
    }
    if (open == 0) return false;
    const int ready = poll(polls, kChildChannels, milliseconds);
    if (ready <= 0) return true;
    for (int i = 0; i < kChildChannels; ++i) {
      if (ends_[i] < 0 || polls[i].revents == 0) continue;
      char buffer[65536];
      const ssize_t got = read(ends_[i], buffer, sizeof buffer);
      if (got > 0) {
        channels[i].append(buffer, static_cast<std::size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        close(ends_[i]);
        ends_[i] = -1;
      }
    }
    return true;
  }

  void Kill() override { kill(process_, SIGKILL); }

  ChildEnd Wait() override {
    int status = 0;
    while (waitpid(process_, &status, 0) == -1 && errno == EINTR) {
    }
    waited_ = true;
    ChildEnd end;
    end.exited = WIFEXITED(status);
    end.status = end.exited ? WEXITSTATUS(status) : 0;
    if (!end.exited) {
      const int number = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
      switch (number) {
        case SIGSEGV: end.fault = "segmentation fault"; break;
        case SIGBUS: end.fault = "bus error"; break;
        case SIGILL: end.fault = "illegal instruction"; break;
        case SIGFPE: end.fault = "arithmetic fault"; break;
        case SIGABRT: end.fault = "abort"; break;
        case SIGKILL: end.fault = "killed"; break;
        default: end.fault = "signal " + std::to_string(number); break;
      }
    }
    return end;
  }

 private:
  pid_t process_;
  int ends_[kChildChannels];
  bool waited_ = false;
};

}  // namespace

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::vector<std::string>& arguments,
                                                  std::string& error) {
  int pipes[kChildChannels][2];
  for (auto& ends : pipes) {
    if (pipe2(ends, O_CLOEXEC) != 0) {
      error = std::string("cannot start a child process: ") + std::strerror(errno);
      return nullptr;
    }
  }
  std::vector<char*> argv;
  static char self[] = "/proc/self/exe";
  argv.push_back(self);
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::fflush(nullptr);
  const pid_t process = fork();
  if (process == 0) {
    // The child: its output, events and the plugin's output into the pipes.
    dup2(pipes[kChildOutput][1], 1);
    dup2(pipes[kChildEvents][1], kEventsDescriptor);
    dup2(pipes[kChildPluginOutput][1], kPluginOutputDescriptor);
    setenv(kVariable, "3,4", 1);
    execv(self, argv.data());
    _exit(127);
  }
  int ends[kChildChannels];
  for (int i = 0; i < kChildChannels; ++i) {
    close(pipes[i][1]);
    ends[i] = pipes[i][0];
  }
  if (process < 0) {
    for (int end : ends) close(end);
    error = std::string("cannot start a child process: ") + std::strerror(errno);
    return nullptr;
  }
  return std::make_unique<PosixChild>(process, ends);
}

bool ChildChannelsFromEnvironment(int& events, int& pluginOutput) {
  const char* value = std::getenv(kVariable);
  if (value == nullptr || std::strcmp(value, "3,4") != 0) return false;
  unsetenv(kVariable);  // not for the programs this one starts
  fcntl(kEventsDescriptor, F_SETFD, FD_CLOEXEC);
  fcntl(kPluginOutputDescriptor, F_SETFD, FD_CLOEXEC);
  events = kEventsDescriptor;
  pluginOutput = kPluginOutputDescriptor;
  return true;
}

void WriteToDescriptor(int descriptor, const char* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(descriptor, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
}

}  // namespace cli
