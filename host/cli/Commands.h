// The subcommands of ffgl-host. Each takes the words after its name and
// returns the process exit status.
#pragma once

#include <string>
#include <vector>

namespace cli {

int RunInfo(const std::vector<std::string>& words);
int RunValidate(const std::vector<std::string>& words);
int RunRender(const std::vector<std::string>& words);
int RunBench(const std::vector<std::string>& words);
int RunPlay(const std::vector<std::string>& words);

extern const char kInfoUsage[];
extern const char kValidateUsage[];
extern const char kRenderUsage[];
extern const char kBenchUsage[];
extern const char kPlayUsage[];

}  // namespace cli
