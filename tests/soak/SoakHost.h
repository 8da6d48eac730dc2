// What both soaks share beyond the Mesa context (tests/realgl/MesaContext):
// host input textures, the process's memory use, and a census of the GL
// objects alive in the context.
#pragma once

#include <cstddef>
#include <functional>

#include "host/gl/InputTexture.h"
#include "plugin/FreeFrame.h"
#include "tests/realgl/MesaContext.h"

namespace soak {

// Leak checkers hold freed memory back, so resident memory only says
// something in builds without them.
constexpr bool kUnderSanitizer =
#if defined(__SANITIZE_ADDRESS__)
    true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    true;
#else
    false;
#endif
#else
    false;
#endif

struct MemoryUse {
  std::size_t residentBytes;  // pages of the process in memory
  std::size_t heapBytes;      // bytes handed out by malloc and not freed
};
// Returns freed heap to the system first, so the figures move with what is
// held rather than with what the allocator keeps for later.
MemoryUse MeasureMemory();

struct ObjectCensus {
  int textures = 0;
  int framebuffers = 0;
  int programs = 0;
  int shaders = 0;
  int Total() const { return textures + framebuffers + programs + shaders; }
};
// Asks the context about every name up to kNameLimit. A soak of a thousand
// cycles hands out a few thousand names of each kind, so every name the
// plugin was ever given lies below the limit.
constexpr unsigned kNameLimit = 1u << 16;
ObjectCensus CountObjects();
// Prints how many objects are alive beyond the host's own and checks that
// none is.
void ExpectNoObjectsBeyond(const char* name, const ObjectCensus& hostOnly);

// What a host's buffer swap does for the soak: waits until the frame is
// drawn. Mesa's llvmpipe keeps every queued frame, and the shader variants
// it draws with, until the context is flushed, so a host that never presents
// grows without any fault of the plugin.
inline void PresentFrame() { glFinish(); }

// A host texture of the given picture size, filled with one colour, in a
// power-of-two allocation as hosts make them; deleted with the object.
class InputTexture {
 public:
  InputTexture(int width, int height);
  host::InputTexture texture;
  FFGLTextureStruct& record;
};

// Runs `cycle` for cycles 0 .. count - 1 (stopping at the first that gives
// false), measuring memory once the first tenth has warmed the driver's
// caches up and again at the end; prints the figures and checks that memory
// stayed flat in between.
void RunCycles(const char* name, int count, const std::function<bool(int)>& cycle);

}  // namespace soak
