// glibc: the program's malloc, calloc and realloc take precedence over the C
// library's for the whole process and forward to glibc's own entry points,
// counting on the way. Not built with sanitizers, which replace these.
#include <atomic>
#include <cstddef>

#include "host/cli/AllocationCounter.h"

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* memory, std::size_t size);
}

namespace {
std::atomic<std::uint64_t> mallocCount{0};
}

namespace cli::allocations {
std::uint64_t MallocCount() { return mallocCount.load(std::memory_order_relaxed); }
bool CountsMalloc() { return true; }
}  // namespace cli::allocations

extern "C" {
__attribute__((visibility("default"))) void* malloc(std::size_t size) {
  mallocCount.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(size);
}
__attribute__((visibility("default"))) void* calloc(std::size_t count, std::size_t size) {
  mallocCount.fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(count, size);
}
__attribute__((visibility("default"))) void* realloc(void* memory, std::size_t size) {
  mallocCount.fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(memory, size);
}
}
