// Any bytes as the payload of a packed description, as a template library
// reads it from a file someone may have damaged. Parsing must never read out
// of bounds; a payload it accepts must pack back to the very same bytes (so
// reader and writer agree on every field), and must make an effect whose
// parameters the template can describe and display.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "effect/DescriptionFormat.h"
#include "effect/ShaderEffect.h"
#include "tests/fuzz/FuzzInput.h"
#include "tools/pack/DescriptionWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FreshDriver();
  PluginDescription description;
  std::string error;
  if (!description_format::ReadPayload(data, size, description, error)) {
    if (error.empty()) std::abort();  // every refusal says why
    return 0;
  }
  std::vector<unsigned char> packed;
  if (!PackDescription(description, packed, error)) std::abort();
  if (packed.size() != size + description_format::kFooterSize ||
      std::memcmp(packed.data(), data, size) != 0) {
    std::abort();
  }
  ShaderEffect effect(description);
  for (FFUInt32 i = 0; i < effect.GetParameterCount() + 2; ++i) {
    const char* display = effect.GetParameterDisplay(i);
    if (display != nullptr && std::strlen(display) >= CFreeFrameGLPlugin::kDisplayBufferSize) {
      std::abort();
    }
  }
  return 0;
}
