// The test-card example rendered by ffgl-host at Speed 0 against the same
// formula evaluated on the CPU.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "host/PngImage.h"
#include "tests/cli/HostProcess.h"

namespace {

struct Colour {
  double r, g, b;
};

double Clamp01(double v) { return std::min(1.0, std::max(0.0, v)); }
double SmoothStep(double edge0, double edge1, double x) {
  const double t = Clamp01((x - edge0) / (edge1 - edge0));
  return t * t * (3.0 - 2.0 * t);
}
double Fract(double v) { return v - std::floor(v); }
double Mod(double v, double m) { return v - m * std::floor(v / m); }

// examples/testcard.glsl at time 0, for the fragment centre (x, y) counted
// from the bottom left.
Colour TestCard(double x, double y, double width, double height) {
  const double u = x / width;
  const double v = y / height;
  const double offsets[3] = {0.0, 4.0, 2.0};
  double hue[3];
  for (int i = 0; i < 3; ++i) {
    hue[i] = Clamp01(std::fabs(Mod(u * 6.0 + offsets[i], 6.0) - 3.0) - 1.0);
  }
  const double shade = 0.35 + 0.65 * v;
  Colour c{hue[0] * shade, hue[1] * shade, hue[2] * shade};
  const double toLineX = (0.5 - std::fabs(Fract(u * 8.0) - 0.5)) * width / 8.0;
  const double toLineY = (0.5 - std::fabs(Fract(v * 6.0) - 0.5)) * height / 6.0;
  const double line = 0.8 * (1.0 - SmoothStep(0.5, 2.0, std::min(toLineX, toLineY)));
  c = {c.r + (1.0 - c.r) * line, c.g + (1.0 - c.g) * line, c.b + (1.0 - c.b) * line};
  const double px = (x - 0.5 * width) / height;
  const double py = (y - 0.5 * height) / height;
  const double ring =
      1.0 - SmoothStep(0.0, 3.0 / height, std::fabs(std::hypot(px, py) - 0.35));
  c = {c.r + (0.05 - c.r) * ring, c.g + (0.05 - c.g) * ring, c.b + (0.05 - c.b) * ring};
  return c;
}

TEST(ShaderPluginExample, TestCardMatchesItsFormulaOnTheCpu) {
  const int width = 160;
  const int height = 90;
  const std::string path = cli_test::ScratchFolder("testcard") + "/card.png";
  const auto run = cli_test::RunHost({"render", TEST_CARD_PLUGIN, "--set", "Speed=0", "--size",
                                      "160x90", "-o", path});
  ASSERT_EQ(0, run.exitStatus) << run.err;
  host::RgbaImage image;
  std::string error;
  ASSERT_TRUE(host::ReadPng(path, image, error)) << error;
  ASSERT_EQ(width, image.width);
  ASSERT_EQ(height, image.height);

  // Well defined: the formula moves less than 8/255 within a quarter pixel,
  // so a rasteriser's rounding cannot matter (the grid lines' and the
  // ring's soft edges are left out).
  int compared = 0;
  int worst = 0;
  for (int row = 0; row < height; ++row) {
    const double y = height - 1 - row + 0.5;  // the PNG's rows run top down
    for (int column = 0; column < width; ++column) {
      const double x = column + 0.5;
      const Colour centre = TestCard(x, y, width, height);
      bool steep = false;
      const double nearby[4][2] = {{0.25, 0.0}, {-0.25, 0.0}, {0.0, 0.25}, {0.0, -0.25}};
      for (const auto& offset : nearby) {
        const Colour near = TestCard(x + offset[0], y + offset[1], width, height);
        steep = steep || std::fabs(near.r - centre.r) > 8.0 / 255 ||
                std::fabs(near.g - centre.g) > 8.0 / 255 ||
                std::fabs(near.b - centre.b) > 8.0 / 255;
      }
      if (steep) continue;
      ++compared;
      const unsigned char* p = &image.pixels[(static_cast<std::size_t>(row) * width + column) * 4];
      const double expected[3] = {centre.r, centre.g, centre.b};
      for (int i = 0; i < 3; ++i) {
        const int difference = std::abs(p[i] - static_cast<int>(std::lround(expected[i] * 255.0)));
        worst = std::max(worst, difference);
        EXPECT_LE(difference, 3) << "pixel (" << column << ", " << row << ") channel " << i;
        if (difference > 3) return;
      }
    }
  }
  EXPECT_GT(compared, width * height / 2);
  RecordProperty("worst_difference", worst);
}

}  // namespace
