// The console channel: records shown on standard output with carriage control, and lines read
// from standard input through one shared connection.
#include "records/console.h"

#include "records/connection.h"
#include "records/errors.h"
#include "records/raise.h"
#include "records/system_io.h"

namespace records::console {
namespace {

bool shown = false;  // a console record has been shown in this run (the prompt is no record)
bool open = false;   // the last record's line has not been ended

Connection make_input() {
  Connection c;
  c.unit = console_unit;
  c.name = "CON";
  c.fd = 0;
  c.device = Device::console;
  c.access = Access::read_only;
  c.seekable = false;
  return c;
}

// What the carriage-control character does before the rest of the record is shown.
std::string_view control_bytes(char control) {
  switch (control) {
    case '+': return "\r";
    case '0': return shown ? "\r\n\r\n" : "\r\n";
    case '1': return "\r\n\f\r \r";
    default: return shown ? "\r\n" : "";
  }
}

}  // namespace

void write_bytes(std::string_view bytes) {
  if (!write_all(1, bytes)) raise_error(error::write_failed, Statement::write, "CON");
}

void show_record(std::string_view record) {
  if (record.empty()) record = " ";
  std::string bytes(control_bytes(record.front()));
  bytes.append(record.substr(1));
  shown = true;
  open = true;
  write_bytes(bytes);
}

bool line_open() { return open; }

void end_line() {
  if (!open) return;
  open = false;
  write_bytes("\r\n");
}

Connection& input_connection() {
  static Connection input = make_input();  // standard input, for the whole run
  return input;
}

// A line ends at a line feed; a carriage return just before it is not part of the line.
bool read_line(std::string& line, std::size_t max_length) {
  Connection& c = input_connection();
  line.clear();
  bool any = false;
  bool cr_kept = false;  // the last byte was a carriage return that was kept in line
  for (;;) {
    int byte = c.input.holds_byte() ? c.input.byte() : try_fill_input(c);
    if (byte < 0) return any;
    take_byte(c);
    if (byte == '\n') {
      if (cr_kept) line.pop_back();
      return true;
    }
    any = true;
    cr_kept = false;
    if (line.size() < max_length) {
      line.push_back(static_cast<char>(byte));
      cr_kept = byte == '\r';
    }
  }
}

// The prompt is text, not a record: it ends a record's open line, yet neither opens a line nor
// counts as a record shown, so the next record is still the run's first when none came before.
bool prompt_line(std::string_view prompt, std::string& line, std::size_t max_length) {
  end_line();
  write_bytes(prompt);
  return read_line(line, max_length);
}

void reset() {
  shown = false;
  open = false;
  Connection& standard_input = input_connection();
  standard_input.input.discard();
  standard_input.output.clear();
}

}  // namespace records::console
