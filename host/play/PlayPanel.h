// The side panel of `play` (Dear ImGui): what the plugin is, one control per
// parameter, the time controls and the frame times.
#pragma once

#include <string>
#include <vector>

#include "host/play/LivePlugin.h"

namespace play {

// The time the plugin is shown at, moved by the panel and the keys.
struct PlayClock {
  double seconds = 0.0;
  bool playing = true;
  float speed = 1.0f;
  // One step: a frame at 60 frames a second.
  void Step() {
    playing = false;
    seconds += 1.0 / 60.0;
  }
};

// The last frames' times in milliseconds, oldest first after `next`.
struct FrameTimes {
  static constexpr int kCount = 120;
  static constexpr int kPasses = 8;
  float draw[kCount] = {};
  float whole[kCount] = {};
  float pass[kPasses][kCount] = {};  // each pass's GPU time, where the plugin reports it
  int passCount = 0;
  int next = 0;
  int filled = 0;
  void Add(float drawMs, float wholeMs, const std::vector<float>& passMs) {
    draw[next] = drawMs;
    whole[next] = wholeMs;
    passCount = static_cast<int>(passMs.size() < kPasses ? passMs.size() : kPasses);
    for (int p = 0; p < passCount; ++p) pass[p][next] = passMs[p];
    next = (next + 1) % kCount;
    if (filled < kCount) ++filled;
  }
  // "plugin median X ms, whole frame median Y ms" over the frames kept.
  std::string Summary() const;
};

struct PanelRequests {
  bool save = false;
  bool writePlugins = false;
};

// Draws the panel as one window over x..x+width of the screen; the
// parameter labels drawn are put in `labels`.
void DrawPanel(LivePlugin& plugin, const std::string& renderer, const std::string& status,
               PlayClock& clock, const FrameTimes& times, float x, float width, float height,
               PanelRequests& requests, std::vector<std::string>& labels);

}  // namespace play
