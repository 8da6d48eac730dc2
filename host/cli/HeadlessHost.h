// What every subcommand starts with: an OpenGL context without a display,
// the host's GL entry points, and the plugin loaded and initialised.
#pragma once

#include <memory>
#include <string>

#include "host/ExitStatus.h"
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

  // The state a host promises before each frame (host/gl/FrameState.h).
  void PrepareFrameState(const host::HostFramebuffer& target) const;
};

}  // namespace cli
