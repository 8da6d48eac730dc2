// ffgl-host play, scripted (--frames N --screenshot), on a private Xvfb.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "HostProcess.h"
#include "host/image/PngImage.h"

namespace cli_test {
namespace {

class Play : public ::testing::Test {
 protected:
  // One X server for the suite, on a display number of this process's own
  // (tests run in parallel), ready once its socket accepts a connection.
  static void SetUpTestSuite() {
    const std::string number = std::to_string(200 + getpid() % 700);
    server_ = fork();
    if (server_ == 0) {
      execlp("Xvfb", "Xvfb", (":" + number).c_str(), "-noreset", "-screen", "0", "1024x768x24",
             "-nolisten", "tcp", static_cast<char*>(nullptr));
      _exit(127);
    }
    if (server_ < 0) return;
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "/tmp/.X11-unix/X%s", number.c_str());
    for (int i = 0; i < 250; ++i) {
      const int probe = socket(AF_UNIX, SOCK_STREAM, 0);
      const bool ready = connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
      close(probe);
      if (ready) {
        display_ = "DISPLAY=:" + number;
        return;
      }
      if (waitpid(server_, nullptr, WNOHANG) == server_) {  // it could not start
        server_ = 0;
        return;
      }
      usleep(20000);
    }
  }
  static void TearDownTestSuite() {
    if (server_ > 0) {
      kill(server_, SIGTERM);
      waitpid(server_, nullptr, 0);
    }
  }
  void SetUp() override {
    if (display_.empty()) GTEST_SKIP() << "Xvfb could not be started";
  }

  // A scripted run's screenshot; the run is kept in `run`.
  host::RgbaImage Screenshot(const std::string& plugin, std::vector<std::string> options,
                             HostRun& run, const std::vector<std::string>& environment = {}) {
    const std::string path = ScratchFolder("play") + "/window.png";
    std::vector<std::string> arguments = {"play",     plugin, "--size",       "320x180",
                                          "--frames", "10",   "--screenshot", path};
    arguments.insert(arguments.end(), options.begin(), options.end());
    std::vector<std::string> env = environment;
    env.push_back(display_);
    run = RunHost(arguments, env);
    host::RgbaImage image;
    std::string error;
    if (run.exitStatus == 0) {
      EXPECT_TRUE(host::ReadPng(path, image, error)) << error;
    }
    return image;
  }

  // Largest colour difference over the 320x180 picture at the window's top left.
  static int ViewportDifference(const host::RgbaImage& window, const host::RgbaImage& frame) {
    int worst = 0;
    for (int y = 0; y < 180; ++y) {
      for (int x = 0; x < 320; ++x) {
        for (int c = 0; c < 3; ++c) {
          const int a = window.pixels[(static_cast<std::size_t>(y) * window.width + x) * 4 + c];
          const int b = frame.pixels[(static_cast<std::size_t>(y) * 320 + x) * 4 + c];
          worst = std::max(worst, std::abs(a - b));
        }
      }
    }
    return worst;
  }

  static inline pid_t server_ = 0;
  static inline std::string display_;
};

TEST_F(Play, WindowShowsTheRenderedFrameAndAPanelWithEveryParameter) {
  HostRun run;
  const host::RgbaImage window = Screenshot(ProductPlugin(), {"--set", "Speed=0"}, run);
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_NE(run.out.find("panel: Speed\npanel: Distort\npanel: Mode\n"), std::string::npos)
      << run.out;
  const std::string reference = ScratchFolder("play-reference") + "/frame.png";
  ASSERT_EQ(RunHost({"render", ProductPlugin(), "--set", "Speed=0", "--size", "320x180", "--start",
                     "0.15", "-o", reference})
                .exitStatus,
            0);
  host::RgbaImage frame;
  std::string error;
  ASSERT_TRUE(host::ReadPng(reference, frame, error)) << error;
  ASSERT_GE(window.width, 320 + 320);
  EXPECT_LE(ViewportDifference(window, frame), 3);
  // The panel (right of the picture) holds text and controls, not one colour.
  std::set<std::uint32_t> colours;
  for (int y = 0; y < window.height; y += 2) {
    for (int x = window.width - 320; x < window.width; x += 2) {
      const std::uint8_t* p = &window.pixels[(static_cast<std::size_t>(y) * window.width + x) * 4];
      colours.insert(static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]));
    }
  }
  EXPECT_GT(colours.size(), 10u);

  const host::RgbaImage changed =
      Screenshot(ProductPlugin(), {"--set", "Speed=0", "--set", "Mode=0.9"}, run);
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_GT(ViewportDifference(changed, frame), 64);
}

