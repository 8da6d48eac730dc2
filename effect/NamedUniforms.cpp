#include "effect/NamedUniforms.h"

#include <cmath>

#include "effect/PassBuffers.h"
#include "effect/ShaderEffect.h"
#include "gl/FFGLShader.h"

void NamedUniforms::Locate(FFGLShader& shader, const PluginDescription& description,
                           FFUInt32 parameterCount, GLint channelLocation[4]) {
  const std::vector<UniformDescription>& uniforms = description.uniforms;
  uniforms_ = &uniforms;
  buffers_ = description.buffers.size();
  pictures_ = description.pictures.size();
  passIndexLocation_ = renderSizeLocation_ = -1;
  parameterCount_ = parameterCount;
  locations_.assign(uniforms.size(), -1);
  frameIndex_ = 0;
  previousTime_ = 0.0f;
  for (std::size_t i = 0; i < uniforms.size(); ++i) {
    const UniformDescription& u = uniforms[i];
    const GLint location = shader.LocateUniform(u.name.c_str());
    if (u.feed == UniformFeed::kInputSampler) {
      if (u.input < 2) channelLocation[u.input] = location;
      continue;  // bound to its unit with the channels
    }
    // A description read from a damaged file may name parameters past the end.
    const bool fedByParameters = u.feed <= UniformFeed::kEvent;
    if (fedByParameters && (u.parameter >= parameterCount || u.components > 4 ||
                            u.components > parameterCount - u.parameter)) {
      continue;
    }
    // Buffers and pictures the description does not have.
    if (u.feed >= UniformFeed::kBufferSampler &&
        u.input >= (u.feed >= UniformFeed::kPictureSampler ? pictures_ : buffers_)) {
      continue;
    }
    if (u.feed == UniformFeed::kPassIndex) passIndexLocation_ = location;
    if (u.feed == UniformFeed::kRenderSize) renderSizeLocation_ = location;
    locations_[i] = location;
  }
}

void NamedUniforms::UploadPass(const GLExtensionTable& gl, int pass, float width,
                               float height) const {
  if (passIndexLocation_ >= 0) gl.glUniform1iARB(passIndexLocation_, pass);
  if (renderSizeLocation_ >= 0) gl.glUniform2fARB(renderSizeLocation_, width, height);
}

float NamedUniforms::ParameterValue(const ShaderEffect& effect, FFUInt32 index) const {
  return index < parameterCount_ ? effect.parameterValues[index].load(std::memory_order_relaxed)
                                 : 0.0f;
}

void NamedUniforms::Upload(const GLExtensionTable& gl, ShaderEffect& effect) {
  if (uniforms_ == nullptr) return;
  const float time = effect.clock.elapsedTime;
  const float delta = frameIndex_ == 0 ? 0.0f : time - previousTime_;
  const float width = effect.viewportWidth;
  const float height = effect.viewportHeight;
  for (std::size_t i = 0; i < locations_.size(); ++i) {
    const GLint location = locations_[i];
    if (location < 0) continue;
    const UniformDescription& u = (*uniforms_)[i];
    switch (u.feed) {
      case UniformFeed::kParameters:
      case UniformFeed::kParametersOfSize: {
        float v[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        for (FFUInt32 c = 0; c < u.components && c < 4; ++c) {
          v[c] = u.minimum[c] + ParameterValue(effect, u.parameter + c) * (u.maximum[c] - u.minimum[c]);
        }
        if (u.feed == UniformFeed::kParametersOfSize) {
          v[0] *= width;
          v[1] *= height;
        }
        if (u.components == 1) gl.glUniform1fARB(location, v[0]);
        if (u.components == 2) gl.glUniform2fARB(location, v[0], v[1]);
        if (u.components == 3) gl.glUniform3fARB(location, v[0], v[1], v[2]);
        if (u.components == 4) gl.glUniform4fARB(location, v[0], v[1], v[2], v[3]);
        break;
      }
      case UniformFeed::kValueStep: {
        const float p = ParameterValue(effect, u.parameter);
        const double clamped = std::isnan(p) ? 0.0 : std::fmin(std::fmax(double{p}, 0.0), 1.0);
        const std::size_t count = u.values.size();
        const std::size_t step =
            count == 0 ? 0 : static_cast<std::size_t>(std::lround(clamped * double(count - 1)));
        gl.glUniform1iARB(location, count == 0 ? 0 : u.values[step]);
        break;
      }
      case UniformFeed::kBool:
        gl.glUniform1iARB(location, ParameterValue(effect, u.parameter) > 0.5f ? 1 : 0);
        break;
      case UniformFeed::kEvent: {
        // True once; set back unless the host has set it again meanwhile.
        float value = ParameterValue(effect, u.parameter);
        const bool triggered = value > 0.5f;
        if (triggered) effect.parameterValues[u.parameter].compare_exchange_strong(value, 0.0f);
        gl.glUniform1iARB(location, triggered ? 1 : 0);
        break;
      }
      case UniformFeed::kTime:
        gl.glUniform1fARB(location, time);
        break;
      case UniformFeed::kTimeDelta:
        gl.glUniform1fARB(location, delta);
        break;
      case UniformFeed::kFrameIndex:
        gl.glUniform1iARB(location, frameIndex_);
        break;
      case UniformFeed::kDate:
        // The effect keeps the year as counted from 1900.
        gl.glUniform4fARB(location, effect.dateValues[0] + 1900.0f, effect.dateValues[1],
                          effect.dateValues[2], effect.dateValues[3]);
        break;
      case UniformFeed::kRenderSize:
        gl.glUniform2fARB(location, width, height);
        break;
      case UniformFeed::kPassIndex:
        gl.glUniform1iARB(location, 0);
        break;
      case UniformFeed::kInputSize:
        gl.glUniform2fARB(location, effect.channelResolution[u.input & 1][0],
                          effect.channelResolution[u.input & 1][1]);
        break;
      case UniformFeed::kInputRect:
        gl.glUniform4fARB(location, 0.0f, 0.0f, effect.channelResolution[u.input & 1][0],
                          effect.channelResolution[u.input & 1][1]);
        break;
      case UniformFeed::kBufferSampler:
        gl.glUniform1iARB(location,
                          static_cast<GLint>(effect.passBuffers.bufferUnit[u.input] - GL_TEXTURE0));
        break;
      case UniformFeed::kPictureSampler:
        gl.glUniform1iARB(location,
                          static_cast<GLint>(effect.passBuffers.pictureUnit[u.input] - GL_TEXTURE0));
        break;
      case UniformFeed::kBufferSize:
      case UniformFeed::kBufferRect: {
        const PassBuffers::Buffer& b = effect.passBuffers.buffers[u.input];
        const auto w = static_cast<float>(b.width), h = static_cast<float>(b.height);
        if (u.feed == UniformFeed::kBufferSize) gl.glUniform2fARB(location, w, h);
        if (u.feed == UniformFeed::kBufferRect) gl.glUniform4fARB(location, 0.0f, 0.0f, w, h);
        break;
      }
      case UniformFeed::kPictureSize:
      case UniformFeed::kPictureRect: {
        const PictureDescription& p = effect.Description().pictures[u.input];
        const auto w = static_cast<float>(p.width), h = static_cast<float>(p.height);
        if (u.feed == UniformFeed::kPictureSize) gl.glUniform2fARB(location, w, h);
        if (u.feed == UniformFeed::kPictureRect) gl.glUniform4fARB(location, 0.0f, 0.0f, w, h);
        break;
      }
      default:
        break;
    }
  }
  previousTime_ = time;
  if (frameIndex_ < 0x7fffffff) ++frameIndex_;
}
