#include "HostProcess.h"

#include <sys/wait.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace cli_test {
namespace {

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string HostCommand(const std::vector<std::string>& arguments,
                        const std::vector<std::string>& environment,
                        const std::filesystem::path& folder,
                        const std::string& program = HostProgram()) {
  std::string command;
  if (!environment.empty()) {
    command = "env";
    for (const auto& setting : environment) command += " " + Quote(setting);
    command += " ";
  }
  command += Quote(program);
  for (const auto& argument : arguments) command += " " + Quote(argument);
  return command + " >" + Quote((folder / "out").string()) + " 2>" +
         Quote((folder / "err").string()) + " </dev/null";
}

HostRun Finished(int status, const std::filesystem::path& folder) {
  HostRun run;
  run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = ReadFile(folder / "out");
  run.err = ReadFile(folder / "err");
  return run;
}

}  // namespace

HostRun RunHost(const std::vector<std::string>& arguments,
                const std::vector<std::string>& environment) {
  const auto folder = std::filesystem::path(ScratchFolder("run"));
  return Finished(std::system(HostCommand(arguments, environment, folder).c_str()), folder);
}

HostRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                   const std::vector<std::string>& environment) {
  const auto folder = std::filesystem::path(ScratchFolder("run"));
  return Finished(std::system(HostCommand(arguments, environment, folder, program).c_str()),
                  folder);
}

HostRun InterruptHost(const std::vector<std::string>& arguments, const std::string& watched,
                      const std::string& prefix, int signal,
                      const std::vector<std::string>& environment) {
  const auto folder = std::filesystem::path(ScratchFolder("run"));
  // The host's own exit status comes back through `wait`.
  const std::string script =
      HostCommand(arguments, environment, folder) + " & host=$!\n" +
      "for i in $(seq 300); do\n"
      "  ls -a " + Quote(watched) + " 2>/dev/null | grep -q '^" + prefix + "' && break\n"
      "  sleep 0.1\n"
      "done\n"
      "kill -" + std::to_string(signal) + " $host\nwait $host\n";
  return Finished(std::system(("sh -c " + Quote(script)).c_str()), folder);
}

const char* HostProgram() { return FFGL_HOST_PROGRAM; }
const char* ProductPlugin() { return PRODUCT_PLUGIN; }
const char* WellBehavedTestPlugin() { return TEST_PLUGIN_WELL_BEHAVED; }
const char* LeavesProgramTestPlugin() { return TEST_PLUGIN_LEAVES_PROGRAM; }
const char* RefusesInstancesTestPlugin() { return TEST_PLUGIN_REFUSES_INSTANCES; }
const char* AllocatesPerFrameTestPlugin() { return TEST_PLUGIN_ALLOCATES_PER_FRAME; }
const char* CrashesInFrameTestPlugin() { return TEST_PLUGIN_CRASHES_IN_FRAME; }
const char* NeedsInputTestPlugin() { return TEST_PLUGIN_NEEDS_INPUT; }
const char* Latin1TextsTestPlugin() { return TEST_PLUGIN_LATIN1_TEXTS; }
const char* TakesHostTimeTestPlugin() { return TEST_PLUGIN_TAKES_HOST_TIME; }
const char* NoPlugMainLibrary() { return NO_PLUGMAIN_LIBRARY; }

std::string FaultyTestPlugin(const std::string& fault) {
  std::string name;
  for (char c : fault) name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return std::string(TEST_PLUGIN_FOLDER) + "/cli_test_fault_" + name + ".so";
}

std::string ScratchFolder(const std::string& name) {
  static int counter = 0;
  const auto folder = std::filesystem::path(SCRATCH_ROOT) /
                      (name + "-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder.string();
}

}  // namespace cli_test
