#include <io.h>

#include <cstdio>

#include "host/loader/PluginCallScope.h"

namespace host {
namespace output_detail {

// The C library's descriptors: a plugin that shares the host's C library
// prints through them. One with a C library of its own keeps its own
// standard output handle.
int Duplicate(int descriptor) { return _dup(descriptor); }

void PointStandardOutputAt(int descriptor) { _dup2(descriptor, 1); }

void FlushStandardOutput() { std::fflush(stdout); }

}  // namespace output_detail
}  // namespace host
