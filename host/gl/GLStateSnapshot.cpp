#include "host/gl/GLStateSnapshot.h"

#include <cstring>

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
    glGetFloatv(GL_TEXTURE_MATRIX, s.textureMatrix[unit]);
  }
  gl.glActiveTexture(static_cast<GLenum>(s.activeTexture));
  s.blendEnabled = glIsEnabled(GL_BLEND) == GL_TRUE ? 1 : 0;
  glGetIntegerv(GL_BLEND_SRC_RGB, &s.blendFunction[0]);
  glGetIntegerv(GL_BLEND_DST_RGB, &s.blendFunction[1]);
  glGetIntegerv(GL_BLEND_SRC_ALPHA, &s.blendFunction[2]);
  glGetIntegerv(GL_BLEND_DST_ALPHA, &s.blendFunction[3]);
  s.scissorEnabled = glIsEnabled(GL_SCISSOR_TEST) == GL_TRUE ? 1 : 0;
  glGetIntegerv(GL_SCISSOR_BOX, s.scissorBox);
  GLboolean mask[4] = {};
  glGetBooleanv(GL_COLOR_WRITEMASK, mask);
  for (int i = 0; i < 4; ++i) s.colourMask[i] = mask[i] == GL_TRUE ? 1 : 0;
  s.depthTestEnabled = glIsEnabled(GL_DEPTH_TEST) == GL_TRUE ? 1 : 0;
  GLboolean depthMask = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
  s.depthMask = depthMask == GL_TRUE ? 1 : 0;
  glGetIntegerv(GL_MATRIX_MODE, &s.matrixMode);
  glGetFloatv(GL_MODELVIEW_MATRIX, s.modelview);
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
  note("GL_BLEND enabled", blendEnabled, before.blendEnabled);
  const char* const blendNames[4] = {"source colour", "destination colour", "source alpha",
                                     "destination alpha"};
  for (int i = 0; i < 4; ++i) {
    note(std::string("blend ") + blendNames[i] + " factor", blendFunction[i],
         before.blendFunction[i]);
  }
  note("GL_SCISSOR_TEST enabled", scissorEnabled, before.scissorEnabled);
  const char* const boxNames[4] = {"x", "y", "width", "height"};
  for (int i = 0; i < 4; ++i) {
    note(std::string("scissor box ") + boxNames[i], scissorBox[i], before.scissorBox[i]);
  }
  const char* const channelNames[4] = {"red", "green", "blue", "alpha"};
  for (int i = 0; i < 4; ++i) {
    note(std::string("colour mask ") + channelNames[i], colourMask[i], before.colourMask[i]);
  }
  note("GL_DEPTH_TEST enabled", depthTestEnabled, before.depthTestEnabled);
  note("depth mask", depthMask, before.depthMask);
  note("matrix mode", matrixMode, before.matrixMode);
  // Matrices compare as bits: any change at all moves the host's drawing.
  const auto noteMatrix = [&report](const std::string& what, const GLfloat* now,
                                    const GLfloat* was) {
    if (std::memcmp(now, was, 16 * sizeof(GLfloat)) == 0) return;
    if (!report.empty()) report += "; ";
    report += what + " changed";
  };
  noteMatrix("modelview matrix", modelview, before.modelview);
  noteMatrix("texture unit 0 texture matrix", textureMatrix[0], before.textureMatrix[0]);
  noteMatrix("texture unit 1 texture matrix", textureMatrix[1], before.textureMatrix[1]);
  return report;
}

}  // namespace host
