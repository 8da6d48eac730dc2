// Frames handed to a sink on worker threads while the next frame draws, with
// a bounded queue so memory stays bounded. A sink whose frames are separate
// files takes them on several threads at once; any other sink (a video pipe,
// a contact sheet) gets them on one thread, in frame order. Each frame's
// bytes do not depend on the number of threads. Per platform:
// EncoderQueue_posix.cpp (threads), EncoderQueue_win32.cpp (in line: the
// Windows toolchain's C++ library has no std::thread).
#pragma once

#include <memory>
#include <string>

#include "host/output/FrameSink.h"

namespace cli {

class EncoderQueue {
 public:
  // `workers` 0 means one per processor (at most 8).
  explicit EncoderQueue(FrameSink& sink, int workers = 0);
  ~EncoderQueue();  // waits for the frames in hand
  EncoderQueue(const EncoderQueue&) = delete;
  EncoderQueue& operator=(const EncoderQueue&) = delete;

  // Waits while the queue is full. False with the first failure (the one of
  // the earliest frame) once any frame has failed.
  bool Submit(host::RgbaImage&& frame, int index, std::string& error);
  // Every frame written, then the sink finished; false with the first failure.
  bool Finish(std::string& error);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace cli