TEST_F(Play, ReloadsARebuiltPluginAndKeepsTheOldOneWhenTheNewOneFails) {
  const std::string plugin = ScratchFolder("play-reload") + "/plugin.so";
  const std::string copy = "cp '" + std::string(WellBehavedTestPlugin()) + "' '" + plugin + "'";
  ASSERT_EQ(std::system(copy.c_str()), 0);
  HostRun run;
  Screenshot(plugin, {}, run, {"FFGL_HOST_TEST_REBUILD=3:" + std::string(Latin1TextsTestPlugin())});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_NE(run.out.find("reloaded " + plugin), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("panel: Level"), std::string::npos) << run.out;

  ASSERT_EQ(std::system(copy.c_str()), 0);
  const host::RgbaImage window =
      Screenshot(plugin, {}, run, {"FFGL_HOST_TEST_REBUILD=3:" + std::string(NoPlugMainLibrary())});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_NE(run.out.find("reload failed, the previous build keeps running"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("panel: Level"), std::string::npos) << run.out;
}

// A shader shown as the plugin ffgl-pack makes of it, then edited: the red
// channel shows the mouse parameter, the blue one the clock.
TEST_F(Play, ShowsAShaderAsItsPluginAndReloadsItsEditsKeepingValuesAndTime) {
  const std::string folder = ScratchFolder("play-shader");
  const auto write = [&folder](const std::string& name, const std::string& body) {
    std::FILE* file = std::fopen((folder + "/" + name).c_str(), "w");
    std::fputs(("void mainImage(out vec4 c, in vec2 p) {\n" + body + "\n}\n").c_str(), file);
    std::fclose(file);
    return folder + "/" + name;
  };
  const std::string shader =
      write("edited.glsl",
            "  c = vec4(iMouse.x / iResolution.x, p.x / iResolution.x, fract(iTime), 1.0);");
  const std::vector<std::string> mouse = {"--set", "Mouse X=0.25"};
  HostRun run;
  const host::RgbaImage first = Screenshot(shader, mouse, run);
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  ASSERT_EQ(RunProgram(PACKER_PROGRAM, {shader, "--target", "linux-x86_64"}).exitStatus, 0);
  const std::string reference = folder + "/frame.png";
  ASSERT_EQ(RunHost({"render", folder + "/linux-x86_64/edited.so", "--set", "Mouse X=0.25",
                     "--size", "320x180", "--start", "0.15", "-o", reference})
                .exitStatus,
            0);
  host::RgbaImage frame;
  std::string error;
  ASSERT_TRUE(host::ReadPng(reference, frame, error)) << error;
  EXPECT_LE(ViewportDifference(first, frame), 3);

  // Rewritten at frame 4: the new text, the same mouse value and clock.
  const std::string edit =
      write("edit.glsl", "  c = vec4(iMouse.x / iResolution.x, 0.0, fract(iTime * 4.0), 1.0);");
  const host::RgbaImage edited =
      Screenshot(shader, mouse, run, {"FFGL_HOST_TEST_REBUILD=4:" + edit});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_NE(run.out.find("reloaded " + shader), std::string::npos) << run.out;
  const std::uint8_t* pixel =
      &edited.pixels[(90 * static_cast<std::size_t>(edited.width) + 300) * 4];
  EXPECT_NEAR(pixel[0], 64, 3);   // Mouse X kept at 0.25
  EXPECT_NEAR(pixel[1], 0, 3);    // the new text
  EXPECT_NEAR(pixel[2], 153, 3);  // fract(0.15 s x 4): the clock kept

  // A broken edit: the error at the file's line, the last good picture kept.
  const std::string broken = write("broken.glsl", "  c = vec4(1.0) +;");
  const host::RgbaImage kept =
      Screenshot(shader, mouse, run, {"FFGL_HOST_TEST_REBUILD=4:" + broken});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_NE(
      run.out.find("reload failed, the previous version keeps running: " + shader + ":2: error"),
      std::string::npos)
      << run.out;
  // The file held the edit when this run began.
  EXPECT_EQ(0, std::memcmp(pixel,
                           &kept.pixels[(90 * static_cast<std::size_t>(kept.width) + 300) * 4], 3));
}

TEST_F(Play, PlotsTheTimeOfEachPassOfAnIsfShader) {
  HostRun run;
  Screenshot(TRAIL_SHADER, {}, run);
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_NE(run.out.find("; pass 0 median "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("; pass 1 median "), std::string::npos) << run.out;
}

TEST(PlayWithoutDisplay, FailsAtOnceWithOneLine) {
  const HostRun run = RunHost({"play", ProductPlugin()}, {"DISPLAY=", "WAYLAND_DISPLAY="});
  EXPECT_EQ(run.exitStatus, 5);
  EXPECT_EQ(run.err,
            "ffgl-host play: no display to open a window on (DISPLAY is not set); use 'render' "
            "without one\n");
}

}  // namespace
}  // namespace cli_test
