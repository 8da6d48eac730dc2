#include "effect/PassBuffers.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "effect/ShaderEffect.h"
#include "gl/FFGLShader.h"

namespace {

constexpr GLenum kFloatFormat = 0x8814;  // GL_RGBA32F_ARB

// An input's value in the header's units, as its uniform receives it
// (the first component of a point or colour).
float InputValue(const UniformDescription& u, const PluginDescription& d,
                 const ShaderEffect& effect, float outputWidth) {
  const std::size_t count = d.parameters.size() < PluginDescription::kMaximumParameters
                                ? d.parameters.size()
                                : PluginDescription::kMaximumParameters;
  if (u.feed > UniformFeed::kEvent || u.parameter >= count) return 0.0f;
  const float p = effect.parameterValues[u.parameter].load(std::memory_order_relaxed);
  switch (u.feed) {
    case UniformFeed::kParameters:
      return u.minimum[0] + p * (u.maximum[0] - u.minimum[0]);
    case UniformFeed::kParametersOfSize:
      return (u.minimum[0] + p * (u.maximum[0] - u.minimum[0])) * outputWidth;
    case UniformFeed::kValueStep: {
      if (u.values.empty()) return 0.0f;
      const double clamped = std::isnan(p) ? 0.0 : std::fmin(std::fmax(double{p}, 0.0), 1.0);
      return static_cast<float>(
          u.values[static_cast<std::size_t>(std::lround(clamped * double(u.values.size() - 1)))]);
    }
    default:
      return p > 0.5f ? 1.0f : 0.0f;
  }
}

}  // namespace

GLsizei EvaluateSide(const std::vector<SizeTerm>& terms, const PluginDescription& d,
                     const ShaderEffect& effect, float outputWidth, float outputHeight,
                     float fallback, GLint maximum) {
  double stack[BufferDescription::kMaximumTerms];
  std::size_t depth = 0;
  double value = fallback;
  if (!terms.empty()) {
    for (const SizeTerm& t : terms) {
      if (depth >= BufferDescription::kMaximumTerms) return 1;
      double a = depth >= 1 ? stack[depth - 1] : 0.0;
      double b = depth >= 2 ? stack[depth - 2] : 0.0;
      double c = depth >= 3 ? stack[depth - 3] : 0.0;
      const std::size_t operands = t.op <= SizeOp::kInput   ? 0
                                   : t.op <= SizeOp::kDivide ? 2
                                   : t.op <= SizeOp::kLog    ? 1
                                   : t.op <= SizeOp::kMod    ? 2
                                                             : 3;
      if (depth < operands) return 1;  // a damaged description
      // Two operands: b op a (a was pushed last).
      double r = 0.0;
      switch (t.op) {
        case SizeOp::kNumber: r = t.value; break;
        case SizeOp::kWidth: r = outputWidth; break;
        case SizeOp::kHeight: r = outputHeight; break;
        case SizeOp::kInput:
          r = t.index < d.uniforms.size()
                  ? InputValue(d.uniforms[t.index], d, effect, outputWidth)
                  : 0.0;
          break;
        case SizeOp::kAdd: r = b + a; break;
        case SizeOp::kSubtract: r = b - a; break;
        case SizeOp::kMultiply: r = b * a; break;
        case SizeOp::kDivide: r = b / a; break;
        case SizeOp::kNegate: r = -a; break;
        case SizeOp::kFloor: r = std::floor(a); break;
        case SizeOp::kCeil: r = std::ceil(a); break;
        case SizeOp::kRound: r = std::round(a); break;
        case SizeOp::kAbs: r = std::fabs(a); break;
        case SizeOp::kSqrt: r = std::sqrt(a); break;
        case SizeOp::kSin: r = std::sin(a); break;
        case SizeOp::kCos: r = std::cos(a); break;
        case SizeOp::kExp: r = std::exp(a); break;
        case SizeOp::kLog: r = std::log(a); break;
        case SizeOp::kMin: r = std::fmin(b, a); break;
        case SizeOp::kMax: r = std::fmax(b, a); break;
        case SizeOp::kPow: r = std::pow(b, a); break;
        case SizeOp::kMod: r = b - a * std::floor(b / a); break;
        case SizeOp::kClamp: r = std::fmin(std::fmax(c, b), a); break;
        default: return 1;
      }
      depth -= operands;
      stack[depth++] = r;
    }
    if (depth != 1) return 1;
    value = stack[0];
  }
  if (std::isnan(value) || value < 1.0) return 1;
  if (value > maximum) return maximum;
  return static_cast<GLsizei>(value);
}

