// The shader inputs of a plugin ffgl-pack made from an ISF file, read from
// the description packed at the end of its library file: each input's own
// name and the parameters it feeds, so that --set can take the shader's
// names and values. Plugins of any other making have none.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugin/FreeFrame.h"

namespace host {

struct NamedInput {
  enum class Kind { kRange, kFrameFraction, kSteps, kSwitch };
  std::string name;            // the shader's NAME
  Kind kind = Kind::kRange;
  FFUInt32 parameter = 0;      // its first parameter's index
  FFUInt32 components = 1;     // parameters it feeds, in order
  float minimum[4] = {};       // kRange: each component's range
  float maximum[4] = {};
  std::vector<std::int32_t> values;  // kSteps: the values, in the parameter's order
  std::vector<std::string> labels;   // kSteps: their labels, where given
};

// The inputs packed into the library at `path`; none when the file carries
// no packed description or one that cannot be read.
std::vector<NamedInput> ReadPackedInputs(const std::string& path);

}  // namespace host
