// validate's checklist: runs each check by name, prints PASS or FAIL per
// check (or one JSON object at the end), and the summary. A plugin crash
// inside a check becomes that check's FAIL, followed by the summary.
#pragma once

#include <functional>
#include <string>

namespace cli {

class Checklist {
 public:
  // The JSON form starts with `plugin` and `context`; the text form's
  // heading is the caller's.
  Checklist(bool json, std::string plugin, std::string context);
  ~Checklist();
  Checklist(const Checklist&) = delete;
  Checklist& operator=(const Checklist&) = delete;

  // Runs `check` ("" means passed, else the failure) and records it.
  void Run(const std::string& name, const std::function<std::string()>& check);
  void Record(const std::string& name, const std::string& failure);
  // Prints the summary (and the JSON object); the exit status.
  int Summary() const;

 private:
  static int ReportCrash(const char* fault, const char* call);
  void Print(const std::string& text) const;

  bool json_;
  int passed_ = 0;
  int failed_ = 0;
  std::string current_;
  // The JSON object so far (its checks), and the summary lines as they
  // would read with one more failure: a crash report writes these as they
  // stand, without formatting anything.
  std::string jsonSoFar_;
  std::string crashSummary_;
  std::string crashTail_;
};

// Collects the first problem of a check; later ones are counted only.
class Finding {
 public:
  void Note(const std::string& problem) {
    if (first_.empty()) first_ = problem;
    ++count_;
  }
  std::string Text() const {
    if (count_ <= 1) return first_;
    return first_ + " (and " + std::to_string(count_ - 1) + " more)";
  }

 private:
  std::string first_;
  int count_ = 0;
};

}  // namespace cli
