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
  void Locate(FFGLShader& shader, const std::vector<UniformDescription>& uniforms,
              FFUInt32 parameterCount, GLint channelLocation[4]);
  // Sends every located uniform its value for this frame (program current).
  void Upload(const GLExtensionTable& gl, ShaderEffect& effect);

 private:
  float ParameterValue(const ShaderEffect& effect, FFUInt32 index) const;

  const std::vector<UniformDescription>* uniforms_ = nullptr;
  std::vector<GLint> locations_;  // one per uniform, -1 where unused or not fed here
  FFUInt32 parameterCount_ = 0;
  int frameIndex_ = 0;
  float previousTime_ = 0.0f;
};
