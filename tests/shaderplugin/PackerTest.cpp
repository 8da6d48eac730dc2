// ffgl-pack as a user runs it: plugins written with nothing but the
// packer's own folder on the PATH, which the host validates; a shader with
// an error writes nothing and is reported at its own line; a file the
// packer did not make is kept; and a template library whose description
// is missing or damaged refuses to load, saying why in one line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "effect/DescriptionFormat.h"
#include "tests/cli/HostProcess.h"

namespace {

namespace fs = std::filesystem;
using cli_test::RunHost;
using cli_test::RunProgram;
using cli_test::ScratchFolder;

std::string Read(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void Write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// The packer with its templates in a folder of their own, as released.
fs::path InstalledPacker(const std::string& name) {
  const fs::path bin = fs::path(ScratchFolder(name)) / "bin";
  fs::create_directories(bin / "templates" / "linux-x86_64");
  fs::copy_file(PACKER_PROGRAM, bin / "ffgl-pack");
  fs::copy_file(LINUX_TEMPLATE, bin / "templates" / "linux-x86_64" / "HelixShaderTemplate.so");
  return bin;
}

TEST(Packer, PacksWithNothingButItsOwnFolderOnThePath) {
  const fs::path bin = InstalledPacker("pack-path");
  const fs::path out = bin.parent_path() / "out";
  const auto run = RunProgram("ffgl-pack", {ORBITS_SHADER, "--target", "linux-x86_64", "-o", out},
                              {"-i", "PATH=" + bin.string()});
  ASSERT_EQ(0, run.exitStatus) << run.err;
  EXPECT_NE(std::string::npos, run.out.find("\"orbits\", ID OR"));
  const fs::path plugin = out / "linux-x86_64" / "orbits.so";
  EXPECT_NE(std::string::npos, run.out.find("wrote " + plugin.string()));
  const auto validate = RunHost({"validate", plugin});
  EXPECT_EQ(0, validate.exitStatus) << validate.out << validate.err;
}

TEST(Packer, AShaderWithAnErrorWritesNothingAndIsReportedAtItsLine) {
  const fs::path folder = ScratchFolder("pack-broken");
  // Line 5, after the define and the header the plugin puts in front.
  Write(folder / "plasma.glsl",
        "// A plasma with a mistake on line 5.\n"
        "void mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
        "  vec2 uv = fragCoord / iResolution.xy;\n"
        "  float v = sin(uv.x * 10.0 + iTime);\n"
        "  fragColor = vec4(v, uv, 1.0) +;\n"
        "}\n");
  // Under its own #version, whose line stays where it was.
  Write(folder / "modern.glsl",
        "// texture() and a mistake on line 4.\n"
        "#version 330 compatibility\n"
        "void mainImage(out vec4 c, in vec2 p) {\n"
        "  c = texture(iChannel2, p) + undeclared;\n"
        "}\n");
  const struct {
    const char* file;
    const char* message;
  } cases[] = {{"plasma.glsl", "plasma.glsl:5: error: '' :  syntax error"},
               {"modern.glsl", "modern.glsl:4: error: 'undeclared' : undeclared identifier"}};
  for (const auto& c : cases) {
    const auto run = RunProgram(PACKER_PROGRAM, {folder / c.file, "--target", "linux-x86_64"});
    EXPECT_EQ(1, run.exitStatus) << c.file;
    EXPECT_NE(std::string::npos, run.err.find(c.message)) << run.err;
  }
  EXPECT_FALSE(fs::exists(folder / "linux-x86_64"));
}

TEST(Packer, KeepsAFileItDidNotMakeUnlessForced) {
  const fs::path out = ScratchFolder("pack-keep");
  const fs::path precious = out / "linux-x86_64" / "orbits.so";
  Write(precious, "the user's own file");
  const std::vector<std::string> pack = {ORBITS_SHADER, "--target", "linux-x86_64", "-o", out};
  const auto kept = RunProgram(PACKER_PROGRAM, pack);
  EXPECT_EQ(1, kept.exitStatus);
  EXPECT_NE(std::string::npos, kept.err.find("is not a plugin ffgl-pack made; kept")) << kept.err;
  EXPECT_EQ("the user's own file", Read(precious));
  std::vector<std::string> forced = pack;
  forced.push_back("--force");
  EXPECT_EQ(0, RunProgram(PACKER_PROGRAM, forced).exitStatus);
  // A plugin it made is replaced without asking.
  EXPECT_EQ(0, RunProgram(PACKER_PROGRAM, pack).exitStatus);
}

TEST(Packer, ADamagedDescriptionIsRefusedWithOneLine) {
  const fs::path folder = ScratchFolder("pack-damaged");
  ASSERT_EQ(0, RunProgram(PACKER_PROGRAM, {ORBITS_SHADER, "--target", "linux-x86_64", "-o",
                                           folder})
                   .exitStatus);
  const std::string good = Read(folder / "linux-x86_64" / "orbits.so");
  const std::string bare = Read(LINUX_TEMPLATE);
  ASSERT_GT(good.size(), bare.size() + 100);
  std::string flipped = good;
  flipped[bare.size() + (good.size() - bare.size()) / 2] ^= 0x40;
  std::string otherVersion = good;
  otherVersion[good.size() - 12] = static_cast<char>(description_format::kVersion + 1);
  const std::string later = "its description is in format version " +
                            std::to_string(description_format::kVersion + 1) +
                            "; this template reads version " +
                            std::to_string(description_format::kVersion);
  const struct {
    const char* name;
    std::string bytes;
    const char* reason;
  } cases[] = {
      {"truncated", good.substr(0, good.size() - 100), "no plugin description is packed into it"},
      {"flipped", flipped, "its description is damaged (checksum mismatch)"},
      {"version", otherVersion, later.c_str()},
      {"template", bare, "no plugin description is packed into it"},
  };
  for (const auto& c : cases) {
    const fs::path plugin = folder / (std::string(c.name) + ".so");
    Write(plugin, c.bytes);
    const auto run = RunHost({"info", plugin});
    EXPECT_EQ(1, run.exitStatus) << c.name;
    const std::string line = "FreeFrame GL plugin " + plugin.string() + ": " + c.reason +
                             "; the plugin refuses to load (make it again with ffgl-pack).\n";
    EXPECT_EQ(0u, run.err.find(line)) << c.name << ": " << run.err;
    EXPECT_EQ(run.err.find("FreeFrame GL plugin"), run.err.rfind("FreeFrame GL plugin"));
  }
}

}  // namespace
