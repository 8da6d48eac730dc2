// Platforms (and sanitizer builds) where C allocations are not counted.
#include "host/cli/AllocationCounter.h"

namespace cli::allocations {
std::uint64_t MallocCount() { return 0; }
bool CountsMalloc() { return false; }
}  // namespace cli::allocations
