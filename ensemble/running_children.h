// The realizations whose runs have been started and have not yet been taken in, by process id.
// Whatever way the ensemble ends, none is left running: the destructor stops and reaps them.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <map>
#include <optional>

#include "ensemble/child_process.h"
#include "ensemble/scratch_area.h"

namespace raingen::ensemble {

struct RunningRealization {
  long index = 0;         // from 0
  std::size_t block = 0;  // the block of the realization it runs, from 0
  int seed = 0;           // the run's RAINGEN_SEED
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

// Sets a flag on SIGINT, SIGTERM and SIGHUP for as long as it lives; the former handlers and
// signal mask come back after. A signal that was ignored stays ignored. These signals and SIGCHLD
// are blocked but while waiting for a run to end (wait_for_child): one that comes after a look at
// the flag and before the wait is held, and ends the wait at once instead of being seen only when
// some run ends.
class InterruptFlag {
 public:
  InterruptFlag();
  ~InterruptFlag();
  InterruptFlag(const InterruptFlag&) = delete;
  InterruptFlag& operator=(const InterruptFlag&) = delete;
  bool raised() const;
  int signal() const;

  // Waits until a child ends or the flag is raised: the child's end, or pid -1 when interrupted.
  // Throws ToolError when there is no child to wait for.
  ChildEnd wait_for_child() const;
  // The signal mask of the process before: the runs are started with it, not with ours.
  const sigset_t& mask_for_runs() const { return mask_before_; }

 private:
  sigset_t mask_before_;
  sigset_t mask_while_waiting_;
};

}  // namespace raingen::ensemble
