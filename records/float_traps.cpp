#include "records/float_traps.h"

#include <fenv.h>
#include <signal.h>

#include "records/errors.h"

namespace records {
namespace {

constexpr int trapped = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;

FloatFaultAction action = nullptr;

int number_of(int code) {
  switch (code) {
    case FPE_FLTDIV:
    case FPE_INTDIV: return error::math_division_by_zero;
    case FPE_FLTOVF:
    case FPE_INTOVF: return error::math_overflow;
    default: return error::math_invalid;
  }
}

void on_signal(int, siginfo_t* info, void*) { action(number_of(info->si_code)); }

}  // namespace

bool enable_float_traps(FloatFaultAction on_fault) {
  action = on_fault;
  struct sigaction handler {};
  handler.sa_sigaction = on_signal;
  handler.sa_flags = SA_SIGINFO;
  sigemptyset(&handler.sa_mask);
  if (sigaction(SIGFPE, &handler, nullptr) != 0) return false;
  feclearexcept(FE_ALL_EXCEPT);
  if (feenableexcept(trapped) == -1) return false;
  return (fegetexcept() & trapped) == trapped;
}

}  // namespace records
