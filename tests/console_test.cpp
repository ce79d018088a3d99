// The console channel: carriage control of records shown, the open line, lines read from
// standard input, and a console that cannot be written.
#include "records/console.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "records/connections.h"
#include "records/run_end.h"
#include "support/child.h"

namespace {

using namespace records;
using testing_support::ChildSetup;
using testing_support::run_in_child;

struct ShownCase {
  std::vector<std::string> records;
  std::string shown;  // the bytes on standard output
};

TEST(ConsoleTest, CarriageControl) {
  const ShownCase cases[] = {
      {{" Program is Running, Please wait."}, "Program is Running, Please wait."},
      {{" a", " b"}, "a\r\nb"},
      {{"xabc", "yde"}, "abc\r\nde"},
      {{"0a"}, "\r\na"},
      {{" a", "0b"}, "a\r\n\r\nb"},
      {{"1a"}, "\r\n\f\r \ra"},
      {{" a", "1b"}, "a\r\n\f\r \rb"},
      {{"+a"}, "\ra"},
      {{" abc", "+d"}, "abc\rd"},
      {{""}, ""},
      {{"", ""}, "\r\n"},
      {{" a", ""}, "a\r\n"},
      {{"0"}, "\r\n"},
      {{" ", "  two blanks"}, "\r\n two blanks"},
  };
  for (const ShownCase& c : cases) {
    auto outcome = run_in_child({}, [&] {
      console::reset();
      for (const std::string& record : c.records) console::show_record(record);
    });
    EXPECT_EQ(outcome.exit_status, 0);
    EXPECT_EQ(outcome.out, c.shown) << "first record \"" << c.records.front() << "\"";
  }
}

TEST(ConsoleTest, LineStaysOpenUntilEnded) {
  auto outcome = run_in_child({}, [] {
    console::reset();
    std::string states;
    states += console::line_open() ? '1' : '0';
    console::end_line();  // nothing open: nothing written
    console::show_record(" one");
    states += console::line_open() ? '1' : '0';
    console::end_line();
    states += console::line_open() ? '1' : '0';
    console::end_line();
    console::show_record(" two");  // after an ended line: the record still starts a new line
    console::write_bytes("\r\n\f");
    ::write(2, states.data(), states.size());
  });
  EXPECT_EQ(outcome.err, "010");
  EXPECT_EQ(outcome.out, "one\r\n\r\ntwo\r\n\f");
}

TEST(ConsoleTest, ReadLineKeepsAtMostTheLengthAndDropsTheCarriageReturnBeforeTheLineEnd) {
  ChildSetup setup;
  setup.input = "abc\r\nde\rf\n" + std::string(300, 'x') + "\r\n\nlast";
  auto outcome = run_in_child(setup, [] {
    console::reset();
    std::string line, seen;
    while (console::read_line(line, 260)) seen += "[" + line + "]" + std::to_string(line.size());
    ::write(2, seen.data(), seen.size());
  });
  EXPECT_EQ(outcome.err, "[abc]3[de\rf]4[" + std::string(260, 'x') + "]260[]0[last]4");
}

TEST(ConsoleTest, PromptEndsTheOpenLineAndLeavesNoneOpen) {
  ChildSetup setup;
  setup.input = "answer\n";
  auto outcome = run_in_child(setup, [] {
    console::reset();
    console::show_record(" open");
    std::string line;
    bool read = console::prompt_line("Q? ", line, 260);
    std::string result = (read ? "read " : "none ") + line + (console::line_open() ? " open" : "");
    console::show_record(" next");
    ::write(2, result.data(), result.size());
  });
  EXPECT_EQ(outcome.err, "read answer");
  EXPECT_EQ(outcome.out, "open\r\nQ? \r\nnext");
}

// The prompt is no console record: the record after it is still the run's first.
TEST(ConsoleTest, PromptAsFirstOutputLeavesTheNextRecordTheFirst) {
  auto outcome = run_in_child({}, [] {
    console::reset();
    std::string line;
    bool read = console::prompt_line("Q? ", line, 260);
    console::show_record(read ? " read" : " none");
  });
  EXPECT_EQ(outcome.out, "Q? none");
}

TEST(ConsoleTest, ConsoleThatCannotBeWrittenEndsTheRunWithAReport) {
  auto outcome = run_in_child({}, [] {
    int full = ::open("/dev/full", O_WRONLY);
    if (full < 0 || ::dup2(full, 1) < 0) _exit(99);
    console::reset();
    run_program([] { console::show_record(" lost"); });
  });
  EXPECT_EQ(outcome.exit_status, 1);
  EXPECT_EQ(outcome.err, "\r\nrun-time error F6510: WRITE(CON)\r\n- write failed\r\n");
}

TEST(ConsoleTest, ConsoleUnitWritesWithCarriageControl) {
  auto outcome = run_in_child({}, [] {
    console::reset();
    reset_connections();
    write_record(unit_for_write(console_unit), " first");
    connect_unit(7, "CON", Status::unknown, true);
    write_record(unit_for_write(7), "0second");
  });
  EXPECT_EQ(outcome.out, "first\r\n\r\nsecond");
}

TEST(ConsoleTest, ConsoleReadsShareTheBufferWithThePrompt) {
  ChildSetup setup;
  setup.input = "NUL\nafter the name\n";
  auto outcome = run_in_child(setup, [] {
    console::reset();
    reset_connections();
    if (connect_unit(7, "", Status::unknown, true) != 0) _exit(2);
    Connection& in = unit_for_read(console_unit);
    std::string rest;
    for (int b = peek_byte(in); b != end_of_input; b = peek_byte(in)) {
      take_byte(in);
      rest.push_back(static_cast<char>(b));
    }
    ::write(2, rest.data(), rest.size());
  });
  EXPECT_EQ(outcome.exit_status, 0);
  EXPECT_EQ(outcome.err, "after the name\n");
}

}  // namespace
