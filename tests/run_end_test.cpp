// The ends of a run: the report layout, the stop text, the exit statuses, the floating-point
// traps, and every record written reaching its file whatever the end.
#include "records/run_end.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <string>

#include "records/connections.h"
#include "records/console.h"
#include "support/child.h"

namespace {

using namespace records;
using testing_support::ChildSetup;
using testing_support::Outcome;
using testing_support::run_in_child;
using testing_support::TempDir;

const std::string stop_text = "Stop - Program terminated.\r\n";

struct ReportCase {
  char letter;
  int number;
  Statement statement;
  const char* file_name;
  const char* report;
};

TEST(ErrorReportTest, LayoutForEachContext) {
  const ReportCase cases[] = {
      {'F', 6501, Statement::read, "INPUT.TXT", "\r\nrun-time error F6501: READ(INPUT.TXT)\r\n- end of file\r\n"},
      {'F', 6510, Statement::write, "SOURCE.OUT", "\r\nrun-time error F6510: WRITE(SOURCE.OUT)\r\n- write failed\r\n"},
      {'F', 6511, Statement::close, "a b", "\r\nrun-time error F6511: CLOSE(a b)\r\n- close failed\r\n"},
      {'F', 6512, Statement::rewind, "X", "\r\nrun-time error F6512: REWIND(X)\r\n- rewind failed\r\n"},
      {'F', 6412, Statement::open, "Z",
       "\r\nrun-time error F6412: OPEN(Z)\r\n- file already connected to another unit\r\n"},
      {'F', 6101, Statement::read, "ABCDF_2.TXT",
       "\r\nrun-time error F6101: READ(ABCDF_2.TXT)\r\n- invalid integer\r\n"},
      {'F', 6970, Statement::write, "R",
       "\r\nrun-time error F6970: WRITE(R)\r\n- field list does not begin with '('\r\n"},
      {'F', 6414, Statement::write, "",
       "\r\nrun-time error F6414: WRITE()\r\n- no file name given: console input ended\r\n"},
      // A number without a text: no "- " before the empty message.
      {'F', 42, Statement::read, "F", "\r\nrun-time error F0042: READ(F)\r\n\r\n"},
      {'M', 6202, Statement::math, "", "\r\nrun-time error M6202: MATH\r\n- floating-point division by zero\r\n"},
      {'M', 6201, Statement::math, "", "\r\nrun-time error M6201: MATH\r\n- invalid floating-point operation\r\n"},
      {'M', 6203, Statement::math, "", "\r\nrun-time error M6203: MATH\r\n- floating-point overflow\r\n"},
  };
  for (const ReportCase& c : cases) {
    RunEnd end;
    end.kind = RunEnd::Kind::error;
    end.letter = c.letter;
    end.number = c.number;
    end.statement = c.statement;
    end.file_name = c.file_name;
    EXPECT_EQ(error_report(end), c.report) << c.number;
  }
}

TEST(ErrorReportTest, EveryNumberHasAText) {
  const int numbers[] = {6100, 6101, 6102, 6103, 6104, 6205, 6206, 6207, 6208, 6209, 6302, 6303,
                         6410, 6411, 6412, 6413, 6414, 6415, 6500, 6501, 6510, 6511, 6512};
  for (int n : numbers) EXPECT_FALSE(error_message(n).empty()) << n;
  for (int n = 6970; n <= 6992; ++n) EXPECT_FALSE(error_message(n).empty()) << n;
  EXPECT_EQ(error_message(6981), "field list has no field for the item");
  EXPECT_EQ(error_message(6969), "");
  EXPECT_EQ(error_message(6993), "");
}

TEST(ErrorReportTest, RaisedEndsCarryTheirParts) {
  try {
    raise_error(6500, Statement::read, "F_2.TXT");
    FAIL();
  } catch (const RunEnd& end) {
    EXPECT_EQ(end.kind, RunEnd::Kind::error);
    EXPECT_EQ(end.letter, 'F');
    EXPECT_EQ(end.number, 6500);
    EXPECT_EQ(end.statement, Statement::read);
    EXPECT_EQ(end.file_name, "F_2.TXT");
  }
  try {
    stop_run();
    FAIL();
  } catch (const RunEnd& end) {
    EXPECT_EQ(end.kind, RunEnd::Kind::stop);
  }
}

// Runs body through run_program in a child in dir.
Outcome run_body(const TempDir& dir, void (*body)()) {
  ChildSetup setup;
  setup.directory = dir.path();
  return run_in_child(setup, [body] {
    console::reset();
    reset_connections();
    run_program(body);
  });
}

TEST(RunEndTest, StopWithoutAConsoleRecord) {
  TempDir dir;
  Outcome o = run_body(dir, [] { stop_run(); });
  EXPECT_EQ(o.exit_status, 1);
  EXPECT_EQ(o.out, stop_text);
  EXPECT_EQ(o.out.size(), 28u);
  EXPECT_EQ(o.err, "");
}

TEST(RunEndTest, StopAfterAConsoleRecordLeavesAnEmptyLine) {
  TempDir dir;
  Outcome o = run_body(dir, [] {
    console::show_record(" INPUT FILE NOT FOUND.");
    stop_run();
  });
  EXPECT_EQ(o.exit_status, 1);
  EXPECT_EQ(o.out, "INPUT FILE NOT FOUND.\r\n" + stop_text + "\r\n");
  EXPECT_EQ(o.err, "");
}

TEST(RunEndTest, NormalEndEndsTheConsoleLine) {
  TempDir dir;
  Outcome o = run_body(dir, [] { console::show_record(" Program is Running, Please wait."); });
  EXPECT_EQ(o.exit_status, 0);
  EXPECT_EQ(o.out, "Program is Running, Please wait.\r\n");
  EXPECT_EQ(o.err, "");

  Outcome quiet = run_body(dir, [] {});
  EXPECT_EQ(quiet.exit_status, 0);
  EXPECT_EQ(quiet.out, "");
}

TEST(RunEndTest, NormalEndWritesWhatIsStillHeld) {
  TempDir dir;
  dir.write("INPUT.TXT", "kept\n");
  Outcome o = run_body(dir, [] {
    connect_unit(500, "INPUT.TXT", Status::unknown, true);
    connect_unit(100, "RESULT.TXT", Status::unknown, true);
    write_record(unit_for_write(100), "held in the buffer");
  });
  EXPECT_EQ(o.exit_status, 0);
  EXPECT_EQ(dir.read("RESULT.TXT"), "held in the buffer\r\n");
  EXPECT_EQ(dir.read("INPUT.TXT"), "kept\n");
}

TEST(RunEndTest, ErrorEndWritesTheReportAndKeepsTheRecords) {
  TempDir dir;
  dir.write("INPUT.TXT", "only record\n");
  Outcome o = run_body(dir, [] {
    console::show_record(" Program is Running, Please wait.");
    connect_unit(100, "RESULT.TXT", Status::unknown, true);
    connect_unit(900, "SOURCE.OUT", Status::unknown, true);
    write_record(unit_for_write(100), "header");
    write_record(unit_for_write(900), "         15     .254");
    connect_unit(500, "INPUT.TXT", Status::unknown, true);
    raise_error(error::end_of_file, Statement::read, "INPUT.TXT");
  });
  EXPECT_EQ(o.exit_status, 1);
  EXPECT_EQ(o.err, "\r\nrun-time error F6501: READ(INPUT.TXT)\r\n- end of file\r\n");
  EXPECT_EQ(o.out, "Program is Running, Please wait.\r\n");
  EXPECT_EQ(dir.read("RESULT.TXT"), "header\r\n");
  EXPECT_EQ(dir.read("SOURCE.OUT"), "         15     .254\r\n");
}

TEST(RunEndTest, StopWritesWhatIsStillHeld) {
  TempDir dir;
  Outcome o = run_body(dir, [] {
    connect_unit(100, "RESULT.TXT", Status::unknown, true);
    write_record(unit_for_write(100), "before the stop");
    stop_run();
  });
  EXPECT_EQ(o.exit_status, 1);
  EXPECT_EQ(o.out, stop_text);
  EXPECT_EQ(dir.read("RESULT.TXT"), "before the stop\r\n");
}

TEST(RunEndTest, FailedCloseAtANormalEndIsReportedAndTheRestClosed) {
  TempDir dir;
  Outcome o = run_body(dir, [] {
    connect_unit(100, "/dev/full", Status::unknown, true);
    connect_unit(900, "SOURCE.OUT", Status::unknown, true);
    write_record(unit_for_write(100), "lost");
    write_record(unit_for_write(900), "kept");
  });
  EXPECT_EQ(o.exit_status, 1);
  EXPECT_EQ(o.err, "\r\nrun-time error F6511: CLOSE(/dev/full)\r\n- close failed\r\n");
  EXPECT_EQ(dir.read("SOURCE.OUT"), "kept\r\n");
}

TEST(RunEndTest, FailedCloseAtAStopFollowsTheStopText) {
  TempDir dir;
  Outcome o = run_body(dir, [] {
    connect_unit(100, "/dev/full", Status::unknown, true);
    write_record(unit_for_write(100), "lost");
    stop_run();
  });
  EXPECT_EQ(o.exit_status, 1);
  EXPECT_EQ(o.out, stop_text);
  EXPECT_EQ(o.err, "\r\nrun-time error F6511: CLOSE(/dev/full)\r\n- close failed\r\n");
}

TEST(RunEndTest, FailedCloseAtAnErrorEndShowsOnlyTheFirstReport) {
  TempDir dir;
  Outcome o = run_body(dir, [] {
    connect_unit(100, "/dev/full", Status::unknown, true);
    write_record(unit_for_write(100), "lost");
    raise_error(error::invalid_real, Statement::read, "INPUT.TXT");
  });
  EXPECT_EQ(o.exit_status, 1);
  EXPECT_EQ(o.err, "\r\nrun-time error F6103: READ(INPUT.TXT)\r\n- invalid real\r\n");
}

TEST(RunEndTest, RecordsOnStandardErrorComeBeforeTheReport) {
  TempDir dir;
  Outcome o = run_body(dir, [] {
    connect_unit(3, "ERR", Status::unknown, true);
    write_record(unit_for_write(3), "note");
    raise_error(error::read_failed, Statement::read, "F");
  });
  EXPECT_EQ(o.err, "note\r\n\r\nrun-time error F6500: READ(F)\r\n- read failed\r\n");
}

void console_becomes_full() {
  int full = ::open("/dev/full", O_WRONLY);
  if (full < 0 || ::dup2(full, 1) < 0) _exit(99);
}

TEST(RunEndTest, ConsoleFailingAtTheEndIsNotAGoodEnd) {
  TempDir dir;
  Outcome normal = run_body(dir, [] {
    console::show_record(" shown");
    console_becomes_full();  // the line end at the end of the run cannot be written
  });
  EXPECT_EQ(normal.exit_status, 1);
  EXPECT_EQ(normal.out, "shown");
  EXPECT_EQ(normal.err, "\r\nrun-time error F6510: WRITE(CON)\r\n- write failed\r\n");

  Outcome stop = run_body(dir, [] {
    console_becomes_full();
    stop_run();
  });
  EXPECT_EQ(stop.exit_status, 1);
  EXPECT_EQ(stop.err, "\r\nrun-time error F6510: WRITE(CON)\r\n- write failed\r\n");
}

volatile double zero = 0.0;
volatile double big = 1e308;

TEST(FloatTrapTest, DivisionByZeroEndsTheRunWithTheMathReport) {
  TempDir dir;
  Outcome o = run_body(dir, [] {
    console::show_record(" Program is Running, Please wait.");
    connect_unit(100, "RESULT.TXT", Status::unknown, true);
    write_record(unit_for_write(100), "row before the fault");
    volatile float quotient = static_cast<float>(1.0 / zero);
    (void)quotient;
    console::show_record(" not reached");
  });
  EXPECT_EQ(o.exit_status, 1);
  EXPECT_EQ(o.signal, 0);
  EXPECT_EQ(o.err, "\r\nrun-time error M6202: MATH\r\n- floating-point division by zero\r\n");
  EXPECT_EQ(o.out, "Program is Running, Please wait.\r\n");
  EXPECT_EQ(dir.read("RESULT.TXT"), "row before the fault\r\n");
}

TEST(FloatTrapTest, InvalidAndOverflow) {
  TempDir dir;
  Outcome invalid = run_body(dir, [] {
    volatile double v = zero / zero;
    (void)v;
  });
  EXPECT_EQ(invalid.exit_status, 1);
  EXPECT_EQ(invalid.err, "\r\nrun-time error M6201: MATH\r\n- invalid floating-point operation\r\n");

  Outcome overflow = run_body(dir, [] {
    volatile double v = big * big;
    (void)v;
  });
  EXPECT_EQ(overflow.exit_status, 1);
  EXPECT_EQ(overflow.err, "\r\nrun-time error M6203: MATH\r\n- floating-point overflow\r\n");

  Outcome narrowing = run_body(dir, [] {
    volatile float v = static_cast<float>(big);  // beyond the float range
    (void)v;
  });
  EXPECT_EQ(narrowing.exit_status, 1);
  EXPECT_EQ(narrowing.err, "\r\nrun-time error M6203: MATH\r\n- floating-point overflow\r\n");
}

// A host that cannot trap would run on with NaN or infinity: the run ends before the body.
TEST(FloatTrapTest, AHostThatCannotTrapEndsAtOnceWithAReport) {
  TempDir dir;
  ChildSetup setup;
  setup.directory = dir.path();
  Outcome o = run_in_child(setup, [] {
    console::reset();
    reset_connections();
    run_program([] { console::show_record(" not reached"); }, [] { return false; });
  });
  EXPECT_EQ(o.exit_status, 1);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err, "\r\nrun-time error M6200: MATH\r\n- floating-point faults cannot be trapped\r\n");
}

TEST(FloatTrapTest, UnderflowAndInexactGoOn) {
  TempDir dir;
  Outcome o = run_body(dir, [] {
    volatile double tiny = 1e-308;
    volatile double v = tiny * 1e-10;
    volatile float f = static_cast<float>(1.0 / 3.0);
    volatile float g = static_cast<float>(static_cast<double>(tiny));
    console::show_record(v >= 0 && f > 0 && g == 0 ? " went on" : " wrong");
  });
  EXPECT_EQ(o.exit_status, 0);
  EXPECT_EQ(o.out, "went on\r\n");
  EXPECT_EQ(o.err, "");
}

}  // namespace
