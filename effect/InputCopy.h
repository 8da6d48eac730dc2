// The instance's own copies of the host's input textures. Each input the
// program samples is drawn, on the graphics processor, through one
// framebuffer object into a texture of the picture's size, so the program
// samples the picture and never the padding of the host's texture. The
// textures and the framebuffer are made once and reused; a texture is made
// again only when its input changes size.
#pragma once

#include "gl/GLExtensionTable.h"
#include "plugin/FreeFrame.h"

// Where a picture ends inside a host texture, in texture coordinates.
struct TexCoordExtent {
  double s;  // Width / HardwareWidth
  double t;  // Height / HardwareHeight
};

TexCoordExtent PictureTexExtent(FFGLTextureStruct texture);

// A record the copy can use: a zero size would make a zero-size texture and
// a division by zero in the extent.
bool IsCopyable(const FFGLTextureStruct& input);

struct InputCopy {
  // Entries 0 and 1 are copies of inputs 0 and 1; 2 and 3 stay 0.
  GLuint channelTexture[4] = {0, 0, 0, 0};
  GLuint copyFramebuffer = 0;  // serves both channels

  // The input step of a frame: for each channel the program samples
  // (`sampled`) that has a usable input, records the input's handle and
  // size and, where framebuffer objects exist, copies it. Changes the
  // framebuffer binding and the viewport while copying and puts back the
  // host's framebuffer (`frame.HostFBO`) and `hostViewport`.
  void CopySampledInputs(const GLExtensionTable& gl, const ProcessOpenGLStruct& frame,
                         const bool sampled[2], const GLfloat hostViewport[4],
                         float channelResolution[][3], GLuint channelHandle[2]);

  // Renders one host texture into `*texture` (made when 0) through
  // `*framebuffer` (made when 0), then binds `hostFramebuffer` again.
  static void CopyInputTexture(const GLExtensionTable& gl, FFGLTextureStruct input,
                               TexCoordExtent extent, GLuint* texture, GLenum textureUnit,
                               GLuint* framebuffer, GLuint hostFramebuffer);

  // Deletes every copy texture (the framebuffer stays).
  void DeleteTextures();
  // Deletes the textures and the framebuffer; the names become 0.
  void DeleteObjects(const GLExtensionTable& gl);
};
