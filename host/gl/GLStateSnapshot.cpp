#include "host/gl/GLStateSnapshot.h"

namespace host {

GLStateSnapshot GLStateSnapshot::Capture(const HostGL& gl) {
  GLStateSnapshot s;
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &s.drawFramebuffer);
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &s.readFramebuffer);
  glGetIntegerv(GL_VIEWPORT, s.viewport);
  glGetIntegerv(GL_ACTIVE_TEXTURE, &s.activeTexture);
  glGetIntegerv(GL_CURRENT_PROGRAM, &s.program);
  for (GLint unit = 0; unit < 2; ++unit) {
    gl.glActiveTexture(static_cast<GLenum>(GL_TEXTURE0 + unit));
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.texture2D[unit]);
    s.texture2DEnabled[unit] = glIsEnabled(GL_TEXTURE_2D) == GL_TRUE ? 1 : 0;
  }
  gl.glActiveTexture(static_cast<GLenum>(s.activeTexture));
  return s;
}

std::string GLStateSnapshot::DifferencesFrom(const GLStateSnapshot& before) const {
  std::string report;
  const auto note = [&report](const std::string& what, GLint now, GLint was) {
    if (now == was) return;
    if (!report.empty()) report += "; ";
    report += what + " " + std::to_string(now) + " (was " + std::to_string(was) + ")";
  };
  note("draw framebuffer", drawFramebuffer, before.drawFramebuffer);
  note("read framebuffer", readFramebuffer, before.readFramebuffer);
  note("viewport x", viewport[0], before.viewport[0]);
  note("viewport y", viewport[1], before.viewport[1]);
  note("viewport width", viewport[2], before.viewport[2]);
  note("viewport height", viewport[3], before.viewport[3]);
  note("active texture unit", activeTexture - GL_TEXTURE0, before.activeTexture - GL_TEXTURE0);
  note("current program", program, before.program);
  note("texture unit 0 binding", texture2D[0], before.texture2D[0]);
  note("texture unit 1 binding", texture2D[1], before.texture2D[1]);
  note("texture unit 0 GL_TEXTURE_2D enabled", texture2DEnabled[0], before.texture2DEnabled[0]);
  note("texture unit 1 GL_TEXTURE_2D enabled", texture2DEnabled[1], before.texture2DEnabled[1]);
  return report;
}

}  // namespace host
