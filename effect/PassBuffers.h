// The GL objects of a complete program's passes: for each buffer one
// texture, or two for a persistent one (a pass reads the previous contents
// from one while it draws into the other), one framebuffer object they
// are drawn through, and the imported pictures. Buffers are sized once
// per frame from their expressions; nothing is allocated per frame.
#pragma once

#include "effect/PluginDescription.h"
#include "gl/GLExtensionTable.h"

class FFGLShader;
class ShaderEffect;

struct PassBuffers {
  // Inputs take units 0 and 1; the buffers and pictures the program
  // samples take the next ones, in order. New textures are made on the
  // first of those.
  static constexpr GLenum kFirstUnit = GL_TEXTURE0 + 2;

  struct Buffer {
    GLuint texture[2] = {0, 0};
    int front = 0;  // the texture that holds the latest contents
    GLsizei width = 0;
    GLsizei height = 0;
  };
  Buffer buffers[PluginDescription::kMaximumBuffers];
  GLuint picture[PluginDescription::kMaximumPictures] = {};
  // Each one's texture unit (GL_TEXTURE0 + n), 0 where the program does not sample it.
  GLenum bufferUnit[PluginDescription::kMaximumBuffers] = {};
  GLenum pictureUnit[PluginDescription::kMaximumPictures] = {};
  GLenum lastUnit = GL_TEXTURE0 + 1;  // the highest unit given
  GLuint framebuffer = 0;
  GLint maximumSide = 8192;

  // Whether this context can draw the description's buffers; `why` says
  // what is missing when it cannot.
  static bool Usable(const GLExtensionTable& gl, const PluginDescription& d, const char*& why);
  // Gives a unit to each buffer and picture the program (current) samples;
  // false, with `why`, when the context has too few.
  bool AssignUnits(FFGLShader& shader, const PluginDescription& d, const char*& why);
  // Uploads the imported pictures and reads the largest texture side.
  void MakePictures(const GLExtensionTable& gl, const PluginDescription& d);
  // Evaluates every buffer's size for this frame and makes (cleared) each
  // whose size changed. Leaves this object's framebuffer bound when it made
  // one, and the clear colour as it was.
  void Resize(const GLExtensionTable& gl, const PluginDescription& d, const ShaderEffect& effect,
              float outputWidth, float outputHeight);
  // Attaches the texture buffer `index`'s pass draws into and binds the
  // framebuffer; false when the framebuffer is unusable.
  bool BindTarget(const GLExtensionTable& gl, std::size_t index, bool persistent);
  // After the pass into a persistent buffer: what it drew is the front.
  void Swap(std::size_t index) { buffers[index].front ^= 1; }
  GLuint Front(std::size_t index) const { return buffers[index].texture[buffers[index].front]; }
  void DeleteObjects(const GLExtensionTable& gl);
};

// The value of one side's expression (output size where empty), rounded
// and clamped to 1..maximum; NaN becomes 1.
GLsizei EvaluateSide(const std::vector<SizeTerm>& terms, const PluginDescription& d,
                     const ShaderEffect& effect, float outputWidth, float outputHeight,
                     float fallback, GLint maximum);

// Each pass's time on the graphics processor, through two sets of timer
// queries used on alternate frames; a set is read only once its results
// are available, so the frame never waits for them.
struct PassTimer {
  static constexpr std::size_t kTextSize = 48;

  GLuint queries[2][PluginDescription::kMaximumPasses] = {};
  bool issued[2] = {false, false};
  int set = 0;
  std::size_t passes = 0;
  char text[kTextSize] = {};  // "0.120 0.034": milliseconds per pass

  // Looks up the queries and makes them where the context times (timer
  // queries of ARB_timer_query or EXT_timer_query); false otherwise.
  bool Start(GLExtensionTable& gl, std::size_t passCount);
  bool Active() const { return passes != 0; }
  // At the start of a frame: the latest results that are ready.
  void Collect(const GLExtensionTable& gl);
  void Begin(const GLExtensionTable& gl, std::size_t pass) const;
  void End(const GLExtensionTable& gl) const;
  void EndFrame() {
    issued[set] = true;
    set ^= 1;
  }
  void DeleteObjects(const GLExtensionTable& gl);

 private:
  bool Read(const GLExtensionTable& gl, int which);
};
