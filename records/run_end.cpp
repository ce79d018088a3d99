// The ends of a run: the report and stop texts, closing every unit, and the exit status.
#include "records/run_end.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>

#include "records/connections.h"
#include "records/console.h"
#include "records/system_io.h"

namespace records {
namespace {

struct Message {
  int number;
  std::string_view text;
};

constexpr Message messages[] = {
    {error::integer_overflow, "integer overflow"},
    {error::invalid_integer, "invalid integer"},
    {error::real_overflow, "real overflow"},
    {error::invalid_real, "invalid real"},
    {error::single_overflow, "real beyond single precision"},
    {error::text_item_numeric_field, "text item met by a numeric field"},
    {error::real_item_integer_field, "real item met by an integer field"},
    {error::integer_item_real_field, "integer item met by a real field"},
    {error::numeric_item_text_field, "numeric item met by a text field"},
    {error::numeric_item_list_directed, "numeric item in list-directed output"},
    {error::based_second_hash, "second '#' in based integer"},
    {error::based_bad_radix, "radix of based integer outside 2 to 36"},
    {error::file_not_found, "file not found"},
    {error::open_refused, "file cannot be opened"},
    {error::connected_elsewhere, "file already connected to another unit"},
    {error::too_many_connections, "too many files connected"},
    {error::no_file_name, "no file name given: console input ended"},
    {error::unit_out_of_range, "unit number out of range"},
    {error::read_failed, "read failed"},
    {error::end_of_file, "end of file"},
    {error::write_failed, "write failed"},
    {error::close_failed, "close failed"},
    {error::rewind_failed, "rewind failed"},
    {6970, "field list does not begin with '('"},
    {6971, "field list ends before its closing ')'"},
    {6972, "field list has groups nested more than 16 levels"},
    {6973, "unknown item in field list"},
    {6974, "field width expected"},
    {6975, "'.d' expected after the width of an F field"},
    {6976, "field width of zero"},
    {6977, "repeat count of zero"},
    {6978, "',' expected in field list"},
    {6979, "number too large in field list"},
    {6980, "repeat count without an item"},
    {6981, "field list has no field for the item"},
    {6982, "decimals not allowed for this item"},
};

// Numbers of the field-list range that no routine gives yet still get a text.
constexpr int first_field_list_error = 6970;
constexpr int last_field_list_error = 6992;

constexpr Message math_messages[] = {
    {error::math_invalid, "invalid floating-point operation"},
    {error::math_division_by_zero, "floating-point division by zero"},
    {error::math_overflow, "floating-point overflow"},
};

std::string_view context_of(Statement statement) {
  switch (statement) {
    case Statement::read: return ": READ(";
    case Statement::write: return ": WRITE(";
    case Statement::open: return ": OPEN(";
    case Statement::close: return ": CLOSE(";
    case Statement::rewind: return ": REWIND(";
    case Statement::inquire: return ": INQUIRE(";
    case Statement::math: return ": MATH";
  }
  return "";
}

std::string four_digits(int number) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d", number);
  return digits;
}

bool finishing = false;

}  // namespace

std::string_view error_message(int number) {
  for (const Message& m : messages)
    if (m.number == number) return m.text;
  if (number >= first_field_list_error && number <= last_field_list_error)
    return "malformed field list";
  return "";
}

namespace {
std::string_view math_message(int number) {
  for (const Message& m : math_messages)
    if (m.number == number) return m.text;
  return "";
}
}  // namespace

std::string error_report(const RunEnd& end) {
  std::string report = "\r\nrun-time error ";
  report += end.letter;
  report += four_digits(end.number);
  if (end.letter == 'M' || end.statement == Statement::math) {
    report += ": MATH\r\n- ";
    report += math_message(end.number);
    report += "\r\n";
    return report;
  }
  std::string_view message = error_message(end.number);
  report += context_of(end.statement);
  report += end.file_name;
  report += ")\r\n";
  if (!message.empty()) report += "- ";
  report += message;
  report += "\r\n";
  return report;
}

void stop_run() { throw RunEnd{RunEnd::Kind::stop, 'F', 0, Statement::read, ""}; }

void raise_error(int number, Statement statement, std::string_view file_name) {
  throw RunEnd{RunEnd::Kind::error, 'F', number, statement, std::string(file_name)};
}

namespace {

// The report of a failure met while finishing; when the run ends with an error, that error's
// report stays the only one.
void report_late_failure(const RunEnd& end, int number, Statement statement,
                         std::string_view file_name) {
  if (end.kind == RunEnd::Kind::error) return;
  write_all(2, error_report({RunEnd::Kind::error, 'F', number, statement, std::string(file_name)}));
}

}  // namespace

void finish_run(const RunEnd& end) {
  if (finishing) _exit(1);  // a failure while finishing: what could be written is written
  finishing = true;
  bool ok = true;
  bool console_ok = true;
  if (end.kind == RunEnd::Kind::error) {
    write_all(2, error_report(end));
    ok = false;
  } else if (end.kind == RunEnd::Kind::stop) {
    if (console::line_open()) console_ok = write_all(1, "\r\n");
    console_ok = write_all(1, "Stop - Program terminated.\r\n") && console_ok;
    ok = false;
  }
  for (const std::string& name : close_all_units_noting_failures()) {
    report_late_failure(end, error::close_failed, Statement::close, name);
    ok = false;
  }
  if (console::line_open()) console_ok = write_all(1, "\r\n") && console_ok;
  if (!console_ok) {
    report_late_failure(end, error::write_failed, Statement::write, "CON");
    ok = false;
  }
  _exit(ok ? 0 : 1);
}

void run_program(void (*body)()) {
  // A closed standard output must end the run with a report, not kill it silently.
  std::signal(SIGPIPE, SIG_IGN);
  install_float_traps();
  try {
    body();
  } catch (const RunEnd& end) {
    finish_run(end);
  }
  finish_run(RunEnd{});
}

}  // namespace records
