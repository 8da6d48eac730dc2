// Shaders of our own that write what the site conventions feed them into
// their pixels, packed with ffgl-pack and drawn by ffgl-host: iFrame counts
// frames, iDate is today's local date, iMouse follows the site's signs, a
// packed picture is sampled texel for texel with its size in
// iChannelResolution, backbuffer holds the frame before, the host's time
// drives iTime, and a source is opaque whatever alpha it writes.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#include "host/image/PngImage.h"
#include "tests/cli/HostProcess.h"

namespace {

namespace fs = std::filesystem;
using cli_test::RunHost;
using cli_test::RunProgram;
using cli_test::ScratchFolder;

// Packs `text` (extra packer arguments after it) and gives the plugin's path.
fs::path Pack(const fs::path& folder, const std::string& text,
              std::vector<std::string> arguments = {}) {
  std::ofstream(folder / "shader.glsl", std::ios::binary) << text;
  arguments.insert(arguments.begin(), {(folder / "shader.glsl").string(), "--target",
                                       "linux-x86_64", "-o", folder.string()});
  const auto run = RunProgram(PACKER_PROGRAM, arguments);
  EXPECT_EQ(0, run.exitStatus) << run.err;
  return folder / "linux-x86_64" / "shader.so";
}

// Renders `frames` frames of 4x4 and gives frame `index` (from 1).
std::vector<host::RgbaImage> Render(const fs::path& plugin, int frames,
                                    std::vector<std::string> arguments = {}) {
  const fs::path out = plugin.parent_path() / "frames";
  arguments.insert(arguments.begin(), {"render", plugin.string(), "--size", "4x4", "--frames",
                                       std::to_string(frames), "-o", out.string() + "/"});
  const auto run = RunHost(arguments);
  EXPECT_EQ(0, run.exitStatus) << run.err;
  std::vector<host::RgbaImage> pictures(static_cast<std::size_t>(frames));
  for (int i = 0; i < frames; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06d.png", i + 1);
    std::string error;
    EXPECT_TRUE(host::ReadPng((out / name).string(), pictures[static_cast<std::size_t>(i)], error))
        << error;
  }
  return pictures;
}

// The bottom-left pixel, where gl_FragCoord is (0.5, 0.5); zeros where
// nothing was drawn.
const std::uint8_t* Corner(const host::RgbaImage& picture) {
  static const std::uint8_t kNothing[16] = {};
  if (!picture.HasPixels() || picture.width < 4) return kNothing;
  return &picture.pixels[static_cast<std::size_t>(picture.height - 1) * picture.width * 4];
}

TEST(SiteUniforms, FrameCountDateAndOpaqueAlpha) {
  const fs::path folder = ScratchFolder("site-frame");
  const fs::path plugin = Pack(
      folder,
      "void mainImage(out vec4 c, in vec2 p) {\n"
      "  c = vec4(float(iFrame), iDate.y, iDate.z, iDate.x - 2000.0) / 255.0;\n"
      "  c.a = 0.0;  // a source shows opaque all the same\n"
      "  if (p.x > 1.0) c = vec4(iDate.w / 86400.0, iSampleRate / 44100.0, iResolution.z, 0.0);\n"
      "}\n");
  const std::time_t now = std::time(nullptr);
  const auto pictures = Render(plugin, 4);
  std::tm local{};
  localtime_r(&now, &local);
  for (int i = 0; i < 4; ++i) {
    const std::uint8_t* pixel = Corner(pictures[static_cast<std::size_t>(i)]);
    EXPECT_EQ(i, pixel[0]) << "iFrame at frame " << i;
    EXPECT_EQ(local.tm_mon, pixel[1]) << "iDate.y is the month from 0";
    EXPECT_EQ(local.tm_mday, pixel[2]);
    EXPECT_EQ(255, pixel[3]) << "alpha";
  }
  const std::uint8_t* other = Corner(pictures[0]) + 4;
  EXPECT_NEAR((local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) / 86400.0 * 255.0,
              other[0], 2.0);
  EXPECT_EQ(255, other[1]);
  EXPECT_EQ(255, other[2]);
}

TEST(SiteUniforms, MouseFollowsTheSitesSigns) {
  const fs::path folder = ScratchFolder("site-mouse");
  // Red: z > 0 (down); green: w > 0 (pressed this frame); blue: zw is xy.
  const fs::path plugin = Pack(
      folder,
      "void mainImage(out vec4 c, in vec2 p) {\n"
      "  c = vec4(step(0.0, iMouse.z), step(0.0, iMouse.w),\n"
      "           abs(iMouse.z) == iMouse.x && abs(iMouse.w) == iMouse.y ? 1.0 : 0.0, 1.0);\n"
      "  if (iMouse.z == 0.0) c = vec4(0.0);\n"
      "}\n");
  const auto up = Render(plugin, 1);
  EXPECT_EQ(0, Corner(up[0])[0]) << "no press yet: zw are 0";
  const auto down = Render(plugin, 2, {"--set", "Mouse X=0.25", "--set", "Mouse Button=1"});
  EXPECT_EQ(255, Corner(down[0])[0]);
  EXPECT_EQ(255, Corner(down[0])[1]) << "w is positive on the frame of the press";
  EXPECT_EQ(255, Corner(down[0])[2]);
  EXPECT_EQ(255, Corner(down[1])[0]) << "z stays positive while down";
  EXPECT_EQ(0, Corner(down[1])[1]) << "w is negative after the press's frame";
}

TEST(SiteUniforms, PackedPictureIsSampledWithItsSizeAndTheSourceStaysASource) {
  const fs::path folder = ScratchFolder("site-channel");
  host::RgbaImage picture;
  picture.width = 3;
  picture.height = 2;
  picture.pixels = {10, 20, 30, 255, 40, 50, 60, 255, 70, 80, 90, 255,  // top row
                    11, 21, 31, 255, 41, 51, 61, 255, 71, 81, 91, 255};
  std::string error;
  ASSERT_TRUE(host::WritePng((folder / "texels.png").string(), picture, error)) << error;
  // texture() needs GLSL 1.30, which the packer finds for it.
  const fs::path plugin = Pack(
      folder,
      "void mainImage(out vec4 c, in vec2 p) {\n"
      "  vec2 size = iChannelResolution[2].xy;\n"
      "  c = p.x < 1.0 ? texture(iChannel2, vec2(1.5, 1.5) / size)\n"
      "                : vec4(size, iChannelResolution[3].xy) / 255.0;\n"
      "  if (p.x > 2.0) c = texture(iChannel3, vec2(0.5));\n"
      "}\n",
      {"--channel2", (folder / "texels.png").string(), "--channel2-nearest"});
  const auto info = RunHost({"info", plugin.string()});
  EXPECT_NE(std::string::npos, info.out.find("Type            source")) << info.out;
  const auto pictures = Render(plugin, 1);
  const std::uint8_t* pixel = Corner(pictures[0]);
  EXPECT_EQ(40, pixel[0]) << "the texel at (1, 1) from the bottom: the top row's middle";
  EXPECT_EQ(50, pixel[1]);
  EXPECT_EQ(60, pixel[2]);
  EXPECT_EQ(3, pixel[4]);
  EXPECT_EQ(2, pixel[5]);
  EXPECT_EQ(0, pixel[6]) << "an unfed channel has no size";
  EXPECT_EQ(0, pixel[12]) << "an unfed channel samples black";
}

TEST(SiteUniforms, BackbufferHoldsTheFrameBeforeAndHostTimeDrivesTheClock) {
  const fs::path folder = ScratchFolder("site-backbuffer");
  const fs::path plugin = Pack(
      folder,
      "uniform float time;\n"
      "uniform vec2 resolution;\n"
      "uniform sampler2D backbuffer;\n"
      "void main(void) {\n"
      "  vec4 before = texture2D(backbuffer, gl_FragCoord.xy / resolution);\n"
      "  gl_FragColor = vec4(before.r + 10.0 / 255.0, time / 10.0, 0.0, 1.0);\n"
      "}\n");
  const auto pictures = Render(plugin, 3, {"--start", "2", "--fps", "2"});
  for (int i = 0; i < 3; ++i) {
    const std::uint8_t* pixel = Corner(pictures[static_cast<std::size_t>(i)]);
    EXPECT_EQ(10 * (i + 1), pixel[0]) << "frame " << i;
    EXPECT_NEAR((2.0 + 0.5 * i) / 10.0 * 255.0, pixel[1], 1.0) << "time at frame " << i;
  }
}

}  // namespace
