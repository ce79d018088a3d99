#include "report/realization_pipeline.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace raingen::report {

namespace {

struct Read {
  long k = 0;
  std::vector<float> depths;
};

// Realizations read and not yet taken, at most `room` of them, and the buffers to read into.
class Handover {
 public:
  explicit Handover(std::size_t room) : room_(room) {}

  // A buffer to read into (one given back, or a new one while fewer than room + workers exist).
  std::vector<float> buffer() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !spare_.empty() || made_ < room_ || failed_; });
    if (spare_.empty()) {
      ++made_;
      return {};
    }
    std::vector<float> b = std::move(spare_.back());
    spare_.pop_back();
    return b;
  }
  // False when a worker has failed: reading stops.
  bool put(Read read) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return ready_.size() < room_ || failed_; });
    if (failed_) return false;
    ready_.push_back(std::move(read));
    changed_.notify_all();
    return true;
  }
  // The next realization read; none when reading has ended and all are taken (or a worker failed).
  bool take(Read& read) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !ready_.empty() || closed_ || failed_; });
    if (failed_ || ready_.empty()) return false;
    read = std::move(ready_.front());
    ready_.pop_front();
    changed_.notify_all();
    return true;
  }
  void give_back(std::vector<float> buffer) {
    std::lock_guard lock(mutex_);
    spare_.push_back(std::move(buffer));
    changed_.notify_all();
  }
  void close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    changed_.notify_all();
  }
  void fail(std::exception_ptr error) {
    std::lock_guard lock(mutex_);
    if (!error_) error_ = error;
    failed_ = true;
    changed_.notify_all();
  }
  std::exception_ptr error() {
    std::lock_guard lock(mutex_);
    return error_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Read> ready_;
  std::vector<std::vector<float>> spare_;
  std::size_t room_, made_ = 0;
  bool closed_ = false, failed_ = false;
  std::exception_ptr error_;
};

}  // namespace

void for_each_realization(const ensemble_file::EnsembleReader& reader, int jobs,
                          const std::function<void(long k, std::span<const float> depths)>& work) {
  const ensemble_file::EnsembleLayout& layout = reader.layout();
  if (jobs <= 1) {
    std::vector<float> depths(layout.intervals);
    for (long k = 0; k < layout.realizations; ++k)
      if (reader.complete(k)) {
        reader.read(k, depths);
        work(k, depths);
      }
    return;
  }
  Handover handover(2 * static_cast<std::size_t>(jobs));
  std::vector<std::jthread> workers;
  for (int w = 0; w < jobs; ++w)
    workers.emplace_back([&] {
      try {
        for (Read read; handover.take(read);) {
          work(read.k, read.depths);
          handover.give_back(std::move(read.depths));
        }
      } catch (...) {
        handover.fail(std::current_exception());
      }
    });
  try {
    for (long k = 0; k < layout.realizations; ++k) {
      if (!reader.complete(k)) continue;
      Read read{k, handover.buffer()};
      read.depths.resize(layout.intervals);
      reader.read(k, read.depths);
      if (!handover.put(std::move(read))) break;
    }
  } catch (...) {
    handover.fail(std::current_exception());
  }
  handover.close();
  workers.clear();  // joins
  if (const std::exception_ptr error = handover.error()) std::rethrow_exception(error);
}

}  // namespace raingen::report