bool PassBuffers::Usable(const GLExtensionTable& gl, const PluginDescription& d,
                         const char*& why) {
  if (d.buffers.empty()) return true;
  if (gl.framebufferObjectSupported == 0) {
    why = "the OpenGL context has no framebuffer objects, which its passes draw through";
    return false;
  }
  bool floating = false;
  for (const BufferDescription& b : d.buffers) floating = floating || b.floating;
  if (!floating) return true;
  const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  const auto* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  const bool three = version != nullptr && version[0] >= '3' && version[0] <= '9';
  const bool extension =
      extensions != nullptr && std::strstr(extensions, "GL_ARB_texture_float") != nullptr;
  if (three || extension) return true;
  why = "the OpenGL context has no float textures (OpenGL 3.0 or GL_ARB_texture_float), "
        "which its FLOAT buffers need";
  return false;
}

bool PassBuffers::AssignUnits(FFGLShader& shader, const PluginDescription& d,
                              const char*& why) {
  GLint units = 0;
  glGetIntegerv(0x8872, &units);  // GL_MAX_TEXTURE_IMAGE_UNITS_ARB
  GLenum next = kFirstUnit;
  const auto give = [&](const std::string& name) -> GLenum {
    return shader.LocateUniform(name.c_str()) >= 0 ? next++ : 0;
  };
  for (std::size_t i = 0; i < d.buffers.size() && i < PluginDescription::kMaximumBuffers; ++i) {
    bufferUnit[i] = give(d.buffers[i].name);
  }
  for (std::size_t i = 0; i < d.pictures.size() && i < PluginDescription::kMaximumPictures; ++i) {
    pictureUnit[i] = give(d.pictures[i].name);
  }
  lastUnit = next - 1;
  if (next - GL_TEXTURE0 > static_cast<GLenum>(units > 0 ? units : 16)) {
    why = "its program samples more buffers and pictures than the context has texture units";
    return false;
  }
  return true;
}

void PassBuffers::MakePictures(const GLExtensionTable& gl, const PluginDescription& d) {
  GLint side = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
  maximumSide = side > 0 && side < 8192 ? side : 8192;
  for (std::size_t i = 0; i < d.pictures.size() && i < PluginDescription::kMaximumPictures; ++i) {
    const PictureDescription& p = d.pictures[i];
    if (picture[i] != 0 || p.pixels.size() != std::size_t{p.width} * p.height * 4) continue;
    glGenTextures(1, &picture[i]);
    gl.glActiveTexture(kFirstUnit);
    glBindTexture(GL_TEXTURE_2D, picture[i]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, static_cast<GLsizei>(p.width),
                 static_cast<GLsizei>(p.height), 0, GL_RGBA, GL_UNSIGNED_BYTE, p.pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
  }
  gl.glActiveTexture(GL_TEXTURE0);
}

void PassBuffers::Resize(const GLExtensionTable& gl, const PluginDescription& d,
                         const ShaderEffect& effect, float outputWidth, float outputHeight) {
  GLfloat clearColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  bool cleared = false;
  for (std::size_t i = 0; i < d.buffers.size() && i < PluginDescription::kMaximumBuffers; ++i) {
    const BufferDescription& b = d.buffers[i];
    Buffer& buffer = buffers[i];
    const GLsizei width =
        EvaluateSide(b.width, d, effect, outputWidth, outputHeight, outputWidth, maximumSide);
    const GLsizei height =
        EvaluateSide(b.height, d, effect, outputWidth, outputHeight, outputHeight, maximumSide);
    if (buffer.texture[0] != 0 && width == buffer.width && height == buffer.height) continue;
    if (framebuffer == 0) gl.glGenFramebuffersEXT(1, &framebuffer);
    if (!cleared) {
      glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
      glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
      cleared = true;
    }
    gl.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
    gl.glActiveTexture(kFirstUnit);
    for (int t = 0; t < (b.persistent ? 2 : 1); ++t) {
      if (buffer.texture[t] == 0) glGenTextures(1, &buffer.texture[t]);
      glBindTexture(GL_TEXTURE_2D, buffer.texture[t]);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
      glTexImage2D(GL_TEXTURE_2D, 0, b.floating ? static_cast<GLint>(kFloatFormat) : GL_RGBA8,
                   width, height, 0, GL_RGBA, b.floating ? GL_FLOAT : GL_UNSIGNED_BYTE, nullptr);
      // A new texture's contents are undefined; persistent ones start at 0.
      gl.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                                   buffer.texture[t], 0);
      if (gl.glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT) {
        glViewport(0, 0, width, height);
        glClear(GL_COLOR_BUFFER_BIT);
      }
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    buffer.front = 0;
    buffer.width = width;
    buffer.height = height;
  }
  if (cleared) {
    glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
    gl.glActiveTexture(GL_TEXTURE0);
  }
}

bool PassBuffers::BindTarget(const GLExtensionTable& gl, std::size_t index, bool persistent) {
  Buffer& buffer = buffers[index];
  const GLuint texture = buffer.texture[persistent ? buffer.front ^ 1 : 0];
  if (texture == 0 || framebuffer == 0) return false;
  gl.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
  gl.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                               texture, 0);
  glViewport(0, 0, buffer.width, buffer.height);
  return true;
}

