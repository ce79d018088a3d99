// The ends of a run, carried out in one place.
//
// A routine raises an end (raise.h: stop_run, raise_error); run_program catches it and carries
// it out with finish_run: it writes what the end shows, closes every unit so that nothing
// written is lost, and ends the process. A floating-point trap, which cannot throw, has its end
// carried out by finish_run from the signal handler, so finish_run uses only write(2), close(2)
// and _exit(2), with the report formatted in place.
#pragma once

#include <string>

#include "records/errors.h"
#include "records/raise.h"

namespace records {

// The exact bytes of the run-time error report for an error end.
std::string error_report(const RunEnd& end);

// Carries out an end at once: the report or stop text, every unit closed, the console's open
// line ended, the exit status (0 after a normal end, 1 otherwise). Where no run_program is
// around the caller (the start-up check of RAINGEN_SEED), the caller ends the run with it.
[[noreturn]] void finish_run(const RunEnd& end);

// Traps invalid operations, divisions by zero and overflows; a trap ends the run with the M
// report. False when the host cannot trap them.
bool install_float_traps();

// Runs the body of the program and carries out however it ends. The traps are installed first;
// a host that cannot trap ends the run at once with the report M6200.
[[noreturn]] void run_program(void (*body)(), bool (*install_traps)() = install_float_traps);

}  // namespace records
