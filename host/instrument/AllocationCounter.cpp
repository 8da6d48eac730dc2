// Replacing the global operator new in the program makes every C++
// allocation pass here, including a dynamically loaded plugin's on ELF
// platforms, where the program's definition takes precedence.
#include "host/instrument/AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::uint64_t> newCount{0};
std::atomic<std::uint64_t> watchedNewCount{0};
std::atomic<std::uint64_t> mallocCount{0};
std::atomic<std::uint64_t> watchedMallocCount{0};
std::atomic<const char*> watchedBegin{nullptr};
std::atomic<const char*> watchedEnd{nullptr};

bool Watched(const void* caller) {
  const auto* address = static_cast<const char*>(caller);
  return address >= watchedBegin.load(std::memory_order_relaxed) &&
         address < watchedEnd.load(std::memory_order_relaxed);
}

void* Allocate(std::size_t size, const void* caller) {
  newCount.fetch_add(1, std::memory_order_relaxed);
  if (Watched(caller)) watchedNewCount.fetch_add(1, std::memory_order_relaxed);
  if (size == 0) size = 1;
  for (;;) {
    if (void* memory = std::malloc(size)) return memory;
    std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) throw std::bad_alloc();
    handler();
  }
}

void* AllocateOrNull(std::size_t size, const void* caller) noexcept {
  try {
    return Allocate(size, caller);
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

namespace allocations {

std::uint64_t NewCount() { return newCount.load(std::memory_order_relaxed); }
std::uint64_t MallocCount() { return mallocCount.load(std::memory_order_relaxed); }
std::uint64_t WatchedNewCount() { return watchedNewCount.load(std::memory_order_relaxed); }
std::uint64_t WatchedMallocCount() { return watchedMallocCount.load(std::memory_order_relaxed); }

void WatchCode(const void* begin, const void* end) {
  watchedBegin.store(static_cast<const char*>(begin), std::memory_order_relaxed);
  watchedEnd.store(static_cast<const char*>(end), std::memory_order_relaxed);
}

namespace detail {
void CountMalloc(const void* caller) {
  mallocCount.fetch_add(1, std::memory_order_relaxed);
  if (Watched(caller)) watchedMallocCount.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace detail

}  // namespace allocations

// The caller's address is taken here, in the replaced functions themselves.
void* operator new(std::size_t size) { return Allocate(size, __builtin_return_address(0)); }
void* operator new[](std::size_t size) { return Allocate(size, __builtin_return_address(0)); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size, __builtin_return_address(0));
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size, __builtin_return_address(0));
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
