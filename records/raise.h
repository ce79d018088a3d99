// How any routine ends the run: it raises the end by throwing a RunEnd, which run_program
// (run_end.h) catches and carries out. Raising touches no file and no stream.
#pragma once

#include <string>
#include <string_view>

namespace records {

// The kind of statement that failed, which the report names after the error number.
enum class Statement { read, write, open, close, rewind, math };

struct RunEnd {
  // refused: the run ends before it starts, its reason already written by the caller.
  enum class Kind { normal, stop, error, refused };
  Kind kind = Kind::normal;
  char letter = 'F';  // F for a record operation, M for a floating-point fault
  int number = 0;
  Statement statement = Statement::read;
  std::string file_name;
};

// A stop: the stop text, exit status 1.
[[noreturn]] void stop_run();
// A run-time error report for the failed statement on the named file, exit status 1.
[[noreturn]] void raise_error(int number, Statement statement, std::string_view file_name);

}  // namespace records
