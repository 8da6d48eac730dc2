// Where rendered frames go, chosen from the output name: one PNG, a contact
// sheet PNG, a folder of numbered PNGs, or a video encoded by ffmpeg.
#pragma once

#include <memory>
#include <string>

#include "host/PngImage.h"

namespace cli {

struct OutputRequest {
  std::string path;
  int frames = 1;
  int width = 0;
  int height = 0;
  double fps = 30.0;
  int sheetColumns = 0;  // > 0: tile every frame into one PNG
};

class FrameSink {
 public:
  virtual ~FrameSink() = default;
  virtual bool Write(const host::RgbaImage& frame, int index, std::string& error) = 0;
  // After the last frame; the output is complete only when this succeeds.
  virtual bool Finish(std::string& error) = 0;
  // Where the frames went, for the closing message.
  virtual std::string Description() const = 0;
};

// Null with a one-line reason (such as ffmpeg missing for a .mp4) when the
// request cannot be served.
std::unique_ptr<FrameSink> MakeFrameSink(const OutputRequest& request, std::string& error);

}  // namespace cli
