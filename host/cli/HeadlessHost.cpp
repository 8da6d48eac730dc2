#include "host/cli/HeadlessHost.h"

#include <cstdio>

#include "host/cli/CrashGuard.h"
#include "host/cli/TextTable.h"

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
  target.Bind();
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gl.glUseProgram(0);
  gl.glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, 0);
  gl.glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, 0);
}

int Fail(const std::string& message, int status) {
  EndProgressLine();
  // One line whatever a file or a plugin put into the message.
  std::fprintf(stderr, "%s%s\n", MessagePrefix(), ShownText(message).c_str());
  return status;
}

int UsageError(const std::string& command, const std::string& message) {
  std::fprintf(stderr, "ffgl-host %s: %s (see 'ffgl-host %s --help')\n", command.c_str(),
               message.c_str(), command.c_str());
  return kExitUsage;
}

}  // namespace cli
