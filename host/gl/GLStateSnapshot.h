// The host-side OpenGL state a plugin's frame must leave as it found it:
// framebuffer bindings, viewport, active texture unit, current program, the
// 2D texture binding and GL_TEXTURE_2D enable of units 0 and 1, and what the
// host's own drawing relies on: blending and its function, the scissor test
// and box, the colour mask, the depth test and mask, the matrix mode, and the
// modelview and texture (units 0 and 1) matrices.
#pragma once

#include <string>

#include "host/gl/HostGL.h"

namespace host {

struct GLStateSnapshot {
  GLint drawFramebuffer = 0;
  GLint readFramebuffer = 0;
  GLint viewport[4] = {0, 0, 0, 0};
  GLint activeTexture = 0;
  GLint program = 0;
  GLint texture2D[2] = {0, 0};
  GLint texture2DEnabled[2] = {0, 0};
  GLint blendEnabled = 0;
  GLint blendFunction[4] = {0, 0, 0, 0};  // source and destination, colour then alpha
  GLint scissorEnabled = 0;
  GLint scissorBox[4] = {0, 0, 0, 0};
  GLint colourMask[4] = {0, 0, 0, 0};
  GLint depthTestEnabled = 0;
  GLint depthMask = 0;
  GLint matrixMode = 0;
  GLfloat modelview[16] = {};
  GLfloat textureMatrix[2][16] = {};

  // Reads the current state; leaves the active unit as it was.
  static GLStateSnapshot Capture(const HostGL& gl);
  // "" when equal, else which items differ, e.g.
  // "current program 3 (was 0); active texture unit 1 (was 0)".
  std::string DifferencesFrom(const GLStateSnapshot& before) const;
};

}  // namespace host
