// Floating-point traps: invalid operations, divisions by zero and overflows stop the program at
// the faulting instruction instead of letting it go on with NaN or infinity.
#pragma once

namespace records {

// What a trap does: it receives the error number of the fault (math_invalid,
// math_division_by_zero or math_overflow) and must not return, since returning would only
// repeat the faulting instruction. It runs in a signal handler.
using FloatFaultAction = void (*)(int number);

// Enables the three traps and routes them to on_fault. False when the host refuses the handler
// or does not trap them all.
bool enable_float_traps(FloatFaultAction on_fault);

}  // namespace records
