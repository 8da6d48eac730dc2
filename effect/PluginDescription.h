// What makes one plugin of the shader effect differ from another: its
// registration record, its parameters (how each is announced, shown and fed
// to the program), its inputs and its program text. The built-in plugin's
// description is compiled in; a plugin made from a shader file reads its
// own from data packed into its library file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "plugin/FreeFrame.h"

// What a parameter's value drives. The convention uniforms take their
// components from these; a feed no parameter names keeps its resting value.
enum class ParameterFeed : FFUInt32 {
  kNone,
  kClockSpeed,  // the animation clock runs at value x 2
  kMouseX,      // mouse.x, iMouse.x (times the width)
  kMouseY,      // mouse.y, iMouse.y (times the height)
  kMouseLeftX,  // surfaceSize.x, iMouse.z (times the width)
  kMouseLeftY,  // surfaceSize.y, iMouse.w (times the height)
  kRed,         // inputColour, component by component
  kGreen,
  kBlue,
  kAlpha,
  kMouseButton,  // iMouse's button: down while the value is at least 0.5
  kCount,
};

// How FF_GETPARAMETERDISPLAY shows a value.
enum class ParameterDisplay : FFUInt32 {
  kHostValue,  // the host's own value, "%f"
  kRange,      // minimum + value x (maximum - minimum), "%g"
  kLabels,     // labels[round(value x (count - 1))], the value clamped to 0..1
  kCount,
};

struct ParameterDescription {
  std::string name;  // at most 16 characters reach the host
  FFUInt32 type = FF_TYPE_STANDARD;
  float defaultValue = 0.0f;  // announced to the host and set on new instances
  float initialValue = 0.0f;  // held before the defaults are applied
  bool announced = true;      // hidden ones are accepted but never announced
  ParameterDisplay display = ParameterDisplay::kHostValue;
  float displayMinimum = 0.0f;
  float displayMaximum = 1.0f;
  std::vector<std::string> labels;
  ParameterFeed feed = ParameterFeed::kNone;
};

// What feeds a named uniform of a complete program (an ISF shader's).
enum class UniformFeed : FFUInt32 {
  kParameters,        // `components` parameters from `parameter`, each to minimum..maximum
  kParametersOfSize,  // the same, then times the render size (x, y)
  kValueStep,         // values[round(parameter x (count - 1))], an int
  kBool,              // parameter > 0.5, an int
  kEvent,             // like kBool, true for one frame: the parameter is then set back to 0
  kTime,              // seconds on the animation clock
  kTimeDelta,         // seconds since the previous frame, 0 on the first
  kFrameIndex,        // 0 on the first frame, an int
  kDate,              // year, month, day, seconds since midnight
  kRenderSize,        // the size of the pass being drawn
  kPassIndex,         // the pass being drawn, from 0
  kInputSampler,      // input `input`'s picture on texture unit `input`
  kInputSize,         // its size in pixels
  kInputRect,         // 0, 0, its width and height
  kBufferSampler,     // buffer `input` (an index into buffers)
  kBufferSize,
  kBufferRect,
  kPictureSampler,    // imported picture `input` (an index into pictures)
  kPictureSize,
  kPictureRect,
  kCount,
};

