// render: the files it writes hold exactly what the plugin drew.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "HostProcess.h"
#include "host/gl/GLContext.h"
#include "host/gl/HostFramebuffer.h"
#include "host/gl/HostGL.h"
#include "host/loader/PluginSession.h"
#include "host/image/PngImage.h"

namespace cli_test {
namespace {

host::RgbaImage Load(const std::string& path) {
  host::RgbaImage image;
  std::string error;
  EXPECT_TRUE(host::ReadPng(path, image, error)) << error;
  return image;
}

// The built-in picture at animation time 0 with Distort and Mode 0, worked
// out on the CPU: bands sin(5.5 (sin 5x + cos 5y)) in orange.
std::array<int, 4> ExpectedStillPixel(int x, int row, int width, int height) {
  const double fragX = x + 0.5;
  const double fragY = (height - 1 - row) + 0.5;  // the file's rows run top-down
  const double scale = std::min(width, height);
  const double px = (fragX * 2.0 - width) / scale;
  const double py = (fragY * 2.0 - height) / scale;
  const double circle = std::sin((std::sin(px * 5.0) + std::cos(py * 5.0)) * 5.5);
  const auto unorm = [](double v) {
    return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
  };
  return {unorm(circle), unorm(circle * 0.5), 0, 255};
}

TEST(Render, StillFrameHasTheRequestedSizeAndTheExpectedPicture) {
  const std::string path = ScratchFolder("still") + "/frame.png";
  const HostRun run =
      RunHost({"render", ProductPlugin(), "--set", "Speed=0", "--size", "320x180", "-o", path});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(run.out, "wrote " + path + "\n");
  const host::RgbaImage image = Load(path);
  ASSERT_EQ(image.width, 320);
  ASSERT_EQ(image.height, 180);
  int mismatches = 0;
  for (int y = 0; y < image.height; y += 5) {
    for (int x = 0; x < image.width; x += 5) {
      const auto expected = ExpectedStillPixel(x, y, image.width, image.height);
      const std::uint8_t* got = &image.pixels[(static_cast<std::size_t>(y) * 320 + x) * 4];
      for (int c = 0; c < 4; ++c) {
        if (std::abs(got[c] - expected[c]) > 4) ++mismatches;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(Render, PngHoldsExactlyTheBytesOpenGLGives) {
  const std::string path = ScratchFolder("exact") + "/frame.png";
  ASSERT_EQ(RunHost({"render", ProductPlugin(), "--set", "Speed=0", "--set", "Mode=0.5",
                     "--size", "96x64", "-o", path})
                .exitStatus,
            0);

  // The same frame drawn in this process through the host library.
  std::string error;
  auto context = host::GLContext::Create(error);
  ASSERT_NE(context, nullptr) << error;
  host::HostGL gl;
  ASSERT_TRUE(gl.Load(*context, error)) << error;
  auto session = host::PluginSession::Open(ProductPlugin(), error);
  ASSERT_NE(session, nullptr) << error;
  host::HostFramebuffer target(gl, 96, 64);
  auto instance = host::PluginInstance::Create(session->Library(), 96, 64, error);
  ASSERT_NE(instance, nullptr) << error;
  ASSERT_TRUE(instance->SetFloat(session->FindParameter("Speed")->index, 0.0f));
  ASSERT_TRUE(instance->SetFloat(session->FindParameter("Mode")->index, 0.5f));
  target.Clear(0.0f, 0.0f, 0.0f, 0.0f);
  ASSERT_EQ(instance->ProcessFrame(target, {}), FFWord{FF_SUCCESS});
  const auto drawn = target.ReadPixels();
  instance.reset();

  EXPECT_EQ(Load(path).pixels, drawn);
}

TEST(Render, ParametersSetByNameChangeThePicture) {
  const std::string folder = ScratchFolder("set");
  ASSERT_EQ(RunHost({"render", ProductPlugin(), "--set", "Speed=0", "--size", "64x36", "-o",
                     folder + "/plain.png"})
                .exitStatus,
            0);
  ASSERT_EQ(RunHost({"render", ProductPlugin(), "--set", "speed=0", "--set", "Mode=1", "--size",
                     "64x36", "-o", folder + "/mode.png"})
                .exitStatus,
            0);
  // Mode is parameter 2, for plugins whose names repeat.
  ASSERT_EQ(RunHost({"render", ProductPlugin(), "--set", "0=0", "--set", "2=1", "--size",
                     "64x36", "-o", folder + "/index.png"})
                .exitStatus,
            0);
  EXPECT_NE(Load(folder + "/plain.png").pixels, Load(folder + "/mode.png").pixels);
  EXPECT_EQ(Load(folder + "/index.png").pixels, Load(folder + "/mode.png").pixels);
}

TEST(Render, AFolderGetsOneNumberedPngPerFrame) {
  const std::string folder = ScratchFolder("folder") + "/frames";
  const HostRun run = RunHost({"render", ProductPlugin(), "--size", "32x16", "--frames", "3",
                               "--fps", "60", "-o", folder + "/"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(run.err, "");  // no progress bar when not on a terminal
  for (const char* name : {"frame-000001.png", "frame-000002.png", "frame-000003.png"}) {
    EXPECT_EQ(Load(folder + "/" + name).width, 32) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(folder + "/frame-000004.png"));
}

TEST(Render, ReusingAFolderReplacesTheEarlierRenderAndNothingElse) {
  const std::string folder = ScratchFolder("reuse");
  ASSERT_EQ(RunHost({"render", ProductPlugin(), "--size", "16x8", "--frames", "5", "--fast",
                     "-o", folder + "/"})
                .exitStatus,
            0);
  std::ofstream(folder + "/notes.txt") << "mine";
  const HostRun run = RunHost({"render", ProductPlugin(), "--size", "8x4", "--frames", "2",
                               "--fast", "-o", folder});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  EXPECT_EQ(names, (std::set<std::string>{"frame-000001.png", "frame-000002.png", "notes.txt"}));
  EXPECT_EQ(Load(folder + "/frame-000002.png").width, 8);
}

// A second render into a folder that a render is writing into stops at
// once, and the first one's frames stay its own.
TEST(Render, ASecondRenderIntoABusyFolderIsRefused) {
  const std::string folder = ScratchFolder("busy");
  const std::string pidFile = folder + "/../busy.pid";
  // The first render runs on the real clock for seconds: time enough.
  ASSERT_EQ(std::system(("'" + std::string(HostProgram()) + "' render '" + ProductPlugin() +
                         "' --size 16x8 --frames 100 --fps 20 --realtime -o '" + folder +
                         "/' >/dev/null 2>&1 & echo $! >'" + pidFile + "'")
                            .c_str()),
            0);
  for (int i = 0; i < 300 && !std::filesystem::exists(folder + "/frame-000001.png"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const HostRun second = RunHost({"render", ProductPlugin(), "--size", "8x4", "--frames", "2",
                                  "-o", folder + "/"});
  int first = 0;
  std::ifstream(pidFile) >> first;
  ASSERT_GT(first, 0);
  kill(first, SIGTERM);
  EXPECT_EQ(second.exitStatus, 1);
  EXPECT_EQ(second.err, "ffgl-host render: another render is writing into folder '" + folder +
                            "/'\n");
  EXPECT_EQ(Load(folder + "/frame-000001.png").width, 16);
}

// Ctrl-C while a large PNG is being written, and while ffmpeg takes frames:
// no partial file under any name, ffmpeg stopped, "interrupted", status 130.
TEST(Render, AnInterruptedRenderLeavesNothingBehind) {
  const std::string folder = ScratchFolder("interrupted");
  const HostRun png = InterruptHost({"render", ProductPlugin(), "--size", "8192x8192", "-o",
                                     folder + "/big.png"},
                                    folder, ".big.png.", 2);
  EXPECT_EQ(png.exitStatus, 130) << png.err;
  EXPECT_EQ(png.err, "ffgl-host render: interrupted\n");
  EXPECT_TRUE(std::filesystem::is_empty(folder));

  // This stand-in keeps its process id where the test can see it.
  const std::string bin = ScratchFolder("slow-ffmpeg");
  const std::string script = bin + "/ffmpeg";
  std::ofstream(script) << "#!/bin/sh\nfor last; do :; done\necho $$ > " << bin
                        << "/pid\nexec cat > \"$last\"\n";
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  const HostRun video = InterruptHost({"render", ProductPlugin(), "--size", "64x64", "--frames",
                                       "100000", "--fast", "-o", folder + "/clip.webm"},
                                      folder, ".clip.webm.", 2, {"PATH=" + bin + ":/usr/bin:/bin"});
  EXPECT_EQ(video.exitStatus, 130) << video.err;
  EXPECT_TRUE(std::filesystem::is_empty(folder));
  std::ifstream pidFile(bin + "/pid");
  int ffmpeg = 0;
  ASSERT_TRUE(pidFile >> ffmpeg);
  EXPECT_NE(kill(ffmpeg, 0), 0) << "ffmpeg still runs";
}

TEST(Render, AContactSheetTilesTheFramesWithGutters) {
  const std::string path = ScratchFolder("sheet") + "/sheet.png";
  ASSERT_EQ(RunHost({"render", ProductPlugin(), "--size", "16x8", "--frames", "5", "--fast",
                     "--sheet", "3", "-o", path})
                .exitStatus,
            0);
  const host::RgbaImage sheet = Load(path);
  EXPECT_EQ(sheet.width, 3 * 16 + 2 * 2);
  EXPECT_EQ(sheet.height, 2 * 8 + 2);
  // The sixth tile is empty: opaque black.
  const std::uint8_t* empty = &sheet.pixels[(static_cast<std::size_t>(17) * sheet.width + 51) * 4];
  EXPECT_EQ(empty[0] + empty[1] + empty[2], 0);
  EXPECT_EQ(empty[3], 255);
}

TEST(Render, InputPicturesAreAccepted) {
  const std::string folder = ScratchFolder("input");
  host::RgbaImage picture;
  picture.width = 10;
  picture.height = 6;
  picture.pixels.assign(10 * 6 * 4, 200);
  std::string error;
  ASSERT_TRUE(host::WritePng(folder + "/in.png", picture, error)) << error;
  const HostRun run = RunHost({"render", ProductPlugin(), "--size", "32x16", "--input",
                               folder + "/in.png", "--input", folder + "/in.png", "-o",
                               folder + "/out.png"});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
}

}  // namespace
}  // namespace cli_test

namespace cli_test {
namespace {

// A stand-in ffmpeg on PATH: records its arguments (in its own folder) and
// the bytes it is fed.
std::string FakeFfmpegFolder(const std::string& body) {
  const std::string folder = ScratchFolder("ffmpeg");
  const std::string script = folder + "/ffmpeg";
  std::ofstream(script) << "#!/bin/sh\n" << body;
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  return folder;
}

TEST(RenderVideo, FramesArePipedToFfmpegAsRawRgba) {
  const std::string bin = FakeFfmpegFolder(
      "for last; do :; done\necho \"$@\" > \"$(dirname \"$0\")/args\"\ncat > \"$last\"\n");
  const std::string video = ScratchFolder("video") + "/clip.gif";
  const HostRun run = RunHost({"render", ProductPlugin(), "--size", "20x10", "--frames", "4",
                               "--fps", "50", "-o", video},
                              {"PATH=" + bin + ":/usr/bin:/bin"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(std::filesystem::file_size(video), 4u * 20 * 10 * 4);
  std::ifstream argumentsFile(bin + "/args");
  std::string arguments;
  std::getline(argumentsFile, arguments);
  EXPECT_NE(arguments.find("-f rawvideo -pix_fmt rgba -s 20x10 -r 50 -i -"), std::string::npos)
      << arguments;
  EXPECT_NE(arguments.find(" -f gif "), std::string::npos) << arguments;
  // Nothing but the finished clip is left.
  EXPECT_EQ(std::filesystem::directory_iterator(std::filesystem::path(video).parent_path())
                ->path(),
            video);
}

TEST(RenderVideo, AnFfmpegThatFailsIsReportedNotIgnored) {
  const std::string bin = FakeFfmpegFolder("exit 3\n");
  const std::string video = ScratchFolder("failing") + "/clip.mp4";
  const HostRun run = RunHost({"render", ProductPlugin(), "--size", "64x64", "--frames", "30",
                               "--fast", "-o", video},
                              {"PATH=" + bin + ":/usr/bin:/bin"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(run.err.rfind("ffgl-host render: ffmpeg ", 0), 0u) << run.err;
  EXPECT_TRUE(std::filesystem::is_empty(std::filesystem::path(video).parent_path()));
}

}  // namespace
}  // namespace cli_test
