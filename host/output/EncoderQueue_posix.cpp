#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "host/output/EncoderQueue.h"

namespace cli {

struct EncoderQueue::State {
  struct Item {
    host::RgbaImage frame;
    int index;
  };
  explicit State(FrameSink& target) : sink(target) {}
  void Work();
  void Stop();

  FrameSink& sink;
  std::size_t capacity = 2;
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<Item> queue;
  bool stopping = false;
  int failedIndex = -1;
  std::string failure;
  std::vector<std::thread> workers;
};

EncoderQueue::EncoderQueue(FrameSink& sink, int workers) : state_(new State(sink)) {
  int count = 1;
  if (sink.WritesIndependently()) {
    count = workers > 0 ? workers
                        : std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 8);
  }
  state_->capacity = static_cast<std::size_t>(count) * 2;
  for (int i = 0; i < count; ++i) state_->workers.emplace_back([this] { state_->Work(); });
}

EncoderQueue::~EncoderQueue() { state_->Stop(); }

void EncoderQueue::State::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex);
    stopping = true;
  }
  changed.notify_all();
  for (auto& worker : workers) worker.join();
  workers.clear();
}

bool EncoderQueue::Submit(host::RgbaImage&& frame, int index, std::string& error) {
  State& s = *state_;
  // The first frame is written here, before any other: a folder clears its
  // earlier frames with it.
  if (index == 0) {
    if (s.sink.Write(frame, 0, error)) return true;
    std::lock_guard<std::mutex> lock(s.mutex);
    s.failedIndex = 0;
    s.failure = error;
    return false;
  }
  std::unique_lock<std::mutex> lock(s.mutex);
  s.changed.wait(lock, [&s] { return s.queue.size() < s.capacity || s.failedIndex >= 0; });
  if (s.failedIndex >= 0) {
    error = s.failure;
    return false;
  }
  s.queue.push_back(State::Item{std::move(frame), index});
  lock.unlock();
  s.changed.notify_all();
  return true;
}

void EncoderQueue::State::Work() {
  std::unique_lock<std::mutex> lock(mutex);
  for (;;) {
    changed.wait(lock, [this] { return !queue.empty() || stopping; });
    if (queue.empty()) return;
    Item item = std::move(queue.front());
    queue.pop_front();
    const bool skip = failedIndex >= 0;  // nothing more after a failure
    lock.unlock();
    changed.notify_all();
    std::string error;
    const bool written = skip || sink.Write(item.frame, item.index, error);
    lock.lock();
    if (!written && (failedIndex < 0 || item.index < failedIndex)) {
      failedIndex = item.index;
      failure = error;
    }
    changed.notify_all();
  }
}

bool EncoderQueue::Finish(std::string& error) {
  state_->Stop();
  if (state_->failedIndex >= 0) {
    error = state_->failure;
    return false;
  }
  return state_->sink.Finish(error);
}

}  // namespace cli
