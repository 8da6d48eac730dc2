// What every subcommand starts with: an OpenGL context without a display,
// the host's GL entry points, and the plugin loaded and initialised.
#pragma once

#include <memory>
#include <string>

#include "host/gl/GLContext.h"
#include "host/gl/HostFramebuffer.h"
#include "host/gl/HostGL.h"
#include "host/loader/PluginSession.h"

namespace cli {

struct HeadlessHost {
  std::unique_ptr<host::GLContext> context;
  host::HostGL gl;
  std::unique_ptr<host::PluginSession> session;

  // False with a one-line reason when there is no OpenGL or the file is not
  // a working FreeFrame GL plugin.
  bool Start(const std::string& pluginPath, std::string& error);

  // The state a host promises before each frame: its framebuffer bound with
  // a viewport over all of it, identity matrices, texture unit 0 active, no
  // program, no 2D texture on units 0 and 1.
  void PrepareFrameState(const host::HostFramebuffer& target) const;
};

// Every failure a subcommand reports: one line on standard error, starting
// "ffgl-host COMMAND: ".
int Fail(const std::string& message, int status = 1);
// Exit statuses, as the README's table lists them.
constexpr int kExitFailure = 1;      // the plugin, a check or an output failed
constexpr int kExitUsage = 2;        // how the tool was asked
constexpr int kExitCrash = 3;        // the plugin crashed (validate: 1)
constexpr int kExitDrift = 4;        // real-time frames fell behind their times
constexpr int kExitNoDisplay = 5;    // play: no display to open a window on
constexpr int kExitInterrupted = 130;  // Ctrl-C (143: terminated)
// A usage mistake: the message and a pointer to --help.
int UsageError(const std::string& command, const std::string& message);

}  // namespace cli
