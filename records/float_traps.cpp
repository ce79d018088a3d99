// Floating-point faults end the run with the M report instead of going on with NaN or infinity.
#include <fenv.h>
#include <signal.h>

#include "records/run_end.h"

namespace records {
namespace {

int number_of(int code) {
  switch (code) {
    case FPE_FLTDIV:
    case FPE_INTDIV: return error::math_division_by_zero;
    case FPE_FLTOVF:
    case FPE_INTOVF: return error::math_overflow;
    default: return error::math_invalid;
  }
}

// The fault is synchronous, raised by the program's own arithmetic, so the run can be finished
// from here; returning would only repeat the faulting instruction.
void on_fault(int, siginfo_t* info, void*) {
  fedisableexcept(FE_ALL_EXCEPT);
  finish_run(RunEnd{RunEnd::Kind::error, 'M', number_of(info->si_code), Statement::math, ""});
}

}  // namespace

void install_float_traps() {
  struct sigaction action {};
  action.sa_sigaction = on_fault;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  sigaction(SIGFPE, &action, nullptr);
  feclearexcept(FE_ALL_EXCEPT);
  feenableexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
}

}  // namespace records
