// ffgl-host's exit statuses and failure messages, as docs/ffgl-host.md lists
// them: one line on standard error, starting "ffgl-host COMMAND: ".
#pragma once

#include <string>

namespace cli {

constexpr int kExitFailure = 1;      // the plugin, a check or an output failed
constexpr int kExitUsage = 2;        // how the tool was asked
constexpr int kExitCrash = 3;        // the plugin crashed (validate: 1)
constexpr int kExitDrift = 4;        // real-time frames fell behind their times
constexpr int kExitNoDisplay = 5;    // play: no display to open a window on
constexpr int kExitInterrupted = 130;  // Ctrl-C (143: terminated)

// Every failure a subcommand reports; returns `status`.
int Fail(const std::string& message, int status = kExitFailure);
// A usage mistake: the message and a pointer to --help; returns kExitUsage.
int UsageError(const std::string& command, const std::string& message);

}  // namespace cli
