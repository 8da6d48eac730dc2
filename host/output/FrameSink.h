// Where rendered frames go, chosen from the output name: one PNG, a contact
// sheet PNG, a folder of numbered PNGs, or a video encoded by ffmpeg. Every
// file is written under a temporary name and renamed when complete.
#pragma once

#include <memory>
#include <string>

#include "host/image/PngImage.h"

namespace cli {

enum class OutputKind { kPng, kSheet, kFolder, kVideo };

struct OutputRequest {
  std::string path;
  OutputKind kind = OutputKind::kPng;
  int frames = 1;
  int width = 0;
  int height = 0;
  double fps = 30.0;
  int sheetColumns = 0;  // > 0: tile every frame into one PNG
};

// Sets `kind` from the path and the other options: a folder when the path
// ends in a separator or already is a folder, else by extension. False with
// a usage message when the request cannot be served as asked.
bool ClassifyOutput(OutputRequest& request, std::string& error);

class FrameSink {
 public:
  virtual ~FrameSink() = default;
  virtual bool Write(const host::RgbaImage& frame, int index, std::string& error) = 0;
  // After the last frame; the output is complete only when this succeeds.
  virtual bool Finish(std::string& error) = 0;
  // True when frames of different indexes may be written at the same time
  // (each its own file) once the first frame is written.
  virtual bool WritesIndependently() const { return false; }
  // Where the frames went, for the closing message.
  virtual std::string Description() const = 0;
};

// Null with a one-line reason (such as ffmpeg missing for a .mp4, or a
// folder that does not exist) when the request cannot be served.
std::unique_ptr<FrameSink> MakeFrameSink(const OutputRequest& request, std::string& error);

}  // namespace cli
