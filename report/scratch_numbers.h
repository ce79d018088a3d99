// Numbers too many to hold, kept in a file of the temporary folder (TMPDIR) that has no name: made
// and unlinked at once, so that nothing is left behind whatever ends the tool. Written in order,
// read back by position.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace raingen::report {

class ScratchNumbers {
 public:
  ScratchNumbers();  // throws ToolError when no such file can be made
  ~ScratchNumbers();
  ScratchNumbers(const ScratchNumbers&) = delete;
  ScratchNumbers& operator=(const ScratchNumbers&) = delete;

  void append(double value) {
    pending_.push_back(value);
    if (pending_.size() == pending_limit) flush();
  }
  // Numbers at, at + 1, ... (all appended before), into values. Throws ToolError on a failed read.
  void read(std::size_t at, std::span<double> values);
  std::size_t size() const { return written_ + pending_.size(); }

 private:
  static constexpr std::size_t pending_limit = 1 << 16;
  void flush();

  int fd_ = -1;
  std::size_t written_ = 0;
  std::vector<double> pending_;
};

}  // namespace raingen::report
