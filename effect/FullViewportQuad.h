// The one shape the effect draws: a quad from (-1, -1) to (1, 1), which
// covers the viewport under the host's identity matrices, textured up to
// (s, t).
#pragma once

#include "gl/GLApi.h"

inline void DrawFullViewportQuad(GLfloat s, GLfloat t) {
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex2f(-1.0f, -1.0f);
  glTexCoord2f(0.0f, t);
  glVertex2f(-1.0f, 1.0f);
  glTexCoord2f(s, t);
  glVertex2f(1.0f, 1.0f);
  glTexCoord2f(s, 0.0f);
  glVertex2f(1.0f, -1.0f);
  glEnd();
}
