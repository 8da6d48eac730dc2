// Frames at exact times on the plugin's clock, whatever the machine's or the
// output's speed: FF_SETTIME for a plugin that takes host time, the steered
// clock for ours, the reported real-clock fallback for one with neither.
#include <gtest/gtest.h>

#include <time.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "HostProcess.h"
#include "host/loader/ClockSteering.h"
#include "host/loader/PluginLibrary.h"
#include "host/image/PngImage.h"
#include "tests/realgl/BuiltInProgram.h"

namespace {

using cli_test::RunHost;

std::string FileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Share of the well-defined pixels of `path` within 3/255 of the program at
// `time`; -1 when the file cannot be read.
double ShareMatching(const std::string& path, float time) {
  host::RgbaImage picture;
  std::string error;
  if (!host::ReadPng(path, picture, error)) return -1.0;
  int compared = 0, close = 0;
  for (int row = 0; row < picture.height; ++row) {
    for (int x = 0; x < picture.width; ++x) {
      const std::uint8_t* pixel =
          &picture.pixels[(static_cast<std::size_t>(row) * picture.width + x) * 4];
      reference::Rgb expected{};
      const float fragY = static_cast<float>(picture.height - 1 - row) + 0.5f;
      if (!reference::EvaluateBuiltInProgram(static_cast<float>(x) + 0.5f, fragY, picture.width,
                                             picture.height, time, 0.0f, 0.0f, expected)) {
        continue;
      }
      ++compared;
      close += std::abs(pixel[0] - expected.r) <= 3 && std::abs(pixel[1] - expected.g) <= 3 &&
               std::abs(pixel[2] - expected.b) <= 3;
    }
  }
  return compared > 0 ? static_cast<double>(close) / compared : -1.0;
}

TEST(RenderTime, SlowedRenderShowsEachFrameAtItsExactTimeAndRepeatsByteForByte) {
  const std::string slow = cli_test::ScratchFolder("time-slow");
  const std::string fast = cli_test::ScratchFolder("time-fast");
  const std::vector<std::string> render = {"render", cli_test::ProductPlugin(), "--set", "Speed=1",
                                           "--size", "160x90", "--frames", "4", "--fps", "16"};
  auto slowRender = render;
  slowRender.insert(slowRender.end(), {"-o", slow + "/"});
  // A quarter second per frame: four times the frame interval.
  const auto run = RunHost(slowRender, {"FFGL_HOST_TEST_FRAME_DELAY_MS=250"});
  ASSERT_EQ(0, run.exitStatus) << run.err;
  EXPECT_EQ("", run.err);
  for (int k = 0; k < 4; ++k) {
    // The program's time is twice the seconds at Speed 1.
    const float time = 2.0f * static_cast<float>(k) / 16.0f;
    const std::string frame = slow + "/frame-00000" + std::to_string(k + 1) + ".png";
    EXPECT_GE(ShareMatching(frame, time), 0.99) << frame;
  }
  auto fastRender = render;
  fastRender.insert(fastRender.end(), {"-o", fast + "/"});
  ASSERT_EQ(0, RunHost(fastRender).exitStatus);
  // 3/16 s is exact in binary, so one frame on its own is the same picture.
  const std::string still = fast + "/still.png";
  ASSERT_EQ(0, RunHost({"render", cli_test::ProductPlugin(), "--set", "Speed=1", "--size",
                        "160x90", "--start", "0.1875", "-o", still})
                   .exitStatus);
  for (int k = 1; k <= 4; ++k) {
    const std::string name = "/frame-00000" + std::to_string(k) + ".png";
    EXPECT_EQ(FileBytes(slow + name), FileBytes(fast + name)) << name;
  }
  EXPECT_EQ(FileBytes(fast + "/frame-000004.png"), FileBytes(still));
}

TEST(RenderTime, APluginTakingHostTimeGetsEachFrameTimeExactly) {
  const std::string folder = cli_test::ScratchFolder("time-host");
  const std::string log = folder + "/times.txt";
  const auto run = RunHost({"render", cli_test::TakesHostTimeTestPlugin(), "--size", "32x32",
                            "--frames", "3", "--fps", "24", "--start", "0.5", "-o", folder + "/"},
                           {"TEST_PLUGIN_TIME_LOG=" + log});
  ASSERT_EQ(0, run.exitStatus) << run.err;
  EXPECT_EQ("", run.err);
  std::ifstream file(log);
  std::string line;
  std::vector<double> times;
  while (std::getline(file, line)) times.push_back(std::strtod(line.c_str(), nullptr));
  ASSERT_EQ(3u, times.size());
  for (int k = 0; k < 3; ++k) EXPECT_EQ(0.5 + k / 24.0, times[static_cast<std::size_t>(k)]);
}

TEST(RenderTime, WithoutAClockToSteerFramesArePacedInRealTimeAndDriftIsReported) {
  const std::string folder = cli_test::ScratchFolder("time-fallback");
  const std::vector<std::string> render = {"render", cli_test::WellBehavedTestPlugin(), "--size",
                                           "32x32", "--frames", "3", "--fps", "20",
                                           "-o", folder + "/"};
  // (A loaded machine may be late even here, so drift is accepted.)
  auto accepted = render;
  accepted.push_back("--allow-drift");
  auto run = RunHost(accepted);
  ASSERT_EQ(0, run.exitStatus) << run.err;
  EXPECT_NE(std::string::npos, run.err.find("paced on the real clock")) << run.err;

  // Output slower than the frame rate: the clip is written, but its motion
  // is wrong, so the run says by how much and fails unless accepted.
  run = RunHost(render, {"FFGL_HOST_TEST_FRAME_DELAY_MS=200"});
  EXPECT_EQ(4, run.exitStatus) << run.err;
  EXPECT_NE(std::string::npos, run.err.find("frames were drawn late")) << run.err;
  EXPECT_EQ(0, RunHost(accepted, {"FFGL_HOST_TEST_FRAME_DELAY_MS=200"}).exitStatus);
}

std::int64_t MonotonicNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

TEST(ClockSteering, OnlyThePluginLibrarysClockIsSteeredAndItIsRestored) {
  std::string error;
  auto plain = host::PluginLibrary::Load(cli_test::WellBehavedTestPlugin(), error);
  ASSERT_NE(nullptr, plain) << error;
  EXPECT_EQ(nullptr, host::ClockSteering::Attach(*plain));  // it reads no clock

  auto product = host::PluginLibrary::Load(cli_test::ProductPlugin(), error);
  ASSERT_NE(nullptr, product) << error;
  const auto before = std::chrono::steady_clock::now();
  const std::int64_t monotonicBefore = MonotonicNanoseconds();
  {
    auto steering = host::ClockSteering::Attach(*product);
    ASSERT_NE(nullptr, steering);
    // Each import named whole: "time" too, though "clock_gettime" holds it.
    const std::string names = ", " + steering->Redirected() + ",";
    EXPECT_NE(std::string::npos, names.find(", clock_gettime,")) << names;
    EXPECT_NE(std::string::npos, names.find(", time,")) << names;
    EXPECT_EQ(nullptr, host::ClockSteering::Attach(*product));  // one at a time
    steering->SetSeconds(1000.0);
    // This program's clocks (and every library's but the plugin's) stay real.
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(100));
    EXPECT_LT(MonotonicNanoseconds() - monotonicBefore, 100000000000);
  }
  EXPECT_NE(nullptr, host::ClockSteering::Attach(*product));  // restored and free again
}

}  // namespace
