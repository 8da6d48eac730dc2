#include "host/gl/FrameState.h"

namespace host {

void PrepareFrameState(const HostGL& gl, const HostFramebuffer& target) {
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

}  // namespace host
