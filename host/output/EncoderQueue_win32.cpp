// Windows: frames are written in line, in order, as they come.
#include "host/output/EncoderQueue.h"

namespace cli {

struct EncoderQueue::State {
  explicit State(FrameSink& target) : sink(target) {}
  FrameSink& sink;
  bool failed = false;
  std::string failure;
};

EncoderQueue::EncoderQueue(FrameSink& sink, int) : state_(new State(sink)) {}
EncoderQueue::~EncoderQueue() = default;

bool EncoderQueue::Submit(host::RgbaImage&& frame, int index, std::string& error) {
  if (state_->failed) {
    error = state_->failure;
    return false;
  }
  if (state_->sink.Write(frame, index, error)) return true;
  state_->failed = true;
  state_->failure = error;
  return false;
}

bool EncoderQueue::Finish(std::string& error) {
  if (state_->failed) {
    error = state_->failure;
    return false;
  }
  return state_->sink.Finish(error);
}

}  // namespace cli