struct UniformDescription {
  std::string name;
  UniformFeed feed = UniformFeed::kTime;
  FFUInt32 parameter = 0;
  FFUInt32 components = 1;  // 1 to 4
  FFUInt32 input = 0;       // 0 or 1; a buffer's or picture's index for theirs
  float minimum[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  float maximum[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  std::vector<std::int32_t> values;
};

// Where a program's iChannel0..3 takes its picture from.
enum class ChannelSource : FFUInt32 {
  kInput,    // the plugin's video input of the same index (0 and 1 only)
  kPicture,  // a picture packed with the plugin
  kNone,     // nothing: the channel samples black
  kCount,
};

struct ChannelDescription {
  ChannelSource source = ChannelSource::kInput;
  FFUInt32 width = 0;   // a picture's size in pixels
  FFUInt32 height = 0;
  bool clamp = false;    // clamped to the edge; otherwise repeated
  bool nearest = false;  // nearest texel; otherwise linear between mipmap levels
  std::vector<unsigned char> pixels;  // RGBA8, bottom row first, as OpenGL takes them

  static constexpr FFUInt32 kMaximumSide = 2048;
};

// One term of a buffer side's expression, in postfix order: numbers and
// values push, operators pop their operands and push the result.
enum class SizeOp : FFUInt32 {
  kNumber,  // `value`
  kWidth,   // the output's width
  kHeight,
  kInput,   // the value of uniform `index` (an input's), in the header's units
  kAdd, kSubtract, kMultiply, kDivide, kNegate,
  kFloor, kCeil, kRound, kAbs, kSqrt, kSin, kCos, kExp, kLog,  // one operand
  kMin, kMax, kPow, kMod,                                       // two
  kClamp,                                                       // three
  kCount,
};

struct SizeTerm {
  SizeOp op = SizeOp::kNumber;
  float value = 0.0f;
  FFUInt32 index = 0;
};

// A buffer a pass draws into, sampled by name by later passes and, when
// persistent, by later frames.
struct BufferDescription {
  std::string name;
  bool persistent = false;  // keeps its contents from frame to frame
  bool floating = false;    // 32-bit float per channel
  // Empty: the output's size. Bounded so that evaluating needs no allocation.
  std::vector<SizeTerm> width;
  std::vector<SizeTerm> height;

  static constexpr std::size_t kMaximumTerms = 32;
};

struct PassDescription {
  FFUInt32 target = 0;  // 0: the host's output; n: buffers[n - 1]
};

// A picture loaded once per instance and sampled by name.
struct PictureDescription {
  std::string name;
  FFUInt32 width = 0;
  FFUInt32 height = 0;
  std::vector<unsigned char> pixels;  // RGBA8, bottom row first
};

struct PluginDescription {
  // The registration record.
  char uniqueId[4] = {};
  std::string name;
  FFUInt32 pluginType = FF_SOURCE;
  FFUInt32 versionMajor = 1;
  FFUInt32 versionMinor = 0;
  std::string description;
  std::string about;

  int minimumInputs = 0;
  int maximumInputs = 2;
  // Announced ones first, at indices 0 to n - 1, as hosts walk them.
  std::vector<ParameterDescription> parameters;
  // A fragment text of either convention.
  std::string fragmentText;
  // A plugin made from someone's shader says once on the debug output when
  // the driver rejects its program.
  bool reportRejectedProgram = false;

  // A complete program (an ISF shader's): fragment and vertex texts
  // compiled as they stand, fed through named uniforms. Empty for the
  // built-in conventions.
  std::string vertexText;
  std::vector<UniformDescription> uniforms;
  bool CompleteProgram() const { return !vertexText.empty(); }

  // What plugins made from someone's shader get and the built-in does not.
  // Every uniform of both sites' conventions with its meaning, iChannel0..3
  // fed as `channels` says, and backbuffer as the instance's own previous frame.
  bool siteConventions = false;
  bool opaque = false;    // the program's alpha is replaced by 1
  bool hostTime = false;  // FF_SETTIME drives the clock
  // A "#version" line put first in the compiled text; empty for none (the
  // driver's 1.10). A text's own #version line goes first instead.
  std::string versionLine;
  ChannelDescription channels[4];

  // A complete program's passes (none: one into the output), the buffers
  // they draw into and its imported pictures.
  std::vector<BufferDescription> buffers;
  std::vector<PassDescription> passes;
  std::vector<PictureDescription> pictures;
  // Each pass timed on the graphics processor; the times are the display
  // text of a hidden parameter ("Pass Times") at the index after the
  // described ones. Only ffgl-host sets it.
  bool timePasses = false;
  bool MultiplePasses() const { return !passes.empty() || !pictures.empty() || timePasses; }

  // Only the buffers and pictures a program samples take a texture unit.
  static constexpr std::size_t kMaximumBuffers = 16;
  static constexpr std::size_t kMaximumPasses = 24;
  static constexpr std::size_t kMaximumPictures = 8;
  static constexpr std::size_t kMaximumParameters = 64;
  static constexpr std::size_t kMaximumUniforms = 128;
};
