// validate's checks, each giving "" when it passes or its first problem:
// the describing codes (ValidateChecks.cpp) and frames and instance
// lifetimes (ValidateFrames.cpp).
#pragma once

#include <string>
#include <vector>

#include "host/loader/PluginSession.h"
#include "host/image/PngImage.h"
#include "host/cli/Checklist.h"
#include "host/cli/HeadlessHost.h"

namespace cli {

std::string CheckInformation(const host::PluginLibrary& plugin);
std::string CheckExtendedInformation(const host::PluginLibrary& plugin);
// Every describing code asked again gives the answer the session read.
std::string CheckDescribingCodes(const host::PluginSession& session);
std::string CheckUnknownCodes(const host::PluginLibrary& plugin);
std::string CheckFreshInstance(const host::PluginSession& session,
                               const host::PluginInstance& instance);
std::string CheckRoundTrip(const host::PluginSession& session,
                           const host::PluginInstance& instance);
std::string CheckInputStatus(const host::PluginSession& session,
                             const host::PluginInstance& instance);

// Frames under a known host state; what changed, what failed, GL errors.
struct FrameRun {
  Finding results;
  Finding state;
  Finding glErrors;
  Finding drawing;
};
// Three frames with `inputs`; `mayRefuse`: fewer inputs than the plugin's
// minimum, so FF_FAIL is a fair answer.
void RunFrames(const HeadlessHost& host, const host::HostFramebuffer& target,
               const host::PluginInstance& instance,
               const std::vector<FFGLTextureStruct*>& inputs, const std::string& label,
               bool expectDrawing, bool mayRefuse, FrameRun& run);
std::string CheckCycles(const HeadlessHost& host, const host::HostFramebuffer& target,
                        int cycles);

// A picture with structure in both directions, so copies that flip or
// shift it would differ.
host::RgbaImage TestPicture(int width, int height, std::uint8_t tint);

}  // namespace cli
