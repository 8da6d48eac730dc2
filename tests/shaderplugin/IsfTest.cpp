// ISF shaders packed by ffgl-pack and drawn by ffgl-host: inputs become
// parameters whose values reach the program mapped as the header says, a
// transition shows its inputs at the ends of its progress, a vertex
// shader's varying reaches the fragment shader, a version-1 file works,
// passes draw into buffers of their own sizes that keep what they hold
// (beyond 1 where they are float), imported pictures are sampled by name,
// and what cannot become a plugin is refused at its line.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstdio>
#include <fstream>

#include "host/image/PngImage.h"
#include "tests/cli/HostProcess.h"

namespace {

namespace fs = std::filesystem;
using cli_test::RunHost;
using cli_test::RunProgram;
using cli_test::ScratchFolder;

void Write(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// Packs `name`.fs (and `vertex` as `name`.vs when given); the plugin's path.
fs::path Pack(const fs::path& folder, const std::string& name, const std::string& fragment,
              const std::string& vertex = "") {
  Write(folder / (name + ".fs"), fragment);
  if (!vertex.empty()) Write(folder / (name + ".vs"), vertex);
  const auto run = RunProgram(PACKER_PROGRAM, {folder / (name + ".fs"), "--target", "linux-x86_64",
                                               "-o", folder, "--quiet"});
  EXPECT_EQ(0, run.exitStatus) << run.err;
  return folder / "linux-x86_64" / (name + ".so");
}

// The picture of one render (16 x 8); `extra` adds --set and --input words.
host::RgbaImage Render(const fs::path& plugin, std::vector<std::string> extra = {}) {
  const std::string out = (plugin.parent_path() / "frame.png").string();
  std::vector<std::string> words = {"render", plugin, "--size", "16x8", "-o", out};
  words.insert(words.end(), extra.begin(), extra.end());
  const auto run = RunHost(words);
  EXPECT_EQ(0, run.exitStatus) << run.err;
  host::RgbaImage image;
  std::string error;
  EXPECT_TRUE(host::ReadPng(out, image, error)) << error;
  return image;
}

// The last of `frames` frames rendered one after another by one instance.
host::RgbaImage RenderLast(const fs::path& plugin, int frames,
                           std::vector<std::string> extra = {}) {
  const fs::path folder = plugin.parent_path() / "frames";
  std::vector<std::string> words = {"render", plugin, "--size", "16x8", "--frames",
                                    std::to_string(frames), "-o", folder.string() + "/"};
  words.insert(words.end(), extra.begin(), extra.end());
  const auto run = RunHost(words);
  EXPECT_EQ(0, run.exitStatus) << run.err;
  char name[32];
  std::snprintf(name, sizeof name, "frame-%06d.png", frames);
  host::RgbaImage image;
  std::string error;
  EXPECT_TRUE(host::ReadPng((folder / name).string(), image, error)) << error;
  return image;
}

// Channel `c` of pixel (x, y), y counted from the bottom row.
int Channel(const host::RgbaImage& image, int x, int y, int c) {
  if (!image.HasPixels()) return -1;
  return image.pixels[((image.height - 1 - y) * image.width + x) * 4 + c];
}

TEST(Isf, InputsBecomeParametersWhoseValuesReachTheProgram) {
  const fs::path folder = ScratchFolder("isf-inputs");
  const fs::path plugin = Pack(folder, "levels", R"(/*{
  "ISFVSN": "2",
  "DESCRIPTION": "A level and a channel",
  "INPUTS": [
    {"NAME": "level", "LABEL": "Level", "TYPE": "float", "MIN": 2.0, "MAX": 4.0, "DEFAULT": 3.0},
    {"NAME": "channel", "LABEL": "Channel", "TYPE": "long", "VALUES": [0, 1, 2],
     "LABELS": ["Red", "Green", "Blue"], "DEFAULT": 1},
    {"NAME": "tint", "TYPE": "color", "DEFAULT": [0.0, 0.0, 0.0, 1.0]},
    {"NAME": "flash", "TYPE": "event"}
  ]
}*/
void main() {
  float v = (level - 2.0) / 2.0;
  vec3 c = vec3(channel == 0 ? v : 0.0, channel == 1 ? v : 0.0, channel == 2 ? v : 0.0);
  gl_FragColor = vec4(c + tint.rgb * 0.0, 1.0) + (flash ? vec4(1.0) : vec4(0.0));
}
)");
  const auto info = RunHost({"info", plugin, "--json"});
  ASSERT_EQ(0, info.exitStatus) << info.err;
  for (const char* parameter :
       {R"("name": "Level", "type": "standard", "default": 0.5, "display": "3")",
        R"("name": "Channel", "type": "standard", "default": 0.5, "display": "Green")",
        R"("name": "tint R", "type": "red")", R"("name": "tint A", "type": "standard")",
        R"("name": "flash", "type": "event")"}) {
    EXPECT_NE(std::string::npos, info.out.find(parameter)) << parameter << "\n" << info.out;
  }
  // The float at MIN, DEFAULT and MAX, in the channel the long picks.
  EXPECT_NEAR(0, Channel(Render(plugin, {"--set", "Level=0"}), 3, 3, 1), 1);
  EXPECT_NEAR(128, Channel(Render(plugin), 3, 3, 1), 1);
  EXPECT_NEAR(255, Channel(Render(plugin, {"--set", "Level=1"}), 3, 3, 1), 1);
  const host::RgbaImage blue = Render(plugin, {"--set", "Channel=1", "--set", "Level=1"});
  EXPECT_EQ(0, Channel(blue, 3, 3, 1));
  EXPECT_EQ(255, Channel(blue, 3, 3, 2));
  // An event is true for the one frame after it is triggered.
  EXPECT_EQ(255, Channel(Render(plugin, {"--set", "flash=1"}), 3, 3, 0));
  // --set by the inputs' own names takes the shader's values; out of range is refused.
  EXPECT_NEAR(191,
              Channel(Render(plugin, {"--set", "level=3.5", "--set", "channel=Blue"}), 3, 3, 2), 1);
  const auto refused = RunHost({"render", plugin, "--set", "level=5", "-o", folder / "no.png"});
  EXPECT_EQ(2, refused.exitStatus);
  EXPECT_NE(std::string::npos, refused.err.find("shader input 'level' takes 2 to 4, not '5'"))
      << refused.err;
}

TEST(Isf, ATransitionShowsItsInputsAtTheEndsOfItsProgress) {
  const fs::path folder = ScratchFolder("isf-transition");
  const fs::path plugin = Pack(folder, "fade", R"(/*{
  "ISFVSN": "2.0",
  "CATEGORIES": ["Dissolve"],
  "INPUTS": [
    {"NAME": "startImage", "TYPE": "image"},
    {"NAME": "endImage", "TYPE": "image"},
    {"NAME": "progress", "TYPE": "float", "DEFAULT": 0.0}
  ]
}*/
void main() {
  vec4 a = IMG_THIS_PIXEL(startImage);
  vec4 b = IMG_PIXEL(endImage, isf_FragNormCoord * IMG_SIZE(endImage));
  gl_FragColor = mix(a, b, progress);
}
)");
  // Two pictures: a left-to-right ramp in red, and plain blue.
  host::RgbaImage ramp, blue;
  ramp.width = blue.width = 16;
  ramp.height = blue.height = 8;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) {
      const std::uint8_t r[4] = {static_cast<std::uint8_t>(x * 16), 0, 0, 255};
      const std::uint8_t b[4] = {0, 0, 200, 255};
      ramp.pixels.insert(ramp.pixels.end(), r, r + 4);
      blue.pixels.insert(blue.pixels.end(), b, b + 4);
    }
  }
  std::string error;
  ASSERT_TRUE(host::WritePng((folder / "ramp.png").string(), ramp, error)) << error;
  ASSERT_TRUE(host::WritePng((folder / "blue.png").string(), blue, error)) << error;
  const std::vector<std::string> inputs = {"--input", (folder / "ramp.png").string(), "--input",
                                           (folder / "blue.png").string()};
  std::vector<std::string> start = inputs, end = inputs;
  start.insert(start.end(), {"--set", "progress=0"});
  end.insert(end.end(), {"--set", "progress=1"});
  const host::RgbaImage first = Render(plugin, start), last = Render(plugin, end);
  for (int x : {0, 5, 15}) {
    EXPECT_NEAR(x * 16, Channel(first, x, 4, 0), 1) << x;
    EXPECT_EQ(0, Channel(first, x, 4, 2)) << x;
    EXPECT_EQ(0, Channel(last, x, 4, 0)) << x;
    EXPECT_EQ(200, Channel(last, x, 4, 2)) << x;
  }
}

