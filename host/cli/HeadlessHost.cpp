#include "host/cli/HeadlessHost.h"

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

}  // namespace cli
