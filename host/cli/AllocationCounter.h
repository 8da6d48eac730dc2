// Counts heap allocations made in this process, so the benchmark can say
// how many a plugin's frame makes. C++ allocations are counted everywhere
// operator new resolves to this program's (on Linux, inside a loaded plugin
// too); C allocations only where the platform file can count them.
#pragma once

#include <cstdint>

namespace cli::allocations {

// C++ allocations (every operator new) so far.
std::uint64_t NewCount();
// C allocations (malloc, calloc, realloc) so far, including those of the
// OpenGL driver; 0 where they are not counted.
std::uint64_t MallocCount();
bool CountsMalloc();

}  // namespace cli::allocations