TEST(Isf, AVersionOneVertexShadersVaryingReachesTheFragmentShader) {
  const fs::path folder = ScratchFolder("isf-vertex");
  const fs::path plugin = Pack(folder, "shade", R"(/*{
  "INPUTS": [{"NAME": "spot", "TYPE": "point2D", "DEFAULT": [0.25, 0.5]}]
}*/
varying float shade;
void main() {
  gl_FragColor = vec4(shade, vv_FragNormCoord.y, spot.x / RENDERSIZE.x, 1.0);
}
)",
                               R"(varying float shade;
void main() {
  vv_vertShaderInit();
  shade = 1.0 - vv_FragNormCoord.x;
}
)");
  const host::RgbaImage image = Render(plugin);
  // Pixel centres at x = 0.5 and 15.5 of 16: shade 1 - x / 16.
  EXPECT_NEAR(255 * (1.0 - 0.5 / 16), Channel(image, 0, 0, 0), 1);
  EXPECT_NEAR(255 * (1.0 - 15.5 / 16), Channel(image, 15, 0, 0), 1);
  EXPECT_NEAR(255 * (7.5 / 8), Channel(image, 0, 7, 1), 1);
  EXPECT_NEAR(64, Channel(image, 0, 0, 2), 1);  // the point's default, a quarter across
}

