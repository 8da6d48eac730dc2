// The child's side of an isolated run: events to the parent, one line each.
#include <cstring>
#include <string>

#include "host/cli/ChildProcess.h"
#include "host/loader/CrashGuard.h"
#include "host/cli/HeadlessHost.h"
#include "host/cli/Isolation.h"
#include "host/loader/PluginCallScope.h"

namespace cli {
namespace {

int eventsDescriptor = -1;

// Safe in a crash handler: fixed texts only, one write each.
void SendRaw(char kind, const char* first, const char* second = nullptr) {
  char line[512];
  std::size_t length = 0;
  line[length++] = kind;
  for (const char* part : {first, second}) {
    if (part == nullptr) continue;
    if (part != first) line[length++] = '\t';
    for (const char* c = part; *c != '\0' && length < sizeof line - 2; ++c) line[length++] = *c;
  }
  line[length++] = '\n';
  WriteToDescriptor(eventsDescriptor, line, length);
}

void OnRunBegins(const char* what) { SendRaw('B', what); }
void OnFaultOutsideCalls(const char* fault) { SendRaw('T', fault); }
void OnRunEnds() { SendRaw('E', ""); }

}  // namespace

int ReportCrashToParent(const char* fault, const char* call) {
  SendRaw('X', fault, call);
  return kExitCrash;
}

void PreparePluginProcess() {
  int pluginOutput = -1;
  if (!ChildChannelsFromEnvironment(eventsDescriptor, pluginOutput)) {
    host::SendPluginOutputTo(2);
    return;
  }
  host::SendPluginOutputTo(pluginOutput);
  host::ObservePluginRuns(OnRunBegins, OnRunEnds);
  SetOutsideFaultListener(OnFaultOutsideCalls);
  SetCrashReporter(ReportCrashToParent);
}

bool IsChild() { return eventsDescriptor >= 0; }

void SendToParent(char kind, std::initializer_list<std::string> fields) {
  if (!IsChild()) return;
  // Fields apart by tabs, each on one line: newlines, tabs and backslashes
  // escaped.
  std::string line(1, kind);
  bool first = true;
  for (const std::string& field : fields) {
    if (!first) line += '\t';
    first = false;
    for (char c : field) {
      if (c == '\n') {
        line += "\\n";
      } else if (c == '\t') {
        line += "\\t";
      } else if (c == '\\') {
        line += "\\\\";
      } else {
        line += c;
      }
    }
  }
  line += '\n';
  WriteToDescriptor(eventsDescriptor, line.data(), line.size());
}

void FinishChild(int status) { SendToParent('D', {std::to_string(status)}); }

}  // namespace cli
