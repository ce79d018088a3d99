// Running generator routines in a child process inside a test directory, and the standard data
// set the generator tests start from.
#pragma once

#include <functional>
#include <string>

#include "support/child.h"
#include "support/station_data.h"

namespace testing_support {

// Three stations ALFA, BRAV, CHAR with spell tables 0.5, 1.0 and three days each (station s,
// day k: every value s + k/10), and INPUT.TXT from the given settings.
void write_standard_data(const TempDir& dir, const Settings& settings = {});
// The day of the standard data set.
DayValues standard_day(int station, int day);

// Runs body in a child whose working directory is dir, with the generator's state and the
// connections as at program start. A run end that body raises is caught and written to
// "end.txt" as "<kind> <number> <file>"; every unit is closed before the child exits.
Outcome run_routines(const TempDir& dir, const std::function<void()>& body);

// Appends a line to "probe.txt" in the working directory: the child's way to report values.
void probe(const std::string& line);

// The result of a run of build/raingen in dir with RAINGEN_SEED set.
Outcome run_program_in(const TempDir& dir, const std::string& seed = "1");

// The run-time error report that the program writes for a read that fails in the named file.
std::string read_error_report(int number, const std::string& file);

inline const std::string stop_text = "Stop - Program terminated.\r\n";
inline const std::string running_line = "Program is Running, Please wait.";

}  // namespace testing_support