TEST(Isf, WhatCannotBecomeAPluginIsRefusedAtItsLine) {
  const fs::path folder = ScratchFolder("isf-refused");
  const struct {
    const char* name;
    const char* text;
    std::string message;
  } cases[] = {
      {"comma", "/*{\n  \"ISFVSN\": \"2\",\n  \"INPUTS\": [,]\n}*/\nvoid main() {}\n",
       "comma.fs:3:14: error: ISF header: syntax error while parsing value"},
      {"sound",
       "/*{\n  \"INPUTS\": [\n    {\"NAME\": \"level\", \"TYPE\": \"float\"},\n"
       "    {\"NAME\": \"music\", \"TYPE\": \"audioFFT\"}\n  ]\n}*/\nvoid main() {}\n",
       "sound.fs:4: error: input 'music' is of type audioFFT: a FreeFrame GL host gives a "
       "plugin no sound to feed it"},
      {"unknown",
       "/*{ \"INPUTS\": [] }*/\nvoid main() {\n  gl_FragColor = IMG_NORM_PIXEL(other, "
       "vec2(0.5));\n}\n",
       "unknown.fs:3: error: IMG_NORM_PIXEL samples 'other', which is no image input"},
      // Bounds far past an int's once made the packer count forever.
      // (the check that follows is reached) and a span past 256 is refused.
      {"huge",
       "/*{ \"INPUTS\": [{\"NAME\": \"n\", \"TYPE\": \"long\", \"MIN\": 1e20, \"MAX\": 1e20}] "
       "}*/\nvoid main() {\n",
       "huge.fs:2: error: '' :  syntax error, unexpected end of file\n"},
      {"wide",
       "/*{ \"INPUTS\": [{\"NAME\": \"n\", \"TYPE\": \"long\", \"MIN\": -1e20, \"MAX\": 1e20}] "
       "}*/\n",
       "wide.fs:1: error: input 'n' spans more than 256 values"},
      {"mistake", "/*{ \"INPUTS\": [] }*/\nvoid main() {\n  gl_FragColor = vec4(TIME) +;\n}\n",
       "mistake.fs:3: error:"},
      {"size", "/*{\n  \"PASSES\": [\n    {\"TARGET\": \"a\", \"WIDTH\": \"$WIDTH / (2\"},\n    {}\n  ]\n}*/\n",
       "size.fs:3: error: buffer 'a': WIDTH \"$WIDTH / (2\": a '(' is not closed"},
      {"unknownsize", "/*{\"PASSES\": [{\"TARGET\": \"a\", \"HEIGHT\": \"$level * 2\"}, {}]}*/\n",
       "unknownsize.fs:1: error: buffer 'a': HEIGHT \"$level * 2\": '$level' is neither"},
      {"nopicture", "/*{\n  \"IMPORTED\": {\"logo\": {\"PATH\": \"missing.png\"}}\n}*/\n",
       "nopicture.fs:2: error: IMPORTED 'logo' (" + (folder / "missing.png").string() + "): cannot read the picture"},
  };
  for (const auto& c : cases) {
    Write(folder / (std::string(c.name) + ".fs"), c.text);
    const auto run = RunProgram(PACKER_PROGRAM, {folder / (std::string(c.name) + ".fs"), "--target",
                                                 "linux-x86_64", "-o", folder});
    EXPECT_EQ(1, run.exitStatus) << c.name;
    EXPECT_NE(std::string::npos, run.err.find(c.message)) << c.name << ": " << run.err;
  }
  EXPECT_FALSE(fs::exists(folder / "linux-x86_64"));
}

