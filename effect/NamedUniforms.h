// The uniforms of a complete program (an ISF shader's), found by name once
// the program is linked and fed each frame from the effect's parameters,
// clock, viewport and inputs, without allocating.
#pragma once

#include <vector>

#include "effect/PluginDescription.h"
#include "gl/GLExtensionTable.h"

class FFGLShader;
class ShaderEffect;

class NamedUniforms {
 public:
  // Locates every described uniform in the current program and starts the
  // frame count again. An input's sampler becomes that channel's location,
  // so the frame copies and binds the input as for any channel.
  void Locate(FFGLShader& shader, const PluginDescription& description,
              FFUInt32 parameterCount, GLint channelLocation[4]);
  // Sends every located uniform its value for this frame (program current).
  void Upload(const GLExtensionTable& gl, ShaderEffect& effect);
  // The uniforms that change from pass to pass: PASSINDEX and RENDERSIZE.
  void UploadPass(const GLExtensionTable& gl, int pass, float width, float height) const;

 private:
  float ParameterValue(const ShaderEffect& effect, FFUInt32 index) const;

  const std::vector<UniformDescription>* uniforms_ = nullptr;
  std::vector<GLint> locations_;  // one per uniform, -1 where unused or not fed here
  FFUInt32 parameterCount_ = 0;
  std::size_t buffers_ = 0;   // how many buffers and pictures the description has
  std::size_t pictures_ = 0;
  GLint passIndexLocation_ = -1;
  GLint renderSizeLocation_ = -1;
  int frameIndex_ = 0;
  float previousTime_ = 0.0f;
};
