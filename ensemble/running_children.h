// The realizations whose runs have been started and have not yet been taken in, by process id.
// Whatever way the ensemble ends, none is left running: the destructor stops and reaps them.
#pragma once

#include <sys/types.h>

#include <map>
#include <optional>

#include "ensemble/scratch_area.h"

namespace raingen::ensemble {

struct RunningRealization {
  long index = 0;  // from 0
  int seed = 0;
  RealizationFiles files;
};

class RunningChildren {
 public:
  RunningChildren() = default;
  ~RunningChildren();  // SIGTERM to each, then waits for each
  RunningChildren(const RunningChildren&) = delete;
  RunningChildren& operator=(const RunningChildren&) = delete;

  void add(pid_t pid, RunningRealization realization) { running_.emplace(pid, std::move(realization)); }
  // The realization of a child that ended, taken out; none for a process that is not one of them.
  std::optional<RunningRealization> take(pid_t pid);
  std::size_t size() const { return running_.size(); }
  bool empty() const { return running_.empty(); }

 private:
  std::map<pid_t, RunningRealization> running_;
};

// Sets a flag on SIGINT, SIGTERM and SIGHUP for as long as it lives (without restarting
// interrupted waits, so that the ensemble sees it at once); the former handlers come back after.
// A signal that was ignored stays ignored.
class InterruptFlag {
 public:
  InterruptFlag();
  ~InterruptFlag();
  InterruptFlag(const InterruptFlag&) = delete;
  InterruptFlag& operator=(const InterruptFlag&) = delete;
  bool raised() const;
  int signal() const;
};

}  // namespace raingen::ensemble
