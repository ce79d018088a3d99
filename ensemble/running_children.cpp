#include "ensemble/running_children.h"

#include <sys/wait.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

#include "common/tool_error.h"

namespace raingen::ensemble {

namespace {

volatile std::sig_atomic_t interrupting_signal = 0;
constexpr std::array handled_signals{SIGINT, SIGTERM, SIGHUP, SIGCHLD};  // SIGCHLD: a run ended
std::array<struct sigaction, handled_signals.size()> former_actions;

extern "C" void note_signal(int signal) {
  if (signal != SIGCHLD) interrupting_signal = signal;
}

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
  sigset_t handled;
  sigemptyset(&handled);
  for (int signal : handled_signals) sigaddset(&handled, signal);
  ::pthread_sigmask(SIG_BLOCK, &handled, &mask_before_);
  mask_while_waiting_ = mask_before_;
  for (int signal : handled_signals) sigdelset(&mask_while_waiting_, signal);

  struct sigaction action {};
  action.sa_handler = note_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  for (std::size_t k = 0; k < handled_signals.size(); ++k) {
    ::sigaction(handled_signals[k], nullptr, &former_actions[k]);
    // A signal ignored by whoever started us (nohup) stays ignored, for us and for the runs; but
    // not SIGCHLD, whose being ignored would have the system reap the runs and drop their ends.
    if (former_actions[k].sa_handler != SIG_IGN || handled_signals[k] == SIGCHLD)
      ::sigaction(handled_signals[k], &action, nullptr);
  }
}

InterruptFlag::~InterruptFlag() {
  // Signals held until now reach the flag's handler, not the former one (which might end us).
  ::pthread_sigmask(SIG_SETMASK, &mask_before_, nullptr);
  for (std::size_t k = 0; k < handled_signals.size(); ++k) ::sigaction(handled_signals[k], &former_actions[k], nullptr);
}

bool InterruptFlag::raised() const { return interrupting_signal != 0; }
int InterruptFlag::signal() const { return interrupting_signal; }

ChildEnd InterruptFlag::wait_for_child() const {
  for (;;) {
    if (raised()) return ChildEnd{};
    ChildEnd end;
    end.pid = ::waitpid(-1, &end.status, WNOHANG);
    if (end.pid > 0) return end;
    if (end.pid < 0 && errno != EINTR)
      throw common::ToolError(std::string("cannot wait for a realization: ") + std::strerror(errno));
    // Held signals are let in here only: one that came since the look at the flag, or a run that
    // ended since waitpid looked, ends this at once.
    ::sigsuspend(&mask_while_waiting_);
  }
}

}  // namespace raingen::ensemble
