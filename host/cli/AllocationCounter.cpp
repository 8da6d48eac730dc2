// Replacing the global operator new in the program makes every C++
// allocation pass here, including a dynamically loaded plugin's on ELF
// platforms, where the program's definition takes precedence.
#include <atomic>
#include <cstdlib>
#include <new>

#include "host/cli/AllocationCounter.h"

namespace {
std::atomic<std::uint64_t> newCount{0};

void* Allocate(std::size_t size) {
  newCount.fetch_add(1, std::memory_order_relaxed);
  if (size == 0) size = 1;
  for (;;) {
    if (void* memory = std::malloc(size)) return memory;
    std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) throw std::bad_alloc();
    handler();
  }
}
}  // namespace

namespace cli::allocations {
std::uint64_t NewCount() { return newCount.load(std::memory_order_relaxed); }
}  // namespace cli::allocations

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
