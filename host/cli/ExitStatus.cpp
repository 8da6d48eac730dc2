#include "host/ExitStatus.h"

#include <cstdio>

#include "host/loader/CrashGuard.h"

namespace cli {

int Fail(const std::string& message, int status) {
  EndProgressLine();
  std::fprintf(stderr, "%s%s\n", MessagePrefix(), message.c_str());
  return status;
}

int UsageError(const std::string& command, const std::string& message) {
  std::fprintf(stderr, "ffgl-host %s: %s (see 'ffgl-host %s --help')\n", command.c_str(),
               message.c_str(), command.c_str());
  return kExitUsage;
}

}  // namespace cli
