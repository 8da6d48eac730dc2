// ffgl-host: a FreeFrame GL host without a display, for looking at, checking
// and measuring a plugin on a machine with no GPU or in CI.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/cli/Commands.h"
#include "host/loader/CrashGuard.h"
#include "host/cli/HeadlessHost.h"
#include "host/cli/Isolation.h"
#include "host/output/System.h"

namespace {

const char kUsage[] =
    "Usage: ffgl-host COMMAND PLUGIN [OPTIONS]\n"
    "       ffgl-host --version\n"
    "A FreeFrame GL 1.x host without a display.\n"
    "Commands:\n"
    "  info      describe the plugin: records, parameters, capabilities\n"
    "  validate  run conformance checks through plugMain; exit 0 only when all pass\n"
    "  render    render frames at exact times on the plugin's clock to a PNG, a folder\n"
    "            of PNGs, a contact sheet, or video\n"
    "  bench     measure frame and instantiate times\n"
    "  play      the plugin live in a window with its parameters (needs a display)\n"
    "\n"
    "'ffgl-host COMMAND --help' describes a command's options.\n"
    "\n"
    "Exit status: 0 success; 1 the plugin, a check or an output failed; 2 a usage\n"
    "mistake; 3 the plugin crashed (validate: 1, as a failed check); 4 render on the\n"
    "real clock fell behind (output written); 5 play found no display; 130\n"
    "interrupted (Ctrl-C), 143 terminated.\n"
    "Messages start with 'ffgl-host COMMAND:'.\n";

void PrintUsage(std::FILE* stream) {
  std::fputs(kUsage, stream);
  std::fprintf(stream, "%s\n", cli::kOpenGLNote);
}

struct Command {
  const char* name;
  int (*run)(const std::vector<std::string>&);
  const char* usage;
  bool isolated;  // the plugin runs in a child process unless --in-process
};

const Command kCommands[] = {
    {"info", cli::RunInfo, cli::kInfoUsage, true},
    {"validate", cli::RunValidate, cli::kValidateUsage, true},
    {"render", cli::RunRender, cli::kRenderUsage, false},
    {"bench", cli::RunBench, cli::kBenchUsage, false},
    {"play", cli::RunPlay, cli::kPlayUsage, false},
};

// The command in a child process, or here with the plugin's output kept off
// standard output and the watchdog on its calls.
int Run(const Command& command, std::vector<std::string> words) {
  cli::IsolationOptions isolation;
  std::string error;
  if (!cli::TakeIsolationOptions(words, isolation, error)) {
    return cli::UsageError(command.name, error);
  }
  if (command.isolated && !isolation.inProcess) {
    return cli::RunInChild(command.name, words, isolation);
  }
  cli::PreparePluginProcess();
  // A child's calls are watched by its parent.
  if (!cli::IsChild()) cli::StartWatchdog(isolation.watchdogSeconds);
  const int status = command.run(words);
  cli::FinishChild(status);
  return status;
}

bool WantsHelp(const std::vector<std::string>& words) {
  for (const auto& word : words) {
    if (word == "--help" || word == "-h") return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
      std::strcmp(argv[1], "help") == 0) {
    PrintUsage(argc < 2 ? stderr : stdout);
    return argc < 2 ? cli::kExitUsage : 0;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("ffgl-host %s (FreeFrame GL 1.x host)\n", HELIX_VERSION);
    return 0;
  }
  const std::vector<std::string> words(argv + 2, argv + argc);
  for (const Command& command : kCommands) {
    if (std::strcmp(argv[1], command.name) != 0) continue;
    if (WantsHelp(words)) {
      std::fputs(command.usage, stdout);
      return 0;
    }
    cli::InstallCrashGuard(command.name);
    return Run(command, words);
  }
  std::fprintf(stderr, "ffgl-host: unknown command '%s' (see 'ffgl-host --help')\n", argv[1]);
  return cli::kExitUsage;
}
