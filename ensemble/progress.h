// What the ensemble shows of its progress on standard error: on a terminal a line rewritten as
// realizations end (done/total, rate, time left); in every case one line at the end.
#pragma once

#include <chrono>
#include <ostream>
#include <string>
#include <string_view>

namespace raingen::ensemble {

// "37/1000 realizations, 2 failed, 12.3 per s, 1:18 left" (failures only when there are some;
// rate and time left once a realization has ended); what is counted is named by `counted`.
std::string progress_text(long done, long total, long failed, double seconds,
                          std::string_view counted = "realizations");

// "1000 realizations in 81.4 s (12.3 per s), 2 failed: ensemble.nc"
std::string summary_text(long total, long failed, double seconds, const std::string& output);

// "1:18", "12:05:09"; seconds rounded up.
std::string duration_text(double seconds);

class ProgressLine {
 public:
  ProgressLine(std::ostream& out, bool terminal, long total, std::string counted = "realizations");
  // Shows the progress (on a terminal, at most a few times a second).
  void update(long done, long failed);
  // Clears the line so that a message can be written in its place; the next update redraws it.
  void clear();
  double seconds() const;

 private:
  std::ostream& out_;
  bool terminal_;
  long total_;
  std::string counted_;
  std::chrono::steady_clock::time_point begun_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point shown_{};
  std::size_t width_ = 0;  // of the line on screen
};

}  // namespace raingen::ensemble
