// Counts heap allocations made in this process, so the benchmark can say
// how many a plugin's frame makes and tests can prove a path makes none.
// Linking it replaces the program's global operator new (and, on glibc,
// malloc): C++ allocations are counted everywhere operator new resolves to
// the program's (on Linux, inside a loaded plugin too); C allocations only
// where the platform file can count them.
#pragma once

#include <cstdint>

namespace allocations {

// C++ allocations (every operator new) so far.
std::uint64_t NewCount();
// C allocations (malloc, calloc, realloc) so far, including those of the
// OpenGL driver; 0 where they are not counted.
std::uint64_t MallocCount();
bool CountsMalloc();

// From now on, also count apart the allocations called from code in
// [begin, end): a loaded library's own, not those of what it calls.
void WatchCode(const void* begin, const void* end);
std::uint64_t WatchedNewCount();
std::uint64_t WatchedMallocCount();

namespace detail {
// Counts one allocation made by a call from `caller`.
void CountMalloc(const void* caller);
}  // namespace detail

}  // namespace allocations
