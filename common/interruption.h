// Ctrl-C and its kin (SIGINT, SIGTERM, SIGHUP) while a tool works: the handler only notes the
// signal; the tool's reads and writes look at the note and stop, and the all-or-nothing writer
// removes what it had written aside. The handlers are installed without SA_RESTART, so that a
// read waiting on a pipe, a terminal or a FIFO's open returns at once with EINTR and is seen to be
// interrupted. A killed tool (SIGKILL, a power cut) cannot clean up: output_file.h says how a
// later run recognises and removes what it left.
#pragma once

#include <signal.h>

#include <string>

#include "common/tool_error.h"

namespace raingen::common {

// The signal that interrupted this process, 0 when none has.
int interruption();

// "interrupted by signal N: no file is written or changed".
std::string interrupted_message();

// What a read or a write throws when it sees the note: a ToolError with interrupted_message().
class Interrupted : public ToolError {
 public:
  Interrupted() : ToolError(interrupted_message()) {}
};

// Throws Interrupted when a signal has interrupted this process.
void stop_if_interrupted();

// Catches SIGINT, SIGTERM and SIGHUP for its lifetime (signals that were ignored when the tool
// started stay ignored, as a shell's background jobs expect); puts the earlier handlers back after.
class CaughtInterruptions {
 public:
  CaughtInterruptions();
  ~CaughtInterruptions();
  CaughtInterruptions(const CaughtInterruptions&) = delete;
  CaughtInterruptions& operator=(const CaughtInterruptions&) = delete;

 private:
  static constexpr int caught_signals[] = {SIGINT, SIGTERM, SIGHUP};
  struct sigaction earlier_[3] = {};
  bool installed_[3] = {};
};

}  // namespace raingen::common
