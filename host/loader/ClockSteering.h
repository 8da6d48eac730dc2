// A virtual clock for one plugin library: the library's own imports of the
// platform's clock functions are redirected to functions that return a time
// the host sets frame by frame, so the plugin animates on the host's time
// whatever the machine's speed. Every other library (the host's, the OpenGL
// driver's) keeps the real clock. Per platform: ClockSteering_linux.cpp
// patches the library's relocation entries, ClockSteering_win32.cpp its
// import address table.
#pragma once

#include <memory>
#include <string>

namespace host {

class PluginLibrary;

class ClockSteering {
 public:
  // Redirects the library's clock imports; null when it imports none of the
  // clock functions this platform knows (the plugin's clock cannot be
  // reached) or an entry cannot be written. One steering at a time.
  static std::unique_ptr<ClockSteering> Attach(const PluginLibrary& library);
  // Puts every redirected entry back; before the library is unloaded.
  ~ClockSteering();
  ClockSteering(const ClockSteering&) = delete;
  ClockSteering& operator=(const ClockSteering&) = delete;

  // The plugin's clocks now read their values at attachment plus `seconds`;
  // they stand still between calls.
  void SetSeconds(double seconds);
  // The names of the imports redirected, e.g. "clock_gettime".
  const std::string& Redirected() const { return redirected_; }

 private:
  ClockSteering() = default;
  struct Patch;
  std::unique_ptr<Patch[]> patches_;
  int patchCount_ = 0;
  std::string redirected_;
};

}  // namespace host