TEST(IsfPasses, AQuarterSizeBlurDrawsItsFirstPassAtTheSizeItsExpressionsGive) {
  const fs::path folder = ScratchFolder("isf-blur");
  const fs::path plugin = Pack(folder, "blur", R"fs(/*{
  "ISFVSN": "2",
  "CATEGORIES": ["Blur"],
  "INPUTS": [{"NAME": "inputImage", "TYPE": "image"}],
  "PASSES": [
    {"TARGET": "quarter", "WIDTH": "floor($WIDTH/4.0)", "HEIGHT": "max(floor($HEIGHT/4.0), 1.0)"},
    {}
  ]
}*/
void main() {
  if (PASSINDEX == 0) {
    // The picture's red, and this pass's size for the test to read.
    gl_FragColor = vec4(IMG_THIS_NORM_PIXEL(inputImage).r, RENDERSIZE / 255.0, 1.0);
  } else {
    vec2 step = 1.0 / IMG_SIZE(quarter);
    vec4 sum = IMG_NORM_PIXEL(quarter, isf_FragNormCoord) * 0.4;
    sum += IMG_NORM_PIXEL(quarter, isf_FragNormCoord + vec2(step.x, 0.0)) * 0.15;
    sum += IMG_NORM_PIXEL(quarter, isf_FragNormCoord - vec2(step.x, 0.0)) * 0.15;
    sum += IMG_NORM_PIXEL(quarter, isf_FragNormCoord + vec2(0.0, step.y)) * 0.15;
    sum += IMG_NORM_PIXEL(quarter, isf_FragNormCoord - vec2(0.0, step.y)) * 0.15;
    gl_FragColor = vec4(sum.rgb, _quarter_imgRect.z == RENDERSIZE.x / 4.0 ? 1.0 : 0.5);
  }
}
)fs");
  host::RgbaImage grey;
  grey.width = 16;
  grey.height = 8;
  grey.pixels.assign(16 * 8 * 4, 100);
  std::string error;
  ASSERT_TRUE(host::WritePng((folder / "grey.png").string(), grey, error)) << error;
  const host::RgbaImage image = Render(plugin, {"--input", (folder / "grey.png").string()});
  for (int x : {0, 7, 15}) {
    EXPECT_NEAR(100, Channel(image, x, 3, 0), 1) << x;  // a flat picture stays flat
    EXPECT_EQ(4, Channel(image, x, 3, 1)) << x;         // 16 / 4 wide
    EXPECT_EQ(2, Channel(image, x, 3, 2)) << x;         // 8 / 4 high
    EXPECT_EQ(255, Channel(image, x, 3, 3)) << x;
  }
  // The host's state is put back after every multi-pass frame.
  const auto validate = RunHost({"validate", plugin});
  EXPECT_EQ(0, validate.exitStatus) << validate.out << validate.err;
}

