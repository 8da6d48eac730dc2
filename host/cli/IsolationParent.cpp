// The parent's side of an isolated run: starts the child, follows its
// events, forwards its output, keeps the watchdog, and reports how the
// plugin ended.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "host/cli/Arguments.h"
#include "host/cli/Checklist.h"
#include "host/cli/ChildProcess.h"
#include "host/cli/HeadlessHost.h"
#include "host/cli/Isolation.h"
#include "host/cli/TextTable.h"
#include "host/loader/PluginCallScope.h"

namespace cli {
namespace {

using Clock = std::chrono::steady_clock;

const char* const kOwnThread = host::kOwnThread;

std::vector<std::string> Fields(const std::string& text) {
  std::vector<std::string> fields(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\t') {
      fields.emplace_back();
    } else if (text[i] == '\\' && i + 1 < text.size()) {
      const char next = text[++i];
      fields.back() += next == 'n' ? '\n' : next == 't' ? '\t' : next;
    } else {
      fields.back() += text[i];
    }
  }
  return fields;
}

// " in FF_PROCESSOPENGL", " while loading", " at unload", " on a thread...".
std::string Place(const std::string& where) {
  if (where == host::kLoading || where == host::kUnloading || where == kOwnThread) {
    return " " + where;
  }
  return " in " + where;
}

// The check a fault outside every check is reported as.
std::string CheckFor(const std::string& where) {
  if (where == host::kLoading) return "plugin loaded";
  if (where == host::kUnloading) return "plugin unloaded";
  if (where == kOwnThread) return "no fault outside a call";
  return "plugin call";
}

struct ChildRun {
  std::string channels[kChildChannels];
  std::vector<std::string> running;  // the plugin's runs now, innermost last
  Clock::time_point runStarted;
  bool hung = false;
  bool crashed = false;
  std::string threadFault;  // a fault outside every call, on any thread
  std::string crashFault;
  std::string crashCall;
  bool done = false;
  int doneStatus = 0;
  bool summaryWanted = false;
  std::string openCheck;
  std::unique_ptr<Checklist> checks;
};

void Apply(char kind, const std::vector<std::string>& fields, ChildRun& run) {
  const std::string& first = fields[0];
  const std::string second = fields.size() > 1 ? fields[1] : std::string();
  switch (kind) {
    case 'B':
      run.running.push_back(first);
      run.runStarted = Clock::now();
      break;
    case 'E':
      if (!run.running.empty()) run.running.pop_back();
      run.runStarted = Clock::now();
      break;
    case 'H':
      run.checks = std::make_unique<Checklist>(first == "1", second,
                                               fields.size() > 2 ? fields[2] : std::string());
      break;
    case 'R': run.openCheck = first; break;
    case 'C':
      if (run.checks != nullptr) run.checks->Record(first, second);
      run.openCheck.clear();
      break;
    case 'S': run.summaryWanted = true; break;
    case 'X':
      run.crashed = true;
      run.crashFault = first;
      run.crashCall = second;
      break;
    case 'T':
      // The first: a sanitizer's own report of it ends in a second (abort).
      if (run.threadFault.empty()) run.threadFault = first;
      break;
    case 'D':
      run.done = true;
      run.doneStatus = std::atoi(first.c_str());
      break;
    default: break;
  }
}

// Reads everything the child says until it closes its channels or the
// watchdog ends it. `forward`: its output goes on to ours as it comes.
void Follow(ChildProcess& child, double watchdogSeconds, bool forward, ChildRun& run) {
  for (;;) {
    int timeout = -1;
    if (!run.running.empty() && watchdogSeconds > 0) {
      const double left =
          watchdogSeconds - std::chrono::duration<double>(Clock::now() - run.runStarted).count();
      if (left <= 0) {
        run.hung = true;
        child.Kill();
        return;
      }
      timeout = static_cast<int>(left * 1000.0) + 1;
    }
    const bool open = child.Read(timeout, run.channels);
    std::string& output = run.channels[kChildOutput];
    if (forward && !output.empty()) {
      std::fwrite(output.data(), 1, output.size(), stdout);
      std::fflush(stdout);
      output.clear();
    }
    std::string& events = run.channels[kChildEvents];
    std::size_t start = 0;
    for (std::size_t end; (end = events.find('\n', start)) != std::string::npos; start = end + 1) {
      if (end > start) Apply(events[start], Fields(events.substr(start + 1, end - start - 1)), run);
    }
    events.erase(0, start);
    if (!open) return;
  }
}

// What ended the plugin's process, or "" when it ended as the host ended
// it; `where` is the call or phase it was in.
std::string Fault(const ChildRun& run, const ChildEnd& end, double watchdogSeconds,
                  std::string& where) {
  const std::string current =
      !run.running.empty() ? run.running.back() : run.done ? host::kUnloading : kOwnThread;
  where = current;
  if (run.hung) {
    return "the plugin did not return within " + FormatNumber(static_cast<float>(watchdogSeconds)) +
           " s";
  }
  if (run.crashed) {
    where = run.crashCall;
    return "the plugin crashed (" + run.crashFault + ")";
  }
  if (!run.threadFault.empty()) {
    if (!run.done) where = kOwnThread;
    return "the plugin crashed (" + run.threadFault + ")";
  }
  if (!end.exited) return "the plugin crashed (" + end.fault + ")";
  if (!run.done || end.status != run.doneStatus) {
    return "the plugin ended the process (exit status " + std::to_string(end.status) + ")";
  }
  return "";
}

std::string StrayOutput(const std::string& bytes) {
  const std::string start = bytes.substr(0, 40);
  return "the plugin wrote " + std::to_string(bytes.size()) + " bytes to standard output (\"" +
         start + (bytes.size() > start.size() ? "..." : "") + "\")";
}

int ReportValidate(ChildRun& run, const std::string& fault, const std::string& where, bool json,
                   const ChildEnd& end) {
  const std::string& stray = run.channels[kChildPluginOutput];
  if (fault.empty() && stray.empty()) {
    // The summary, or the child's own failure (its message already given).
    if (run.checks != nullptr && run.summaryWanted) return run.checks->Summary();
    return end.status;
  }
  if (run.checks == nullptr) run.checks = std::make_unique<Checklist>(json, "", "");
  if (!fault.empty()) {
    run.checks->Record(run.openCheck.empty() ? CheckFor(where) : run.openCheck,
                       fault + Place(where));
  }
  if (!stray.empty()) run.checks->Record("nothing written to standard output", StrayOutput(stray));
  return run.checks->Summary();
}

int ReportInfo(const ChildRun& run, const std::string& fault, const std::string& where,
               const ChildEnd& end) {
  // Complete output is given even when the plugin fails at unload after it.
  if (!fault.empty() && where != host::kUnloading) return Fail(fault + Place(where), kExitCrash);
  const std::string& output = run.channels[kChildOutput];
  std::fwrite(output.data(), 1, output.size(), stdout);
  std::fflush(stdout);
  if (!fault.empty()) return Fail(fault + Place(where), kExitCrash);
  const std::string& stray = run.channels[kChildPluginOutput];
  if (!stray.empty()) Fail(StrayOutput(stray) + "; left out of the output", 0);
  return end.status;
}

}  // namespace

