// glibc: the program's malloc, calloc and realloc take precedence over the C
// library's for the whole process and forward to glibc's own entry points,
// counting on the way. Not built with sanitizers, which replace these.
#include <cstddef>

#include "host/instrument/AllocationCounter.h"

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* memory, std::size_t size);
}

namespace allocations {
bool CountsMalloc() { return true; }
}  // namespace allocations

extern "C" {
__attribute__((visibility("default"))) void* malloc(std::size_t size) {
  allocations::detail::CountMalloc(__builtin_return_address(0));
  return __libc_malloc(size);
}
__attribute__((visibility("default"))) void* calloc(std::size_t count, std::size_t size) {
  allocations::detail::CountMalloc(__builtin_return_address(0));
  return __libc_calloc(count, size);
}
__attribute__((visibility("default"))) void* realloc(void* memory, std::size_t size) {
  allocations::detail::CountMalloc(__builtin_return_address(0));
  return __libc_realloc(memory, size);
}
}
