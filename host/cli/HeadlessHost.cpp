#include "host/cli/HeadlessHost.h"

#include "host/gl/FrameState.h"
#include "host/loader/CrashGuard.h"
#include <cstdio>

namespace cli {

bool HeadlessHost::Start(const std::string& pluginPath, std::string& error) {
  // The context comes first: a plugin may touch OpenGL as it initialises.
  context = host::GLContext::Create(error);
  if (context == nullptr) return false;
  if (!gl.Load(*context, error)) {
    error = "no usable OpenGL: " + error;
    return false;
  }
  session = host::PluginSession::Open(pluginPath, error);
  if (session == nullptr) return false;
  if (!session->Description().processesOpenGL) {
    error = "'" + pluginPath + "' does not process OpenGL frames: not a FreeFrame GL plugin";
    return false;
  }
  return true;
}

void HeadlessHost::PrepareFrameState(const host::HostFramebuffer& target) const {
  host::PrepareFrameState(gl, target);
}

}  // namespace cli
