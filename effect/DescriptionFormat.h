// The packed form of a plugin description, as ffgl-pack appends it to a
// template library and the template reads it back:
//
//   [library image][payload][footer]
//   footer: 8-byte magic, format version, payload size, payload CRC-32
//           (each a little-endian 32-bit word)
//
// The payload's fields are listed once, in DescriptionFields, which both
// the reader and the writer walk; every count and length is bounded there.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "effect/PluginDescription.h"

namespace description_format {

constexpr char kMagic[8] = {'H', 'L', 'X', 'D', 'E', 'S', 'C', '\x1a'};
constexpr std::uint32_t kVersion = 3;
constexpr std::size_t kFooterSize = 20;
constexpr std::uint32_t kMaximumPayload = 64u << 20;

// Bounds on what a payload may hold.
constexpr std::uint32_t kMaximumNameLength = 16;
constexpr std::uint32_t kMaximumTextLength = 64u << 10;
constexpr std::uint32_t kMaximumProgramLength = 1u << 20;
constexpr std::uint32_t kMaximumLabels = 256;
constexpr std::uint32_t kMaximumLabelLength = 256;
constexpr std::uint32_t kMaximumUniformNameLength = 64;
constexpr std::uint32_t kMaximumUniformValues = 256;
constexpr std::uint32_t kMaximumVersionLineLength = 64;

struct Footer {
  std::uint32_t version = 0;
  std::uint32_t payloadSize = 0;
  std::uint32_t checksum = 0;
};

// The CRC-32 of zlib and PNG.
std::uint32_t Crc32(const unsigned char* data, std::size_t size);

// False with `error` set when the bytes are not a footer this reader takes.
bool ReadFooter(const unsigned char (&bytes)[kFooterSize], Footer& footer, std::string& error);
// Parses a payload whose checksum has been checked; false with `error` set
// (naming the field) when it is malformed.
bool ReadPayload(const unsigned char* data, std::size_t size, PluginDescription& description,
                 std::string& error);

// The largest `input` a uniform of `feed` may name.
inline std::uint32_t InputBound(UniformFeed feed) {
  if (feed >= UniformFeed::kPictureSampler) return PluginDescription::kMaximumPictures - 1;
  if (feed >= UniformFeed::kBufferSampler) return PluginDescription::kMaximumBuffers - 1;
  return 1;
}

// Operands each size operator takes; 0 for those that push a value.
inline std::uint32_t SizeOperands(SizeOp op) {
  if (op <= SizeOp::kInput) return 0;
  if (op <= SizeOp::kDivide) return 2;
  if (op <= SizeOp::kLog) return 1;
  if (op <= SizeOp::kMod) return 2;
  return 3;
}

// One side's expression: every operator finds its operands and one value
// is left, so the plugin evaluates it on a fixed stack.
template <typename Io>
bool SizeExpressionFields(Io& io, std::vector<SizeTerm>& terms, std::uint32_t uniforms) {
  auto termCount = static_cast<std::uint32_t>(terms.size());
  if (!(io.Word(termCount) &&
        (termCount <= BufferDescription::kMaximumTerms || io.Fail("size expression length")))) {
    return false;
  }
  terms.resize(termCount);
  std::uint32_t depth = 0;
  for (auto& t : terms) {
    auto op = static_cast<std::uint32_t>(t.op);
    if (!(io.Word(op) &&
          (op < static_cast<std::uint32_t>(SizeOp::kCount) || io.Fail("size operator")) &&
          io.Float(t.value) && (std::isfinite(t.value) || io.Fail("size number")) &&
          io.Word(t.index))) {
      return false;
    }
    t.op = static_cast<SizeOp>(op);
    if (t.op == SizeOp::kInput && t.index >= uniforms) return io.Fail("size input");
    const std::uint32_t operands = SizeOperands(t.op);
    if (depth < operands) return io.Fail("size expression");
    depth = depth - operands + 1;
  }
  return termCount == 0 || depth == 1 || io.Fail("size expression");
}

// Passes, buffers and imported pictures, after the complete program's
// uniforms (format 3).
template <typename Io, typename Description>
bool PassFields(Io& io, Description& d) {
  const auto count = [&io](std::uint32_t& n, std::uint32_t maximum, const char* what) {
    return io.Word(n) && (n <= maximum || io.Fail(what));
  };
  auto bufferCount = static_cast<std::uint32_t>(d.buffers.size());
  if (!count(bufferCount, PluginDescription::kMaximumBuffers, "buffer count")) return false;
  d.buffers.resize(bufferCount);
  const auto uniforms = static_cast<std::uint32_t>(d.uniforms.size());
  for (auto& b : d.buffers) {
    std::uint32_t flags = (b.persistent ? 1u : 0u) | (b.floating ? 2u : 0u);
    if (!(io.Text(b.name, kMaximumUniformNameLength, "buffer name") &&
          count(flags, 3, "buffer flags") && SizeExpressionFields(io, b.width, uniforms) &&
          SizeExpressionFields(io, b.height, uniforms))) {
      return false;
    }
    b.persistent = (flags & 1u) != 0;
    b.floating = (flags & 2u) != 0;
  }
  auto passCount = static_cast<std::uint32_t>(d.passes.size());
  if (!count(passCount, PluginDescription::kMaximumPasses, "pass count")) return false;
  d.passes.resize(passCount);
  for (auto& p : d.passes) {
    if (!count(p.target, bufferCount, "pass target")) return false;
  }
  auto pictureCount = static_cast<std::uint32_t>(d.pictures.size());
  if (!count(pictureCount, PluginDescription::kMaximumPictures, "imported picture count")) {
    return false;
  }
  d.pictures.resize(pictureCount);
  for (auto& p : d.pictures) {
    if (!(io.Text(p.name, kMaximumUniformNameLength, "imported picture name") &&
          count(p.width, ChannelDescription::kMaximumSide, "imported picture width") &&
          count(p.height, ChannelDescription::kMaximumSide, "imported picture height") &&
          ((p.width > 0 && p.height > 0) || io.Fail("imported picture size")) &&
          io.Bytes(p.pixels, p.width * p.height * 4, "imported picture"))) {
      return false;
    }
  }
  std::uint32_t flags = d.timePasses ? 1u : 0u;
  if (!count(flags, 1, "pass flags")) return false;
  d.timePasses = flags != 0;
  return true;
}

// The fields of a complete program (an ISF shader's), after the others.
template <typename Io, typename Description>
bool CompleteProgramFields(Io& io, Description& d) {
  const auto count = [&io](std::uint32_t& n, std::uint32_t maximum, const char* what) {
    return io.Word(n) && (n <= maximum || io.Fail(what));
  };
  auto uniformCount = static_cast<std::uint32_t>(d.uniforms.size());
  if (!(io.Text(d.vertexText, kMaximumProgramLength, "vertex text") &&
        count(uniformCount, PluginDescription::kMaximumUniforms, "uniform count"))) {
    return false;
  }
  d.uniforms.resize(uniformCount);
  const auto parameters = static_cast<std::uint32_t>(d.parameters.size());
  for (auto& u : d.uniforms) {
    auto feed = static_cast<std::uint32_t>(u.feed);
    auto valueCount = static_cast<std::uint32_t>(u.values.size());
    if (!(io.Text(u.name, kMaximumUniformNameLength, "uniform name") &&
          count(feed, static_cast<std::uint32_t>(UniformFeed::kCount) - 1, "uniform feed") &&
          io.Word(u.components) && io.Word(u.parameter) &&
          ((u.components >= 1 && u.components <= 4) || io.Fail("uniform components")) &&
          (feed > static_cast<std::uint32_t>(UniformFeed::kEvent) ||
           (u.parameter < parameters && u.components <= parameters - u.parameter) ||
           io.Fail("uniform parameter")) &&
          count(u.input, InputBound(static_cast<UniformFeed>(feed)), "uniform input"))) {
      return false;
    }
    for (std::size_t i = 0; i < 4; ++i) {
      if (!(io.Float(u.minimum[i]) && io.Float(u.maximum[i]) &&
            ((std::isfinite(u.minimum[i]) && std::isfinite(u.maximum[i])) ||
             io.Fail("uniform range")))) {
        return false;
      }
    }
    if (!count(valueCount, kMaximumUniformValues, "uniform value count")) return false;
    u.values.resize(valueCount);
    for (auto& value : u.values) {
      auto bits = static_cast<std::uint32_t>(value);
      if (!io.Word(bits)) return false;
      value = static_cast<std::int32_t>(bits);
    }
    u.feed = static_cast<UniformFeed>(feed);
  }
  return PassFields(io, d);
}

// Walks every field in payload order. `io` reads or writes each through
// Word, Float, Text, Fixed and Bytes, and says through Fail why a value is out of
// bounds; a reader stops at the first failure.
template <typename Io, typename Description>
bool DescriptionFields(Io& io, Description& d) {
  const auto count = [&io](std::uint32_t& n, std::uint32_t maximum, const char* what) {
    return io.Word(n) && (n <= maximum || io.Fail(what));
  };
  const auto finite = [&io](float& value, const char* what) {
    return io.Float(value) && (std::isfinite(value) || io.Fail(what));
  };
  std::uint32_t type = d.pluginType, major = d.versionMajor, minor = d.versionMinor;
  auto minimumInputs = static_cast<std::uint32_t>(d.minimumInputs);
  auto maximumInputs = static_cast<std::uint32_t>(d.maximumInputs);
  std::uint32_t report = d.reportRejectedProgram ? 1 : 0;
  auto parameterCount = static_cast<std::uint32_t>(d.parameters.size());
  if (!(io.Fixed(d.uniqueId, sizeof d.uniqueId) &&
        io.Text(d.name, kMaximumNameLength, "plugin name") && io.Word(type) &&
        (type == FF_EFFECT || type == FF_SOURCE || io.Fail("plugin type")) && io.Word(major) &&
        io.Word(minor) && io.Text(d.description, kMaximumTextLength, "description") &&
        io.Text(d.about, kMaximumTextLength, "about text") &&
        count(maximumInputs, 2, "maximum inputs") &&
        count(minimumInputs, maximumInputs, "minimum inputs") && count(report, 1, "flags") &&
        count(parameterCount, PluginDescription::kMaximumParameters, "parameter count"))) {
    return false;
  }
  d.pluginType = type;
  d.versionMajor = major;
  d.versionMinor = minor;
  d.minimumInputs = static_cast<int>(minimumInputs);
  d.maximumInputs = static_cast<int>(maximumInputs);
  d.reportRejectedProgram = report != 0;
  d.parameters.resize(parameterCount);
  bool hiddenSeen = false;
  for (auto& p : d.parameters) {
    std::uint32_t parameterType = p.type, announced = p.announced ? 1 : 0;
    auto display = static_cast<std::uint32_t>(p.display);
    auto feed = static_cast<std::uint32_t>(p.feed);
    auto labelCount = static_cast<std::uint32_t>(p.labels.size());
    if (!(io.Text(p.name, kMaximumNameLength, "parameter name") && io.Word(parameterType) &&
          (parameterType <= 6 || parameterType == FF_TYPE_STANDARD ||
           io.Fail("parameter type")) &&
          finite(p.defaultValue, "parameter default") &&
          finite(p.initialValue, "parameter initial value") &&
          count(announced, 1, "parameter flags") &&
          (announced == 0 || !hiddenSeen || io.Fail("announced parameter after a hidden one")) &&
          count(display, static_cast<std::uint32_t>(ParameterDisplay::kCount) - 1,
                "parameter display") &&
          finite(p.displayMinimum, "display minimum") &&
          finite(p.displayMaximum, "display maximum") &&
          count(labelCount, kMaximumLabels, "label count"))) {
      return false;
    }
    p.labels.resize(labelCount);
    for (auto& label : p.labels) {
      if (!io.Text(label, kMaximumLabelLength, "label")) return false;
    }
    if (!count(feed, static_cast<std::uint32_t>(ParameterFeed::kCount) - 1, "parameter feed")) {
      return false;
    }
    p.type = parameterType;
    p.announced = announced != 0;
    hiddenSeen = hiddenSeen || !p.announced;
    p.display = static_cast<ParameterDisplay>(display);
    p.feed = static_cast<ParameterFeed>(feed);
  }
  std::uint32_t conventions = (d.siteConventions ? 1u : 0u) | (d.opaque ? 2u : 0u) |
                             (d.hostTime ? 4u : 0u);
  if (!(io.Text(d.fragmentText, kMaximumProgramLength, "program text") &&
        count(conventions, 7, "convention flags") &&
        io.Text(d.versionLine, kMaximumVersionLineLength, "version line") &&
        (d.versionLine.empty() ||
         (d.versionLine.compare(0, 9, "#version ") == 0 &&
          d.versionLine.find_first_of("\r\n") == std::string::npos) ||
         io.Fail("version line")))) {
    return false;
  }
  d.siteConventions = (conventions & 1u) != 0;
  d.opaque = (conventions & 2u) != 0;
  d.hostTime = (conventions & 4u) != 0;
  for (std::uint32_t index = 0; index < 4; ++index) {
    auto& c = d.channels[index];
    auto source = static_cast<std::uint32_t>(c.source);
    std::uint32_t width = c.width, height = c.height;
    std::uint32_t sampling = (c.clamp ? 1u : 0u) | (c.nearest ? 2u : 0u);
    if (!(count(source, static_cast<std::uint32_t>(ChannelSource::kCount) - 1, "channel source") &&
          (source != static_cast<std::uint32_t>(ChannelSource::kInput) || index < 2 ||
           io.Fail("channel input")) &&
          count(width, ChannelDescription::kMaximumSide, "picture width") &&
          count(height, ChannelDescription::kMaximumSide, "picture height") &&
          count(sampling, 3, "picture sampling"))) {
      return false;
    }
    const bool picture = source == static_cast<std::uint32_t>(ChannelSource::kPicture);
    if (picture != (width > 0 && height > 0) || (!picture && (width | height) != 0)) {
      return io.Fail("picture size");
    }
    if (!io.Bytes(c.pixels, width * height * 4, "picture")) return false;
    c.source = static_cast<ChannelSource>(source);
    c.width = width;
    c.height = height;
    c.clamp = (sampling & 1u) != 0;
    c.nearest = (sampling & 2u) != 0;
  }
  return CompleteProgramFields(io, d);
}

}  // namespace description_format