TEST(IsfPasses, PersistentBuffersKeepWhatTheyHoldFromFrameToFrame) {
  const fs::path folder = ScratchFolder("isf-persistent");
  // Each frame adds 17/255 to what the buffer held, from 0.
  const fs::path plugin = Pack(folder, "accumulate", R"fs(/*{
  "ISFVSN": "2",
  "PASSES": [{"TARGET": "sum", "PERSISTENT": true}, {}]
}*/
void main() {
  vec4 before = IMG_THIS_PIXEL(sum);
  gl_FragColor = PASSINDEX == 0 ? before + vec4(17.0 / 255.0) : vec4(before.rgb, 1.0);
}
)fs");
  EXPECT_EQ(17, Channel(RenderLast(plugin, 1), 5, 5, 0));
  EXPECT_EQ(85, Channel(RenderLast(plugin, 5), 5, 5, 0));

  // Version 1 lists them apart, here with a size of one pixel; the second
  // pass reads that pixel everywhere.
  const fs::path counter = Pack(folder, "counter", R"fs(/*{
  "DESCRIPTION": "Counts frames in a one-pixel buffer",
  "PERSISTENT_BUFFERS": {"count": {"WIDTH": 1, "HEIGHT": "1"}},
  "PASSES": [{"TARGET": "count"}, {}]
}*/
void main() {
  vec4 held = IMG_NORM_PIXEL(count, vec2(0.5));
  if (PASSINDEX == 0) gl_FragColor = held + vec4(17.0 / 255.0);
  else gl_FragColor = vec4(held.r, vv_FragNormCoord.x, 0.0, 1.0);
}
)fs");
  const host::RgbaImage counted = RenderLast(counter, 3);
  EXPECT_EQ(51, Channel(counted, 0, 0, 0));
  EXPECT_EQ(51, Channel(counted, 15, 7, 0));

  // A last pass with a TARGET (feedback.fs of the ISF package) draws into
  // its buffer and shows the same on the output.
  const fs::path only = Pack(folder, "only", R"fs(/*{
  "PERSISTENT_BUFFERS": ["one"],
  "PASSES": [{"TARGET": "one", "WIDTH": "$WIDTH", "HEIGHT": "$HEIGHT"}]
}*/
void main() { gl_FragColor = vec4(IMG_NORM_PIXEL(one, vv_FragNormCoord).rgb + 17.0 / 255.0, 1.0); }
)fs");
  EXPECT_EQ(34, Channel(RenderLast(only, 2), 5, 5, 2));
}

TEST(IsfPasses, AFloatBufferCarriesValuesAboveOne) {
  const fs::path folder = ScratchFolder("isf-float");
  const fs::path plugin = Pack(folder, "float", R"fs(/*{
  "ISFVSN": "2.0",
  "PASSES": [{"TARGET": "wide", "FLOAT": true}, {"TARGET": "narrow"}, {}]
}*/
void main() {
  if (PASSINDEX == 0) gl_FragColor = vec4(3.0);
  else if (PASSINDEX == 1) gl_FragColor = vec4(3.0);
  else gl_FragColor = vec4(IMG_THIS_PIXEL(wide).r / 4.0, IMG_THIS_PIXEL(narrow).r / 4.0, 0.0, 1.0);
}
)fs");
  const host::RgbaImage image = Render(plugin);
  EXPECT_NEAR(191, Channel(image, 8, 4, 0), 1);  // 3 / 4
  EXPECT_NEAR(64, Channel(image, 8, 4, 1), 1);   // clamped to 1, then / 4
}

TEST(IsfPasses, AnImportedPictureIsSampledByName) {
  const fs::path folder = ScratchFolder("isf-imported");
  // 2 x 2, top row first: red, green over blue, white.
  host::RgbaImage picture;
  picture.width = picture.height = 2;
  picture.pixels = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
  std::string error;
  fs::create_directories(folder / "pictures");
  ASSERT_TRUE(host::WritePng((folder / "pictures" / "four.png").string(), picture, error)) << error;
  const fs::path plugin = Pack(folder, "imported", R"fs(/*{
  "ISFVSN": "2",
  "IMPORTED": {"four": {"PATH": "pictures/four.png"}}
}*/
void main() {
  vec4 c = isf_FragNormCoord.x < 0.5 ? IMG_NORM_PIXEL(four, vec2(0.25, 0.25))
                                     : IMG_PIXEL(four, vec2(1.5, 1.5));
  gl_FragColor = _four_imgSize == vec2(2.0) ? c : vec4(0.5);
}
)fs");
  const host::RgbaImage image = Render(plugin);
  const int bottomLeft[3] = {0, 0, 255}, topRight[3] = {0, 255, 0};
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(bottomLeft[c], Channel(image, 2, 2, c)) << c;
    EXPECT_EQ(topRight[c], Channel(image, 13, 5, c)) << c;
  }
}

}  // namespace
