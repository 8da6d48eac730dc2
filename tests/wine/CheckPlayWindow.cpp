// Judges a screenshot of `ffgl-host.exe play` taken under Wine: the plugin's
// picture at the window's top left, as the Linux host renders it, and the
// panel to its right: a flat background with text and controls on it.
//
// Usage: check-play-window WINDOW.png FRAME.png [TOLERANCE]
// FRAME is the Linux render of the same plugin, settings, size and time.
// Exit status 0 when both hold, 1 otherwise.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>

#include "host/image/PngImage.h"

namespace {

constexpr int kPanelWidth = 320;  // host/play/Player.cpp

const std::uint8_t* Pixel(const host::RgbaImage& image, int x, int y) {
  return &image.pixels[(static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                        static_cast<std::size_t>(x)) *
                       4];
}

std::uint32_t Colour(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: %s WINDOW.png FRAME.png [TOLERANCE]\n", argv[0]);
    return 2;
  }
  const int tolerance = argc == 4 ? std::atoi(argv[3]) : 3;
  host::RgbaImage window;
  host::RgbaImage frame;
  std::string error;
  if (!host::ReadPng(argv[1], window, error) || !host::ReadPng(argv[2], frame, error)) {
    std::printf("FAIL: %s\n", error.c_str());
    return 1;
  }
  if (window.width < frame.width + kPanelWidth || window.height < frame.height) {
    std::printf("FAIL: a %dx%d window cannot hold the %dx%d picture and the panel\n",
                window.width, window.height, frame.width, frame.height);
    return 1;
  }

  int largest = 0;
  std::set<std::uint32_t> pictureColours;
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) {
      const std::uint8_t* w = Pixel(window, x, y);
      const std::uint8_t* f = Pixel(frame, x, y);
      for (int c = 0; c < 3; ++c) largest = std::max(largest, std::abs(w[c] - f[c]));
      if (pictureColours.size() < 2) pictureColours.insert(Colour(w));
    }
  }
  // A panel: one background colour for most of it, and text and controls
  // in dozens of others; a picture or an empty window is neither.
  std::map<std::uint32_t, long> panelColours;
  for (int y = 0; y < window.height; ++y) {
    for (int x = window.width - kPanelWidth; x < window.width; ++x) {
      ++panelColours[Colour(Pixel(window, x, y))];
    }
  }
  long background = 0;
  for (const auto& colour : panelColours) background = std::max(background, colour.second);
  const int backgroundPercent =
      static_cast<int>(background * 100 / (static_cast<long>(kPanelWidth) * window.height));
  std::printf("%dx%d window: picture within %d of 255 of the render; panel of %zu colours, "
              "%d%% background\n",
              window.width, window.height, largest, panelColours.size(), backgroundPercent);
  if (pictureColours.size() < 2) {
    std::printf("FAIL: the picture is a single colour\n");
    return 1;
  }
  if (largest > tolerance) {
    std::printf("FAIL: the picture differs from the render by more than %d\n", tolerance);
    return 1;
  }
  if (panelColours.size() <= 10 || backgroundPercent < 60) {
    std::printf("FAIL: the panel holds no text or controls\n");
    return 1;
  }
  return 0;
}