bool TakeIsolationOptions(std::vector<std::string>& words, IsolationOptions& options,
                          std::string& error) {
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (word == "--in-process") {
      options.inProcess = true;
      continue;
    }
    std::string value;
    if (word.rfind("--watchdog=", 0) == 0) {
      value = word.substr(11);
    } else if (word == "--watchdog") {
      if (i + 1 == words.size()) {
        error = "--watchdog needs a value";
        return false;
      }
      value = words[++i];
    } else {
      rest.push_back(word);
      continue;
    }
    if (!ParseNonNegativeNumber("--watchdog", value, options.watchdogSeconds, error)) return false;
  }
  words = rest;
  return true;
}

int RunInChild(const std::string& command, const std::vector<std::string>& words,
               const IsolationOptions& options) {
  std::vector<std::string> arguments{command, "--in-process"};
  arguments.insert(arguments.end(), words.begin(), words.end());
  std::string error;
  auto child = ChildProcess::Start(arguments, error);
  if (child == nullptr) return Fail(error);
  bool json = false;
  for (const auto& word : words) json = json || word == "--json";
  const bool validate = command == "validate";
  ChildRun run;
  Follow(*child, options.watchdogSeconds, validate && !json, run);
  const ChildEnd end = child->Wait();
  std::string where;
  const std::string fault = Fault(run, end, options.watchdogSeconds, where);
  return validate ? ReportValidate(run, fault, where, json, end)
                  : ReportInfo(run, fault, where, end);
}

}  // namespace cli
