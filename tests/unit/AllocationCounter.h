// Counts heap allocations made through operator new in this test program.
#pragma once

#include <cstddef>

namespace allocation_counter {
std::size_t Count();
}
