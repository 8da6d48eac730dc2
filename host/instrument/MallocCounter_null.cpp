// Platforms (and sanitizer builds) where C allocations are not counted.
#include "host/instrument/AllocationCounter.h"

namespace allocations {
bool CountsMalloc() { return false; }
}  // namespace allocations
