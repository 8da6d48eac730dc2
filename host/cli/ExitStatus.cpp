#include "host/ExitStatus.h"

#include <cstdio>

#include "host/cli/TextTable.h"
#include "host/loader/CrashGuard.h"

namespace cli {

int Fail(const std::string& message, int status) {
  EndProgressLine();
  // One line whatever a file or a plugin put into the message.
  std::fprintf(stderr, "%s%s\n", MessagePrefix(), ShownText(message).c_str());
  return status;
}

int UsageError(const std::string& command, const std::string& message) {
  std::fprintf(stderr, "ffgl-host %s: %s (see 'ffgl-host %s --help')\n", command.c_str(),
               message.c_str(), command.c_str());
  return kExitUsage;
}

}  // namespace cli
