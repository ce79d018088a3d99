#include "ensemble/running_children.h"

#include <sys/wait.h>

#include <array>
#include <csignal>

namespace raingen::ensemble {

namespace {

volatile std::sig_atomic_t interrupting_signal = 0;
constexpr std::array handled_signals{SIGINT, SIGTERM, SIGHUP};
std::array<struct sigaction, handled_signals.size()> former_actions;

extern "C" void note_interrupt(int signal) { interrupting_signal = signal; }

}  // namespace

RunningChildren::~RunningChildren() {
  for (const auto& [pid, realization] : running_) ::kill(pid, SIGTERM);
  for (const auto& [pid, realization] : running_) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
}

std::optional<RunningRealization> RunningChildren::take(pid_t pid) {
  const auto found = running_.find(pid);
  if (found == running_.end()) return std::nullopt;
  RunningRealization realization = std::move(found->second);
  running_.erase(found);
  return realization;
}

InterruptFlag::InterruptFlag() {
  interrupting_signal = 0;
  struct sigaction action {};
  action.sa_handler = note_interrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  for (std::size_t k = 0; k < handled_signals.size(); ++k) {
    ::sigaction(handled_signals[k], nullptr, &former_actions[k]);
    // A signal ignored by whoever started us (nohup) stays ignored, for us and for the runs.
    if (former_actions[k].sa_handler != SIG_IGN) ::sigaction(handled_signals[k], &action, nullptr);
  }
}

InterruptFlag::~InterruptFlag() {
  for (std::size_t k = 0; k < handled_signals.size(); ++k) ::sigaction(handled_signals[k], &former_actions[k], nullptr);
}

bool InterruptFlag::raised() const { return interrupting_signal != 0; }
int InterruptFlag::signal() const { return interrupting_signal; }

}  // namespace raingen::ensemble
