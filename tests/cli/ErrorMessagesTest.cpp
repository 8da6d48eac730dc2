// Every mistake ends in one documented line on standard error, naming the
// command, and a non-zero exit status: 1 for what went wrong, 2 for how the
// tool was asked, 3 for a plugin that crashed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "HostProcess.h"

namespace cli_test {
namespace {

// Exactly one line, beginning as given.
void ExpectOneLine(const HostRun& run, int status, const std::string& start) {
  EXPECT_EQ(run.exitStatus, status) << run.err;
  EXPECT_EQ(run.err.rfind(start, 0), 0u) << run.err;
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
}

TEST(ErrorMessages, AFileThatIsNotALibrary) {
  const std::string path = ScratchFolder("text") + "/plugin.so";
  std::ofstream(path) << "not a library\n";
  ExpectOneLine(RunHost({"info", path}), 1, "ffgl-host info: '" + path + "' is not a plugin library");
}

TEST(ErrorMessages, AMissingFile) {
  ExpectOneLine(RunHost({"validate", "/nonexistent/plugin.so"}), 1,
                "ffgl-host validate: cannot open plugin file '/nonexistent/plugin.so'");
}

TEST(ErrorMessages, ALibraryWithoutPlugMain) {
  const HostRun run = RunHost({"info", NoPlugMainLibrary()});
  ExpectOneLine(run, 1, "ffgl-host info: '");
  EXPECT_NE(run.err.find("has no plugMain export: not a FreeFrame plugin"), std::string::npos);
}

TEST(ErrorMessages, APluginRefusingToInstantiate) {
  const HostRun run = RunHost({"render", RefusesInstancesTestPlugin(), "-o",
                               ScratchFolder("refused") + "/frame.png"});
  ExpectOneLine(run, 1, "ffgl-host render: '");
  EXPECT_NE(run.err.find("refuses to create an OpenGL instance at 1280x720"), std::string::npos);
}

TEST(ErrorMessages, ParameterMistakesReadAlikeInRenderAndBench) {
  const std::string known = "(the plugin has: 0 Speed, 1 Distort, 2 Mode)";
  ExpectOneLine(RunHost({"render", ProductPlugin(), "--set", "Sped=1", "-o",
                         ScratchFolder("unknown") + "/frame.png"}),
                2, "ffgl-host render: unknown parameter 'Sped' " + known);
  ExpectOneLine(RunHost({"bench", ProductPlugin(), "--set", "Sped=1"}), 2,
                "ffgl-host bench: unknown parameter 'Sped' " + known);
  ExpectOneLine(RunHost({"bench", ProductPlugin(), "--set", "7=1"}), 2,
                "ffgl-host bench: no parameter has index '7' " + known);
  ExpectOneLine(RunHost({"render", ProductPlugin(), "--set", "Speed=fast", "-o", "x.png"}), 2,
                "ffgl-host render: parameter 'Speed' wants a number, not 'fast'");
  ExpectOneLine(RunHost({"render", ProductPlugin(), "--set", "Speed=1e999", "-o", "x.png"}), 2,
                "ffgl-host render: parameter 'Speed' wants a finite number; '1e999' is out of "
                "range");
}

// A --set is resolved where it is read, before any instance is made: a
// plugin that refuses every instance still gets the usage error.
TEST(ErrorMessages, ABadSettingIsSaidBeforeAnyInstanceIsMade) {
  const std::string folder = ScratchFolder("early-setting");
  ExpectOneLine(RunHost({"render", RefusesInstancesTestPlugin(), "--set", "Level=high", "-o",
                         folder + "/frame.png"}),
                2, "ffgl-host render: parameter 'Level' wants a number, not 'high'");
  ExpectOneLine(RunHost({"bench", RefusesInstancesTestPlugin(), "--set", "Level=high"}), 2,
                "ffgl-host bench: parameter 'Level' wants a number, not 'high'");
  ExpectOneLine(RunHost({"render", "/nonexistent/plugin.so", "--set", "Level", "-o",
                         folder + "/frame.png"}),
                2, "ffgl-host render: --set wants NAME=VALUE or INDEX=VALUE, not 'Level'");
  EXPECT_FALSE(std::ifstream(folder + "/frame.png").good());
}

TEST(ErrorMessages, AnUnreadableImageLeavesNoOutputBehind) {
  const std::string folder = ScratchFolder("image");
  std::ofstream(folder + "/input.png") << "GIF89a, not a png";
  ExpectOneLine(RunHost({"render", ProductPlugin(), "--input", folder + "/input.png", "-o",
                         folder + "/frame.png"}),
                1, "ffgl-host render: cannot read image '" + folder + "/input.png': not a PNG file");
  EXPECT_FALSE(std::ifstream(folder + "/frame.png").good());
}

// Names and texts from files come out escaped: the message stays one line.
TEST(ErrorMessages, ControlBytesInAMessageAreEscaped) {
  const std::string folder = ScratchFolder("control");
  const std::string path = folder + "/two\nlines\x1B[31m.png";
  std::ofstream(path) << "not a picture";
  const HostRun run = RunHost({"render", ProductPlugin(), "--input", path, "-o",
                               folder + "/frame.png"});
  ExpectOneLine(run, 1, "ffgl-host render: cannot read image '");
  EXPECT_NE(run.err.find("two\\x0Alines\\x1B[31m.png': not a PNG file"), std::string::npos)
      << run.err;
}

// Edge values that once overflowed, grew without end or were refused though
// legal: each is now a clean refusal, or works.
TEST(ErrorMessages, EdgeValuesAreRefusedCleanlyOrWork) {
  const std::string folder = ScratchFolder("edges");
  ExpectOneLine(RunHost({"render", WellBehavedTestPlugin(), "--fps", "1e-300", "--frames", "2",
                         "-o", folder + "/slow/"}),
                2, "ffgl-host render: the last frame's time would be beyond 1e9 seconds");
  // Two 8192-pixel rows and the gutter between them are 16386 pixels.
  ExpectOneLine(RunHost({"render", WellBehavedTestPlugin(), "--size", "8x8192", "--frames", "2",
                         "--sheet", "1", "-o", folder + "/sheet.png"}),
                2, "ffgl-host render: the contact sheet would be larger than 16384 pixels");
  ExpectOneLine(RunHost({"bench", WellBehavedTestPlugin(), "--baseline", "/dev/zero"}), 1,
                "ffgl-host bench: cannot read baseline fragment '/dev/zero': larger than 4 MiB");
  // The longest name a file may have (255 bytes) is written.
  const std::string longest = folder + "/" + std::string(251, 'n') + ".png";
  const HostRun run = RunHost({"render", WellBehavedTestPlugin(), "--size", "4x4", "-o", longest});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_TRUE(std::filesystem::exists(longest));
}

TEST(ErrorMessages, NoOpenGLAvailable) {
  // With no EGL vendor to load, the host has no OpenGL at all.
  ExpectOneLine(RunHost({"info", ProductPlugin()},
                        {"__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent/vendor.json"}),
                1, "ffgl-host info: no OpenGL available: ");
}

TEST(ErrorMessages, VideoWithoutFfmpegSaysWhatToDoInstead) {
  const std::string folder = ScratchFolder("video");
  // An empty PATH hides any ffmpeg the machine has.
  ExpectOneLine(RunHost({"render", ProductPlugin(), "-o", folder + "/clip.mp4"},
                        {"PATH=" + folder}),
                1, "ffgl-host render: writing '" + folder + "/clip.mp4' needs ffmpeg, which is not "
                   "installed; write PNGs instead");
}

TEST(ErrorMessages, AnOutputThatCannotBeWrittenSaysWhy) {
  // Names the system refuses (longer than a file name may be; a file where
  // a folder should be), whoever runs the test.
  const std::string folder = ScratchFolder("unwritable");
  const std::string longName = folder + "/" + std::string(300, 'n') + ".png";
  ExpectOneLine(RunHost({"render", ProductPlugin(), "--size", "8x8", "-o", longName}), 1,
                "ffgl-host render: cannot write '" + longName + "': File name too long");
  std::ofstream(folder + "/blocker") << "a file, not a folder";
  const HostRun run = RunHost({"render", ProductPlugin(), "--size", "8x8", "-o",
                               folder + "/blocker/frames/"});
  ExpectOneLine(run, 1, "ffgl-host render: cannot create output folder '" + folder +
                            "/blocker/frames/': Not a directory");
  EXPECT_EQ(std::filesystem::directory_iterator(folder)->path().filename(), "blocker");
}

TEST(ErrorMessages, ACrashingPluginIsNamedWithTheCallItCrashedIn) {
  const std::string folder = ScratchFolder("crash");
  const std::string crash = "the plugin crashed (segmentation fault) in FF_PROCESSOPENGL";
  const HostRun validate = RunHost({"validate", CrashesInFrameTestPlugin()});
  EXPECT_EQ(validate.exitStatus, 1) << validate.err;
  EXPECT_NE(validate.out.find("PASS  input status answered\nFAIL  frames without inputs: " +
                              crash + "\n\n8 of 9 checks passed, 1 failed"),
            std::string::npos)
      << validate.out;
  ExpectOneLine(RunHost({"render", CrashesInFrameTestPlugin(), "-o", folder + "/frame.png"}), 3,
                "ffgl-host render: " + crash);
  EXPECT_TRUE(std::filesystem::is_empty(folder));
  ExpectOneLine(RunHost({"bench", CrashesInFrameTestPlugin(), "--blocks", "1"}), 3,
                "ffgl-host bench: " + crash);
}

TEST(UsageMistakes, ExitWithStatusTwoAndPointToHelp) {
  const std::vector<std::vector<std::string>> mistakes = {
      {"render", ProductPlugin(), "--size", "12x", "-o", "x.png"},
      {"render", ProductPlugin(), "--frames", "0", "-o", "x.png"},
      {"render", ProductPlugin(), "--fps", "-3", "-o", "x.png"},
      {"render", ProductPlugin()},
      {"info", ProductPlugin(), "--colour"},
      {"info"},
      {"bench", ProductPlugin(), "--blocks"},
      {"validate", ProductPlugin(), "--cycles", "many"},
      {"render", ProductPlugin(), "-o", "out.jpg"},
      {"render", ProductPlugin(), "-o", "noext"},
      {"render", ProductPlugin(), "-o", "-"},
      {"render", ProductPlugin(), "--frames", "3", "-o", "one.png"},
      {"render", ProductPlugin(), "--sheet", "2", "-o", "folder/"},
      {"render", ProductPlugin(), "--set", "Speed=nan", "-o", "x.png"},
      {"render", ProductPlugin(), "--set", "Speed", "-o", "x.png"},
      {"render", WellBehavedTestPlugin(), "--input", "a.png", "-o", "x.png"},
      {"render", NeedsInputTestPlugin(), "-o", "x.png"},
  };
  for (const auto& words : mistakes) {
    const HostRun run = RunHost(words);
    EXPECT_EQ(run.exitStatus, 2) << words[0] << " " << words.back() << ": " << run.err;
    EXPECT_NE(run.err.find("(see 'ffgl-host " + words[0] + " --help')"), std::string::npos)
        << run.err;
  }
  EXPECT_NE(RunHost({"render", ProductPlugin(), "--size", "12x", "-o", "x.png"})
                .err.find("--size wants WIDTHxHEIGHT"),
            std::string::npos);
  EXPECT_NE(RunHost({"render", ProductPlugin(), "-o", "out.jpg"})
                .err.find("-o takes a .png file, a folder (a path ending in '/' or an existing "
                          "folder), or a .mp4/.gif/.webm/.mov/.mkv video, not 'out.jpg'"),
            std::string::npos);
  EXPECT_NE(RunHost({"render", NeedsInputTestPlugin(), "-o", "x.png"})
                .err.find("the plugin needs at least 1 input(s)"),
            std::string::npos);
  const HostRun unknown = RunHost({"paint", ProductPlugin()});
  EXPECT_EQ(unknown.exitStatus, 2);
  EXPECT_EQ(unknown.err, "ffgl-host: unknown command 'paint' (see 'ffgl-host --help')\n");
}

TEST(UsageMistakes, EveryCommandHasHelp) {
  for (const std::string command : {"info", "validate", "render", "bench"}) {
    const HostRun run = RunHost({command, "--help"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out.rfind("Usage: ffgl-host " + command, 0), 0u) << run.out;
  }
  EXPECT_EQ(RunHost({"--help"}).exitStatus, 0);
  const HostRun version = RunHost({"--version"});
  EXPECT_EQ(version.exitStatus, 0);
  EXPECT_EQ(version.out.rfind("ffgl-host 1.", 0), 0u) << version.out;
}

}  // namespace
}  // namespace cli_test
