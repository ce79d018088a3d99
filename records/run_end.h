// The ends of a run: a normal end, a stop, and a run-time error report.
//
// Any routine raises an end by throwing RunEnd (through stop_run or raise_error); run_program
// catches it and finish_run carries it out: it writes what the end shows, closes every unit so
// that nothing written is lost, and ends the process. A floating-point trap, which cannot throw,
// calls finish_run directly.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace records {

// The kind of statement that failed, which the report names after the error number.
enum class Statement { read, write, open, close, rewind, inquire, math };

// Error numbers. Those of the field lists and conversions follow the record rules; the others
// are this program's own choice (listed in the README).
namespace error {
inline constexpr int integer_overflow = 6100;
inline constexpr int invalid_integer = 6101;
inline constexpr int real_overflow = 6102;
inline constexpr int invalid_real = 6103;
inline constexpr int single_overflow = 6104;
inline constexpr int text_item_numeric_field = 6205;
inline constexpr int real_item_integer_field = 6206;
inline constexpr int integer_item_real_field = 6207;
inline constexpr int numeric_item_text_field = 6208;
inline constexpr int numeric_item_list_directed = 6209;
inline constexpr int based_second_hash = 6302;
inline constexpr int based_bad_radix = 6303;
inline constexpr int file_not_found = 6410;
inline constexpr int open_refused = 6411;
inline constexpr int connected_elsewhere = 6412;
inline constexpr int too_many_connections = 6413;
inline constexpr int no_file_name = 6414;
inline constexpr int unit_out_of_range = 6415;
inline constexpr int read_failed = 6500;
inline constexpr int end_of_file = 6501;
inline constexpr int write_failed = 6510;
inline constexpr int close_failed = 6511;
inline constexpr int rewind_failed = 6512;
// Malformed field lists: 6970 to 6992, see field_list.h.
inline constexpr int math_invalid = 6201;         // letter M
inline constexpr int math_division_by_zero = 6202;  // letter M
inline constexpr int math_overflow = 6203;        // letter M
}  // namespace error

struct RunEnd {
  enum class Kind { normal, stop, error };
  Kind kind = Kind::normal;
  char letter = 'F';  // F for a record operation, M for a floating-point fault
  int number = 0;
  Statement statement = Statement::read;
  std::string file_name;
};

// The fixed message text of an error number ("" when the number has none).
std::string_view error_message(int number);

// The exact bytes of the run-time error report for an error end.
std::string error_report(const RunEnd& end);

// Raised from anywhere; carried out by run_program.
[[noreturn]] void stop_run();
[[noreturn]] void raise_error(int number, Statement statement, std::string_view file_name);

// Carries out an end: report or stop text, close_all_units, the console's open line, exit status
// (0 normal end, 1 stop, 1 error). Never returns.
[[noreturn]] void finish_run(const RunEnd& end);

// Runs the body of the program and carries out however it ends.
[[noreturn]] void run_program(void (*body)());

// Traps invalid operations, divisions by zero and overflows; a trap ends the run with the
// M report.
void install_float_traps();

}  // namespace records
