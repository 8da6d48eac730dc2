// ffgl-pack's command line.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "plugin/FreeFrame.h"

struct PackOptions {
  std::string input;      // a shader file or a folder of them
  std::string outputDir;  // empty: beside the shader
  std::string name, id, fileStem, description, about;
  bool typeGiven = false;
  FFUInt32 type = FF_SOURCE;
  FFUInt32 versionMajor = 1, versionMinor = 0;
  std::vector<std::pair<std::string, float>> parameters;  // speed, mouse x, mouse y
  std::vector<std::string> targets;                       // empty: every target
  std::vector<std::string> templateDirs;
  struct Channel {
    std::string picture;  // a PNG packed for iChannelN; empty: input N or nothing
    bool clamp = false;
    bool nearest = false;
  } channels[4];
  bool keepAlpha = false;  // a source keeps the alpha its shader writes
  bool force = false;
  // The plugin times its passes for ffgl-host play (which packs in memory);
  // no option sets it.
  bool timePasses = false;
  bool quiet = false;
  // One argument and nothing else, as when a file is dropped on the program.
  bool dropped = false;
};

extern const char kPackUsage[];
extern const char* const kPackTargets[3];

// "help" and "version" come back as `action`; false with `error` for a
// mistake in the arguments.
bool ParsePackOptions(const std::vector<std::string>& arguments, PackOptions& options,
                      std::string& action, std::string& error);
