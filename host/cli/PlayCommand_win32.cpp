// play on Windows: not built (no GLFW or Dear ImGui for this toolchain), so
// the command says so instead of being unknown.
#include "host/cli/Commands.h"
#include "host/cli/HeadlessHost.h"

namespace cli {

const char kPlayUsage[] =
    "Usage: ffgl-host play PLUGIN [OPTIONS]\n"
    "Not in the Windows build: it has no GLFW or Dear ImGui. Use the Linux build to\n"
    "watch a plugin live; 'render' writes its frames here.\n";

int RunPlay(const std::vector<std::string>&) {
  return Fail("not in the Windows build (no GLFW or Dear ImGui); use 'render'", kExitUsage);
}

}  // namespace cli
