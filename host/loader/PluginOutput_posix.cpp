#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "host/loader/PluginCallScope.h"

namespace host {
namespace output_detail {

// Not inherited by ffmpeg or any other program the host starts.
int Duplicate(int descriptor) { return fcntl(descriptor, F_DUPFD_CLOEXEC, 3); }

void PointStandardOutputAt(int descriptor) { dup2(descriptor, 1); }

void FlushStandardOutput() { std::fflush(stdout); }

}  // namespace output_detail
}  // namespace host
