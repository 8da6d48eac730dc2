// This program started again as a child process, its output and two more
// channels piped back: validate and info run a plugin there, so that
// whatever the plugin does to its process, the parent reports it. Per
// platform (ChildProcess_posix.cpp: fork and exec of itself;
// ChildProcess_win32.cpp: CreateProcess of itself).
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace cli {

// The channels a child writes and its parent reads.
enum ChildChannel { kChildOutput, kChildEvents, kChildPluginOutput, kChildChannels };

// How a child ended.
struct ChildEnd {
  bool exited = false;  // ended by returning or exit(); else killed
  int status = 0;       // exit status, when exited
  std::string fault;    // what killed it ("segmentation fault"), when not
};

class ChildProcess {
 public:
  // Runs this program with `arguments`; null with the reason in `error`.
  static std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& arguments,
                                             std::string& error);
  virtual ~ChildProcess() = default;
  // Waits up to `milliseconds` (< 0: no limit) for bytes on any channel and
  // appends what came to `channels`; false once every channel is closed.
  virtual bool Read(int milliseconds, std::string (&channels)[kChildChannels]) = 0;
  virtual void Kill() = 0;
  virtual ChildEnd Wait() = 0;
};

// In a child: the descriptors its parent gave it for events and for the
// plugin's output, from the environment; false in a process no host
// started as its child.
bool ChildChannelsFromEnvironment(int& events, int& pluginOutput);
// Writes all of `size` bytes to a descriptor; safe in a crash handler.
void WriteToDescriptor(int descriptor, const char* bytes, std::size_t size);

}  // namespace cli
