#include "host/cli/Checklist.h"

#include <cstdio>

#include "host/loader/CrashGuard.h"
#include "host/cli/HeadlessHost.h"
#include "host/cli/Isolation.h"
#include "host/cli/TextTable.h"

namespace cli {
namespace {

// The one checklist the crash report writes from.
const Checklist* active = nullptr;

std::string SummaryLine(int passed, int failed) {
  return std::to_string(passed) + " of " + std::to_string(passed + failed) + " checks passed" +
         (failed == 0 ? "" : ", " + std::to_string(failed) + " failed");
}

std::string JsonCheck(bool first, const std::string& name, const std::string& failure) {
  return std::string(first ? "\n" : ",\n") + "    {\"name\": " + JsonString(name) +
         ", \"passed\": " + (failure.empty() ? "true" : "false") +
         ", \"failure\": " + JsonString(failure) + "}";
}

std::string JsonEnd(int passed, int failed) {
  return std::string(passed + failed == 0 ? "]" : "\n  ]") + ",\n  \"passed\": " +
         std::to_string(passed) + ",\n  \"failed\": " + std::to_string(failed) + "\n}\n";
}

}  // namespace

Checklist::Checklist(bool json, std::string plugin, std::string context) : json_(json) {
  if (json_) {
    jsonSoFar_ = "{\n  \"plugin\": " + JsonString(plugin) + ",\n  \"context\": " +
                 JsonString(context) + ",\n  \"checks\": [";
  }
  active = this;
  SetCrashReporter(ReportCrash);
  // In a child process the parent keeps the list and prints it.
  SendToParent('H', {json ? "1" : "0", plugin, context});
}

Checklist::~Checklist() {
  if (active == this) active = nullptr;
}

void Checklist::Print(const std::string& text) const {
  if (IsChild()) return;
  std::fputs(text.c_str(), stdout);
  // Flushed at once: a crash report writes past the C library's buffer.
  std::fflush(stdout);
}

void Checklist::Run(const std::string& name, const std::function<std::string()>& check) {
  current_ = name;
  SendToParent('R', {name});
  const bool first = passed_ + failed_ == 0;
  // Prepared before the check runs, for a crash inside it.
  crashSummary_ = "\n" + SummaryLine(passed_, failed_ + 1) + "; the checks after it did not run\n";
  if (json_) {
    crashSummary_ = std::string(first ? "\n" : ",\n") + "    {\"name\": " + JsonString(name) +
                    ", \"passed\": false, \"failure\": \"the plugin crashed (";
    crashTail_ = JsonEnd(passed_, failed_ + 1);
  }
  const std::string failure = check();
  current_.clear();
  Record(name, failure);
}

void Checklist::Record(const std::string& name, const std::string& failure) {
  SendToParent('C', {name, failure});
  const bool first = passed_ + failed_ == 0;
  if (failure.empty()) {
    ++passed_;
  } else {
    ++failed_;
  }
  if (json_) {
    jsonSoFar_ += JsonCheck(first, name, ShownText(failure));
  } else if (failure.empty()) {
    Print("PASS  " + name + "\n");
  } else {
    Print("FAIL  " + name + ": " + ShownText(failure) + "\n");
  }
}

int Checklist::Summary() const {
  SendToParent('S', {});
  if (json_) {
    Print(jsonSoFar_ + JsonEnd(passed_, failed_));
  } else {
    Print("\n" + SummaryLine(passed_, failed_) + "\n");
  }
  return failed_ == 0 ? 0 : kExitFailure;
}

int Checklist::ReportCrash(const char* fault, const char* call) {
  if (IsChild()) return ReportCrashToParent(fault, call);
  const Checklist* list = active;
  if (list == nullptr || list->current_.empty()) {
    // Outside any check: the one-line report, with validate's status.
    WriteCrashLine(fault, call);
    return kExitFailure;
  }
  if (list->json_) {
    // Every name here is the host's own: no escaping needed.
    WriteRaw(1, list->jsonSoFar_.c_str());
    WriteRaw(1, list->crashSummary_.c_str());
    WriteRaw(1, fault);
    WriteRaw(1, ")");
    WriteRaw(1, CallPreposition(call));
    WriteRaw(1, call);
    WriteRaw(1, "\"}");
    WriteRaw(1, list->crashTail_.c_str());
  } else {
    WriteRaw(1, "FAIL  ");
    WriteRaw(1, list->current_.c_str());
    WriteRaw(1, ": the plugin crashed (");
    WriteRaw(1, fault);
    WriteRaw(1, ")");
    WriteRaw(1, CallPreposition(call));
    WriteRaw(1, call);
    WriteRaw(1, "\n");
    WriteRaw(1, list->crashSummary_.c_str());
  }
  return kExitFailure;
}

}  // namespace cli
