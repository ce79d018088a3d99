// Carrying out the ends of a run: the report and stop texts, closing every unit, and the exit
// status.
#include "records/run_end.h"

#include <unistd.h>

#include <csignal>
#include <string_view>

#include "records/connections.h"
#include "records/console.h"
#include "records/float_traps.h"
#include "records/system_io.h"

namespace records {
namespace {

// A report formatted in place, without allocating, so that a signal handler can build one. File
// names are at most 259 characters, so the room is never short.
class ReportText {
 public:
  void add(std::string_view text) {
    for (char ch : text)
      if (size_ < sizeof bytes_) bytes_[size_++] = ch;
  }
  void add(char ch) { add(std::string_view(&ch, 1)); }
  // As printf's "%04d".
  void add_number(int number) {
    unsigned magnitude = number < 0 ? 0u - static_cast<unsigned>(number) : static_cast<unsigned>(number);
    char digits[12];
    int n = 0;
    do {
      digits[n++] = static_cast<char>('0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude != 0);
    if (number < 0) add('-');
    for (int pad = (number < 0 ? 3 : 4) - n; pad > 0; --pad) add('0');
    while (n > 0) add(digits[--n]);
  }
  std::string_view view() const { return {bytes_, size_}; }

 private:
  char bytes_[1024];
  std::size_t size_ = 0;
};

std::string_view context_of(Statement statement) {
  switch (statement) {
    case Statement::read: return ": READ(";
    case Statement::write: return ": WRITE(";
    case Statement::open: return ": OPEN(";
    case Statement::close: return ": CLOSE(";
    case Statement::rewind: return ": REWIND(";
    case Statement::math: return ": MATH";
  }
  return "";
}

ReportText format_report(char letter, int number, Statement statement, std::string_view file_name) {
  ReportText report;
  report.add("\r\nrun-time error ");
  report.add(letter);
  report.add_number(number);
  std::string_view message = error_message(number);
  if (letter == 'M' || statement == Statement::math) {
    report.add(": MATH\r\n- ");
    report.add(message);
    report.add("\r\n");
    return report;
  }
  report.add(context_of(statement));
  report.add(file_name);
  report.add(")\r\n");
  if (!message.empty()) report.add("- ");
  report.add(message);
  report.add("\r\n");
  return report;
}

// The one place where a run ends. An error end shows its report, a stop the stop text; then
// every unit is closed, the console's open line ended, and the process exits. A failure met on
// the way is reported unless the end already is an error, whose report stays the only one.
[[noreturn]] void finish(RunEnd::Kind kind, std::string_view report) {
  const bool error_end = kind == RunEnd::Kind::error;
  bool ok = kind == RunEnd::Kind::normal;
  bool console_ok = true;
  if (error_end) {
    write_all(2, report);
  } else if (kind == RunEnd::Kind::stop) {
    if (console::line_open()) console_ok = write_all(1, "\r\n");
    console_ok = write_all(1, "Stop - Program terminated.\r\n") && console_ok;
  }
  const Connection* failed[max_connections];
  const int failures = release_all_units(failed);
  for (int k = 0; k < failures; ++k) {
    if (!error_end) write_all(2, format_report('F', error::close_failed, Statement::close, failed[k]->name).view());
    ok = false;
  }
  if (console::line_open()) console_ok = write_all(1, "\r\n") && console_ok;
  if (!console_ok) {
    if (!error_end) write_all(2, format_report('F', error::write_failed, Statement::write, "CON").view());
    ok = false;
  }
  _exit(ok ? 0 : 1);
}

// The fault is synchronous, raised by the program's own arithmetic, never inside a record
// operation, so the buffers that finish writes out are whole.
void end_by_float_fault(int number) {
  finish(RunEnd::Kind::error, format_report('M', number, Statement::math, "").view());
}

}  // namespace

std::string error_report(const RunEnd& end) {
  return std::string(format_report(end.letter, end.number, end.statement, end.file_name).view());
}

void finish_run(const RunEnd& end) {
  finish(end.kind, format_report(end.letter, end.number, end.statement, end.file_name).view());
}

bool install_float_traps() { return enable_float_traps(end_by_float_fault); }

void run_program(void (*body)(), bool (*install_traps)()) {
  // A closed standard output must end the run with a report, not kill it silently.
  std::signal(SIGPIPE, SIG_IGN);
  if (!install_traps())
    finish(RunEnd::Kind::error, format_report('M', error::math_traps_unavailable, Statement::math, "").view());
  try {
    body();
  } catch (const RunEnd& end) {
    finish_run(end);
  }
  finish(RunEnd::Kind::normal, "");
}

}  // namespace records
