// The test-card example rendered by ffgl-host at Speed 0 against its formula
// (examples/testcard.glsl at time 0) evaluated on the CPU.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "host/image/PngImage.h"
#include "tests/cli/HostProcess.h"

namespace {

using Colour = std::array<double, 3>;

double SmoothStep(double edge0, double edge1, double x) {
  const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
  return t * t * (3.0 - 2.0 * t);
}

// The colour at (x, y), counted in pixels from the bottom left.
Colour TestCard(double x, double y, double width, double height) {
  const double u = x / width;
  const double v = y / height;
  Colour c;
  const double offsets[3] = {0.0, 4.0, 2.0};
  for (int i = 0; i < 3; ++i) {
    const double h = u * 6.0 + offsets[i];
    const double hue = std::clamp(std::fabs(h - 6.0 * std::floor(h / 6.0) - 3.0) - 1.0, 0.0, 1.0);
    c[i] = hue * (0.35 + 0.65 * v);
  }
  const auto toLine = [](double t, double cells, double size) {
    return (0.5 - std::fabs(t * cells - std::floor(t * cells) - 0.5)) * size / cells;
  };
  const double line =
      0.8 * (1.0 - SmoothStep(0.5, 2.0, std::min(toLine(u, 8, width), toLine(v, 6, height))));
  const double radius = std::hypot((x - 0.5 * width) / height, (y - 0.5 * height) / height);
  const double ring = 1.0 - SmoothStep(0.0, 3.0 / height, std::fabs(radius - 0.35));
  for (double& channel : c) {
    channel += (1.0 - channel) * line;
    channel += (0.05 - channel) * ring;
  }
  return c;
}

TEST(ShaderPluginExample, TestCardMatchesItsFormulaOnTheCpu) {
  const int width = 160, height = 90;
  const std::string path = cli_test::ScratchFolder("testcard") + "/card.png";
  const auto run = cli_test::RunHost(
      {"render", TEST_CARD_PLUGIN, "--set", "Speed=0", "--size", "160x90", "-o", path});
  ASSERT_EQ(0, run.exitStatus) << run.err;
  host::RgbaImage image;
  std::string error;
  ASSERT_TRUE(host::ReadPng(path, image, error)) << error;
  ASSERT_EQ(width * height * 4, static_cast<int>(image.pixels.size()));

  // Well-defined pixels: the formula moves less than 8/255 within a quarter
  // pixel, so no rasteriser rounding matters (the grid's and the ring's
  // soft edges are left out).
  int compared = 0;
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      const double x = column + 0.5, y = height - row - 0.5;  // PNG rows run top down
      const Colour expected = TestCard(x, y, width, height);
      bool steep = false;
      for (const auto& [dx, dy] : {std::array{0.25, 0.0}, {-0.25, 0.0}, {0.0, 0.25}, {0.0, -0.25}}) {
        const Colour near = TestCard(x + dx, y + dy, width, height);
        for (int i = 0; i < 3; ++i) steep = steep || std::fabs(near[i] - expected[i]) > 8.0 / 255;
      }
      if (steep) continue;
      ++compared;
      const std::uint8_t* pixel = &image.pixels[(row * width + column) * 4];
      for (int i = 0; i < 3; ++i) {
        ASSERT_NEAR(expected[i] * 255.0, pixel[i], 3.5) << "column " << column << ", row " << row;
      }
    }
  }
  EXPECT_GT(compared, width * height / 2);
}

}  // namespace
