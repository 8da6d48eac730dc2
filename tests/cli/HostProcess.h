// Runs the built ffgl-host as a user would and captures what it says.
#pragma once

#include <string>
#include <vector>

namespace cli_test {

struct HostRun {
  int exitStatus = -1;
  std::string out;
  std::string err;
};

// `arguments` are passed through the shell, each quoted; `environment`
// entries (NAME=VALUE) are set for the child only.
HostRun RunHost(const std::vector<std::string>& arguments,
                const std::vector<std::string>& environment = {});

// The same for another program (a name is looked up on the PATH that
// `environment` sets).
HostRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                   const std::vector<std::string>& environment = {});

// Paths of the built artefacts, set by the build.
const char* HostProgram();
const char* ProductPlugin();
const char* WellBehavedTestPlugin();
const char* LeavesProgramTestPlugin();
const char* RefusesInstancesTestPlugin();
const char* AllocatesPerFrameTestPlugin();
const char* CrashesInFrameTestPlugin();
const char* NeedsInputTestPlugin();
const char* Latin1TextsTestPlugin();
const char* TakesHostTimeTestPlugin();
const char* NoPlugMainLibrary();
// The hostile variant built with TEST_PLUGIN_FAULT_<FAULT> ("NULL_SECOND_INFO").
std::string FaultyTestPlugin(const std::string& fault);

// Starts the host in the background as `sh` would, waits until a file whose
// name starts with `prefix` appears in `folder`, then sends `signal`; the
// run as it ended.
HostRun InterruptHost(const std::vector<std::string>& arguments, const std::string& folder,
                      const std::string& prefix, int signal,
                      const std::vector<std::string>& environment = {});

// A fresh folder for one test's files.
std::string ScratchFolder(const std::string& name);

}  // namespace cli_test
