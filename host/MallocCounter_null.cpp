// Platforms (and sanitizer builds) where C allocations are not counted.
#include "host/AllocationCounter.h"

namespace allocations {
bool CountsMalloc() { return false; }
}  // namespace allocations
