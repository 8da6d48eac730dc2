// The host-side OpenGL state a plugin's frame must leave as it found it:
// framebuffer bindings, viewport, active texture unit, current program, and
// the 2D texture binding and GL_TEXTURE_2D enable of units 0 and 1.
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

  // Reads the current state; leaves the active unit as it was.
  static GLStateSnapshot Capture(const HostGL& gl);
  // "" when equal, else which items differ, e.g.
  // "current program 3 (was 0); active texture unit 1 (was 0)".
  std::string DifferencesFrom(const GLStateSnapshot& before) const;
};

}  // namespace host
