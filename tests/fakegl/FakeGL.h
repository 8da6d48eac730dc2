// A recording stand-in for the OpenGL library and the platform layer, linked
// into test builds in place of the real ones. Every call is logged as text
// ("glBindTexture(0x0de1, 3)") so tests can assert order and arguments, and
// the state a host cares about (bound framebuffer, active unit, texture
// bindings, current program, live objects) is tracked so tests can check
// what a frame leaves behind.
#pragma once

#include <ctime>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fakegl {

struct State {
  // --- configuration, set by tests ---
  bool everyEntryMissing = false;        // the platform finds nothing
  std::set<std::string> missingEntries;  // names the platform does not have
  int fragmentCompileStatus = 1;
  int vertexCompileStatus = 1;
  int linkStatus = 1;
  int infoLogLength = 0;                       // what glGetInfoLogARB reports
  std::map<std::string, int> uniformLocations;  // others answer -1
  float viewport[4] = {0, 0, 320, 180};
  std::int64_t counterFrequency = 1000000;
  std::int64_t counterValue = 0;
  std::tm localTime{};
  bool recording = true;

  // --- what happened ---
  std::vector<std::string> calls;
  std::vector<std::string> lookedUp;

  // --- tracked GL state ---
  unsigned boundFramebuffer = 0;
  unsigned activeTexture = 0x84C0;  // GL_TEXTURE0
  unsigned boundTexture[8] = {};
  bool texture2DEnabled[8] = {};
  unsigned currentProgram = 0;
  int setViewport[4] = {0, 0, 0, 0};
  std::set<unsigned> liveTextures;
  std::set<unsigned> liveFramebuffers;
  std::set<unsigned> liveObjects;  // programs and shaders
  std::map<unsigned, std::string> shaderSource;
  std::map<unsigned, unsigned> shaderType;
  unsigned nextName = 1;
};

// The one fake; Reset() before each test.
State& Get();
void Reset();

// The calls recorded since the last Reset or Clear, optionally only those
// whose text starts with `prefix`.
std::vector<std::string> Calls(const std::string& prefix = "");
void ClearCalls();
bool Called(const std::string& exactText);

}  // namespace fakegl
