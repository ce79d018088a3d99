#include "common/interruption.h"

#include <cstring>

namespace raingen::common {

namespace {

volatile sig_atomic_t noted_signal = 0;

void note_interruption(int signal) { noted_signal = signal; }

}  // namespace

int interruption() { return noted_signal; }

std::string interrupted_message() {
  return "interrupted by signal " + std::to_string(interruption()) + ": no file is written or changed";
}

void stop_if_interrupted() {
  if (noted_signal != 0) throw Interrupted();
}

CaughtInterruptions::CaughtInterruptions() {
  struct sigaction action {};
  action.sa_handler = note_interruption;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a blocking read or open returns with EINTR
  for (int k = 0; k < 3; ++k) {
    struct sigaction earlier {};
    if (::sigaction(caught_signals[k], nullptr, &earlier) != 0 || earlier.sa_handler == SIG_IGN) continue;
    if (::sigaction(caught_signals[k], &action, &earlier_[k]) == 0) installed_[k] = true;
  }
}

CaughtInterruptions::~CaughtInterruptions() {
  for (int k = 0; k < 3; ++k)
    if (installed_[k]) ::sigaction(caught_signals[k], &earlier_[k], nullptr);
}

}  // namespace raingen::common