void PassBuffers::DeleteObjects(const GLExtensionTable& gl) {
  for (Buffer& buffer : buffers) {
    for (GLuint& texture : buffer.texture) {
      if (texture != 0) glDeleteTextures(1, &texture);
      texture = 0;
    }
    buffer = Buffer{};
  }
  for (GLuint& texture : picture) {
    if (texture != 0) glDeleteTextures(1, &texture);
    texture = 0;
  }
  if (framebuffer != 0 && gl.glDeleteFramebuffersEXT != nullptr) {
    gl.glDeleteFramebuffersEXT(1, &framebuffer);
  }
  framebuffer = 0;
}

namespace {
constexpr GLenum kTimeElapsed = 0x88BF;          // GL_TIME_ELAPSED
constexpr GLenum kQueryResult = 0x8866;          // GL_QUERY_RESULT
constexpr GLenum kQueryResultAvailable = 0x8867;  // GL_QUERY_RESULT_AVAILABLE
}  // namespace

bool PassTimer::Start(GLExtensionTable& gl, std::size_t passCount) {
  const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  const auto* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  const bool offered =
      (version != nullptr && (version[0] > '3' || (version[0] == '3' && version[2] >= '3')) &&
       version[0] <= '9') ||
      (extensions != nullptr && (std::strstr(extensions, "GL_ARB_timer_query") != nullptr ||
                                 std::strstr(extensions, "GL_EXT_timer_query") != nullptr));
  if (!offered || passCount == 0 || passCount > PluginDescription::kMaximumPasses) return false;
  gl.LoadTimerQuery(platform::GLEntryPointLookup());
  if (gl.timerQuerySupported == 0) return false;
  for (auto& made : queries) gl.glGenQueriesARB(static_cast<GLsizei>(passCount), made);
  passes = passCount;
  issued[0] = issued[1] = false;
  set = 0;
  text[0] = '\0';
  return true;
}

bool PassTimer::Read(const GLExtensionTable& gl, int which) {
  if (!issued[which]) return false;
  GLuint available = 0;
  gl.glGetQueryObjectuivARB(queries[which][passes - 1], kQueryResultAvailable, &available);
  if (available == 0) return false;
  std::size_t used = 0;
  for (std::size_t i = 0; i < passes; ++i) {
    unsigned long long nanoseconds = 0;
    gl.glGetQueryObjectui64vEXT(queries[which][i], kQueryResult, &nanoseconds);
    const int written = std::snprintf(text + used, kTextSize - used, i == 0 ? "%.3f" : " %.3f",
                                      static_cast<double>(nanoseconds) / 1e6);
    if (written < 0 || used + static_cast<std::size_t>(written) >= kTextSize) break;
    used += static_cast<std::size_t>(written);
  }
  issued[which] = false;
  return true;
}

void PassTimer::Collect(const GLExtensionTable& gl) {
  // The older set first, so the newer one's figures are the ones kept.
  Read(gl, set);
  Read(gl, set ^ 1);
}

void PassTimer::Begin(const GLExtensionTable& gl, std::size_t pass) const {
  if (pass < passes) gl.glBeginQueryARB(kTimeElapsed, queries[set][pass]);
}

void PassTimer::End(const GLExtensionTable& gl) const { gl.glEndQueryARB(kTimeElapsed); }

void PassTimer::DeleteObjects(const GLExtensionTable& gl) {
  if (passes != 0 && gl.glDeleteQueriesARB != nullptr) {
    for (auto& made : queries) gl.glDeleteQueriesARB(static_cast<GLsizei>(passes), made);
  }
  *this = PassTimer{};
}
