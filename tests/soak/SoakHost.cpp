#include "tests/soak/SoakHost.h"

#include <gtest/gtest.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace soak {

MemoryUse MeasureMemory() {
  malloc_trim(0);
  std::size_t pages = 0;
  std::size_t resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  const struct mallinfo2 heap = mallinfo2();
  return MemoryUse{resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE)), heap.uordblks};
}

ObjectCensus CountObjects() {
  const host::HostGL& gl = mesa::GL();
  ObjectCensus census;
  for (GLuint name = 1; name < kNameLimit; ++name) {
    census.textures += glIsTexture(name) == GL_TRUE;
    census.framebuffers += gl.glIsFramebuffer(name) == GL_TRUE;
    census.programs += gl.glIsProgram(name) == GL_TRUE;
    census.shaders += gl.glIsShader(name) == GL_TRUE;
  }
  return census;
}

void ExpectNoObjectsBeyond(const char* name, const ObjectCensus& hostOnly) {
  const ObjectCensus after = CountObjects();
  std::printf("%s: objects alive besides the host's: %d textures, %d framebuffers, "
              "%d programs, %d shaders\n",
              name, after.textures - hostOnly.textures, after.framebuffers - hostOnly.framebuffers,
              after.programs - hostOnly.programs, after.shaders - hostOnly.shaders);
  EXPECT_EQ(after.textures, hostOnly.textures);
  EXPECT_EQ(after.framebuffers, hostOnly.framebuffers);
  EXPECT_EQ(after.programs, hostOnly.programs);
  EXPECT_EQ(after.shaders, hostOnly.shaders);
}

namespace {
host::RgbaImage UniformPicture(int width, int height) {
  host::RgbaImage picture;
  picture.width = width;
  picture.height = height;
  picture.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4,
                        200);
  return picture;
}
}  // namespace

InputTexture::InputTexture(int width, int height)
    : texture(UniformPicture(width, height)), record(*texture.Record()) {}

void RunCycles(const char* name, int count, const std::function<bool(int)>& cycle) {
  const int warmUp = count / 10;
  MemoryUse warm = MeasureMemory();
  int done = 0;
  for (; done < count; ++done) {
    if (done == warmUp) warm = MeasureMemory();
    if (!cycle(done)) break;
  }
  const MemoryUse end = MeasureMemory();
  const double mib = 1024.0 * 1024.0;
  ASSERT_EQ(done, count) << "cycle " << done << " failed";
  if (kUnderSanitizer) {
    // The sanitizer's own allocator holds freed memory back and is not
    // malloc's: LeakSanitizer checks the heap at exit instead.
    std::printf("%s: %d cycles; memory is checked by LeakSanitizer at exit\n", name, done);
    return;
  }
  std::printf(
      "%s: %d cycles; after %d warm-up cycles resident %.2f MiB, heap in use %.2f MiB; "
      "at the end resident %.2f MiB (%+.3f), heap in use %.2f MiB (%+.3f)\n",
      name, done, warmUp, static_cast<double>(warm.residentBytes) / mib,
      static_cast<double>(warm.heapBytes) / mib, static_cast<double>(end.residentBytes) / mib,
      (static_cast<double>(end.residentBytes) - static_cast<double>(warm.residentBytes)) / mib,
      static_cast<double>(end.heapBytes) / mib,
      (static_cast<double>(end.heapBytes) - static_cast<double>(warm.heapBytes)) / mib);
  // Flat within the driver's own jitter: a lost program or texture a cycle
  // costs Mesa tens of megabytes over the run. Smaller losses of the
  // plugin's own memory are LeakSanitizer's to find, in the sanitizer build.
  constexpr std::size_t kResidentSlack = 4u << 20;
  constexpr std::size_t kHeapSlack = 2u << 20;
  EXPECT_LE(end.residentBytes, warm.residentBytes + kResidentSlack);
  EXPECT_LE(end.heapBytes, warm.heapBytes + kHeapSlack);
}

}  // namespace soak
