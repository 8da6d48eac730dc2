// The small interface behind which each platform supplies what the plugin
// needs from the operating system: OpenGL entry points of the current
// context, a monotonic high-resolution counter, the local time of day and
// the debug output.
// One source file per platform implements it; test builds link a recording
// fake in its place.
#pragma once

#include <cstdint>
#include <ctime>

namespace platform {

using GLEntryPoint = void (*)();

// Finds OpenGL entry points for the context current on this thread when the
// lookup is made. What the platform must learn first (which window-system
// API made the context current) it learns once, so a table of many names
// costs one such search rather than one per name.
class GLEntryPointLookup {
 public:
  GLEntryPointLookup();
  // The entry point's address, or null where the platform can tell it does
  // not exist.
  GLEntryPoint Find(const char* name) const {
    return name != nullptr && find_ != nullptr ? find_(name) : nullptr;
  }

 private:
  GLEntryPoint (*find_)(const char* name) = nullptr;
};

// Ticks per second of the monotonic counter; fixed while the process runs.
std::int64_t CounterFrequency();

// The monotonic counter's current value, in ticks.
std::int64_t CounterValue();

// Breaks the current calendar time down into local time (tm_year counts from
// 1900, tm_mon from 0). Returns false, leaving `out` zeroed, when the platform
// cannot.
bool CurrentLocalTime(std::tm& out);

// Writes a message for the person debugging a host: the platform's debug
// output (standard error, or the Windows debugger's output).
void WriteDebugText(const char* text);

}  // namespace platform
