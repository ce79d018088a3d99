// The console channel: standard output with carriage control, and standard input for the
// blank-name prompt and reads from the console.
//
// The first character of every console record is carriage control and the record is shown
// without a line end, so a line stays open until the next record, a stop or the end of the run.
#pragma once

#include <string>
#include <string_view>

namespace records {

struct Connection;

namespace console {

// Shows one record: its first character acts as carriage control, the rest is written.
void show_record(std::string_view record);

// True while a record has been shown and its line not yet ended.
bool line_open();

// Ends the open line with CR LF, if there is one; the line is then closed.
void end_line();

// Writes bytes to standard output as they are (no translation of line ends).
void write_bytes(std::string_view bytes);

// Reads one line from standard input, at most max_length characters kept; false when the input
// has ended or cannot be read before any line end.
bool read_line(std::string& line, std::size_t max_length);

// The connection that reads standard input (shared by console reads and the prompt).
Connection& input_connection();

// Ends the open line, writes the prompt as it is and reads one line (as read_line). The prompt
// is no console record: no line is open afterwards (the answer's line end came from the user's
// side), and whether a record has been shown is left as it was.
bool prompt_line(std::string_view prompt, std::string& line, std::size_t max_length);

// Back to the state at program start, for tests.
void reset();

}  // namespace console
}  // namespace records
