// The fake OpenGL driver and platform layer of test builds, linked in place
// of the real ones by the unit tests and the fuzz targets alike. It
// - records every call as text ("glBindTexture(0x0de1, 3)") so tests can
//   assert order and arguments (turned off, it costs nothing per call);
// - keeps the books: the objects the plugin made and has not deleted, the
//   state a host cares about (framebuffer, active unit, bindings, enables,
//   program) and the first misuse of an object (deleted twice or never made,
//   used after deletion, a negative count);
// - answers as configured: which entry points exist, what the compiler
//   says, which uniforms a program has, the viewport, clock and date.
// All 92 looked-up entry points exist with their own signatures; those the
// plugin never calls touch nothing. Vector uploads read every value and the
// info log is filled to its capacity, so the address sanitizer sees a short
// array or an overflow. There is no drawing, no GL error and no context.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fakegl {

struct State {
  // --- configuration, set by tests ---
  bool everyEntryMissing = false;  // the platform finds nothing
  std::set<std::string, std::less<>> missingEntries;  // names the platform lacks
  int fragmentCompileStatus = 1;
  int vertexCompileStatus = 1;
  int linkStatus = 1;
  int infoLogLength = 0;  // what glGetInfoLogARB claims, even past the buffer
  // A program knows the names listed here, at their locations, and any
  // name whose hash bit (0 to 31) is set in the mask, at that bit.
  std::map<std::string, int> uniformLocations;
  std::uint32_t uniformMask = 0;
  float viewport[4] = {0, 0, 320, 180};  // what glGetFloatv(GL_VIEWPORT) answers
  std::int64_t counterFrequency = 1000000;
  std::int64_t counterValue = 0;
  std::int64_t counterStep = 0;  // added on every read of the counter
  std::tm localTime{};
  bool recording = true;

  // --- what happened ---
  std::vector<std::string> calls;
  std::vector<std::string> lookedUp;
  std::string fault;  // the first misuse seen, or empty
  std::string debugText;  // what the plugin wrote to the debug output

  // --- tracked GL state ---
  unsigned boundFramebuffer = 0;
  unsigned activeTexture = 0x84C0;  // GL_TEXTURE0
  unsigned boundTexture[8] = {};
  bool texture2DEnabled[8] = {};
  unsigned currentProgram = 0;
  std::set<unsigned> liveTextures;
  std::set<unsigned> liveFramebuffers;
  std::map<unsigned, unsigned> liveObjects;  // program (0) or shader type, by name
  std::map<unsigned, std::string> shaderSource;
  std::string latestFragmentSource;
  std::size_t texturesMade = 0;
  unsigned nextName = 1;
};

// The one fake; Reset() before each test or run.
State& Get();
void Reset();

// The calls recorded since the last Reset or ClearCalls, optionally only
// those whose text starts with `prefix`.
std::vector<std::string> Calls(const std::string& prefix = "");
void ClearCalls();
bool Called(const std::string& exactText);

// The extension table's four groups, and each entry's name by its place in
// the table's memory order (null past the 92nd).
enum class Group { Multitexture, ShaderObjects, FramebufferObjects, SwapInterval };
const char* EntryName(unsigned index);
// The first entry of a group: leaving it out makes the whole group missing.
const char* FirstEntry(Group group);
// Whether one Load finds every entry of the group with the settings.
bool Offers(Group group);

}  // namespace fakegl
