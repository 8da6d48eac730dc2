// The textures a plugin made from someone's shader owns beside its input
// copies: the pictures packed with it, made once, and its own previous
// frame, which the Sandbox convention samples as backbuffer.
#pragma once

#include "effect/PluginDescription.h"
#include "gl/GLExtensionTable.h"

struct ChannelTextures {
  static constexpr GLenum kPreviousFrameUnit = GL_TEXTURE0 + 4;

  GLuint picture[4] = {0, 0, 0, 0};
  GLuint previousFrame = 0;
  GLsizei previousWidth = 0;
  GLsizei previousHeight = 0;

  // Uploads the picture of each channel in `made` that has one.
  void MakePictures(const GLExtensionTable& gl, const ChannelDescription (&channels)[4],
                    const bool made[4]);
  // Makes the previous-frame texture black at the viewport's size when it
  // has another size; leaves it bound on its unit (made active).
  void PreparePreviousFrame(const GLExtensionTable& gl, GLsizei width, GLsizei height);
  // Copies the drawn viewport into the previous-frame texture.
  void KeepFrame(const GLExtensionTable& gl, const GLfloat viewport[4]);
  // Deletes every texture; the names become 0.
  void DeleteObjects();
};
