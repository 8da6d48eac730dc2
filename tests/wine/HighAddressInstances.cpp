// On 64-bit Windows an instance identifier is a pointer-sized word, and a
// plugin's instances may live above 4 GiB. Windows' `long` is 32 bits, so
// code that passes such a word through a `long` works on Linux and cuts the
// identifier on Windows. Under Wine the C runtime's heap sits low, so this
// program first fills the address space below 4 GiB, forcing every later
// allocation (the plugin's instances included) above it, then drives whole
// instance lifetimes through plugMain with those identifiers.
//
// Usage: high-address-instances PLUGIN.dll
// Exit status 0 when every identifier was above 4 GiB and worked, 1 otherwise.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/gl/GLContext.h"
#include "host/gl/HostFramebuffer.h"
#include "host/gl/HostGL.h"
#include "host/loader/PluginLibrary.h"
#include "plugin/FreeFrame.h"

namespace {

constexpr std::uintptr_t k4GiB = std::uintptr_t(1) << 32;
constexpr int kInstances = 4;
constexpr int kSide = 64;

bool IsHigh(const void* address) { return reinterpret_cast<std::uintptr_t>(address) >= k4GiB; }

// Reserves every free range below 4 GiB, then takes what is left of the
// heap's low blocks, size by size, until each size comes from above 4 GiB
// many times in a row. Nothing is given back: freed low blocks would be
// handed to the plugin. True when allocations now land above 4 GiB.
bool PushAllocationsAbove4GiB() {
  for (SIZE_T size = SIZE_T(1) << 30; size >= 64 * 1024;) {
    void* range = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS);
    if (range == nullptr) {
      size /= 2;
    } else if (IsHigh(range)) {
      VirtualFree(range, 0, MEM_RELEASE);
      size /= 2;
    }
  }
  for (std::size_t size = 64 * 1024; size >= 16; size /= 2) {
    int highInARow = 0;
    for (int i = 0; i < 1000000 && highInARow < 64; ++i) {
      highInARow = IsHigh(std::malloc(size)) ? highInARow + 1 : 0;
    }
    if (highInARow < 64) return false;
  }
  // The plugin allocates with operator new from the same C runtime.
  for (int i = 0; i < 64; ++i) {
    if (!IsHigh(::operator new(16 + 37 * static_cast<std::size_t>(i)))) return false;
  }
  return true;
}

std::string Hex(std::uintptr_t word) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(word));
  return text;
}

class Checks {
 public:
  void Expect(bool holds, const std::string& what) {
    if (!holds) {
      std::printf("FAIL: %s\n", what.c_str());
      ++failures_;
    }
  }
  int Failures() const { return failures_; }

 private:
  int failures_ = 0;
};

// One instance's whole lifetime through plugMain with its identifier.
void DriveInstance(const host::PluginLibrary& plugin, const host::HostFramebuffer& target,
                   FFWord id, Checks& checks) {
  const std::string name = "instance " + Hex(id);
  const FFWord count = plugin.Call(FF_GETNUMPARAMETERS);
  for (FFUInt32 index = 0; index < count; ++index) {
    if (plugin.Call(FF_GETPARAMETERTYPE, index) == FF_TYPE_TEXT) continue;
    const float value = 0.25f + 0.125f * static_cast<float>(index % 4);
    SetParameterStruct set{index, FFWordFromFloat(value)};
    checks.Expect(plugin.Call(FF_SETPARAMETER, reinterpret_cast<FFWord>(&set), id) == FF_SUCCESS,
                  name + ": parameter " + std::to_string(index) + " not set");
    checks.Expect(FFFloatFromWord(plugin.Call(FF_GETPARAMETER, index, id)) == value,
                  name + ": parameter " + std::to_string(index) + " does not read back");
    checks.Expect(plugin.Call(FF_GETPARAMETERDISPLAY, index, id) != 0 &&
                      plugin.Call(FF_GETPARAMETERDISPLAY, index, id) != FF_FAIL,
                  name + ": no display text for parameter " + std::to_string(index));
  }
  // The identifier cut to 32 bits names no instance.
  const FFWord cut = id & 0xFFFFFFFFu;
  checks.Expect(plugin.Call(FF_GETPARAMETER, 0, cut) == FF_FAIL,
                name + ": answered for the identifier cut to 32 bits " + Hex(cut));
  target.Bind();
  ProcessOpenGLStruct frame{0, nullptr, target.Framebuffer()};
  checks.Expect(plugin.Call(FF_PROCESSOPENGL, reinterpret_cast<FFWord>(&frame), id) == FF_SUCCESS,
                name + ": frame not drawn");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s PLUGIN.dll\n", argv[0]);
    return 2;
  }
  std::string error;
  auto context = host::GLContext::Create(error);
  host::HostGL gl;
  if (context == nullptr || !gl.Load(*context, error)) {
    std::printf("FAIL: %s\n", error.c_str());
    return 1;
  }
  auto plugin = host::PluginLibrary::Load(argv[1], error);
  if (plugin == nullptr) {
    std::printf("FAIL: %s\n", error.c_str());
    return 1;
  }
  host::HostFramebuffer target(gl, kSide, kSide);
  Checks checks;
  checks.Expect(target.IsComplete(), "the host framebuffer is incomplete");
  checks.Expect(plugin->Call(FF_INITIALISE) == FF_SUCCESS, "FF_INITIALISE failed");
  std::printf("plugMain at %s, its PluginInfoStruct at %s\n",
              Hex(reinterpret_cast<std::uintptr_t>(plugin->PlugMain())).c_str(),
              Hex(plugin->Call(FF_GETINFO)).c_str());

  if (!PushAllocationsAbove4GiB()) {
    std::printf("FAIL: allocations cannot be pushed above 4 GiB; nothing would be proven\n");
    return 1;
  }

  const FFGLViewportStruct viewport{0, 0, kSide, kSide};
  std::vector<FFWord> ids;
  for (int i = 0; i < kInstances; ++i) {
    const FFWord id = plugin->Call(FF_INSTANTIATEGL, reinterpret_cast<FFWord>(&viewport));
    if (id == FF_FAIL || id == 0) {
      checks.Expect(false, "FF_INSTANTIATEGL failed");
      continue;
    }
    std::printf("instance identifier %s\n", Hex(id).c_str());
    // Every allocation now lands above 4 GiB, so a low identifier was cut.
    checks.Expect(id >= k4GiB, "instance identifier " + Hex(id) +
                                   " is below 4 GiB although the instance cannot be: cut to 32 bits");
    ids.push_back(id);
  }
  for (FFWord id : ids) DriveInstance(*plugin, target, id, checks);
  for (FFWord id : ids) {
    checks.Expect(plugin->Call(FF_DEINSTANTIATEGL, 0, id) == FF_SUCCESS,
                  "instance " + Hex(id) + " not destroyed");
    checks.Expect(plugin->Call(FF_GETPARAMETER, 0, id) == FF_FAIL,
                  "destroyed instance " + Hex(id) + " still answers");
  }
  checks.Expect(plugin->Call(FF_DEINITIALISE) == FF_SUCCESS, "FF_DEINITIALISE failed");

  if (checks.Failures() > 0) return 1;
  std::printf("%d instances above 4 GiB created, driven and destroyed\n", kInstances);
  return 0;
}
