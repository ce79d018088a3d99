// File connections on real files: cutting at the first write, identity of files, the device
// names, the table's limits, first use, rewinding and closing.
#include "records/connections.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "records/console.h"
#include "records/run_end.h"
#include "support/child.h"

namespace {

using namespace records;
using testing_support::TempDir;

class ConnectionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_connections();
    console::reset();
  }
  void TearDown() override { reset_connections(); }

  std::string path(const std::string& name) const { return (dir / name).string(); }

  TempDir dir;
};

// The end a failing operation raises.
template <typename Operation>
RunEnd raised_by(Operation operation) {
  try {
    operation();
  } catch (const RunEnd& end) {
    return end;
  }
  ADD_FAILURE() << "the operation did not raise an end of the run";
  return {};
}

// One line without its line end (a CR before the LF is kept, as the file holds it).
std::string read_line(int unit) {
  Connection& c = unit_for_read(unit);
  std::string line;
  for (int b = peek_byte(c); b != end_of_input; b = peek_byte(c)) {
    take_byte(c);
    if (b == '\n') break;
    line.push_back(static_cast<char>(b));
  }
  return line;
}

std::string read_rest(int unit) {
  Connection& c = unit_for_read(unit);
  std::string bytes;
  for (int b = peek_byte(c); b != end_of_input; b = peek_byte(c)) {
    take_byte(c);
    bytes.push_back(static_cast<char>(b));
  }
  return bytes;
}

void write_line(int unit, std::string_view record) { write_record(unit_for_write(unit), record); }

TEST_F(ConnectionsTest, LongerFileIsCutToTheRecordsWritten) {
  dir.write("RESULT.TXT", std::string(5000, 'x') + "\r\nold line\r\nand more\r\n");
  ASSERT_EQ(connect_unit(100, path("RESULT.TXT"), Status::unknown, true), 0);
  write_line(100, "first");
  write_line(100, "  second  ");
  write_line(100, "");
  close_unit(100);
  EXPECT_EQ(dir.read("RESULT.TXT"), "first\r\n  second  \r\n\r\n");
}

TEST_F(ConnectionsTest, ExistingFileWithoutWriteKeepsItsBytes) {
  const std::string bytes = "line 1\r\nline 2\nno line end";
  dir.write("A.TXT", bytes);
  dir.write("B.TXT", bytes);
  ASSERT_EQ(connect_unit(11, path("A.TXT"), Status::unknown, true), 0);
  ASSERT_EQ(connect_unit(12, path("B.TXT"), Status::old, true), 0);
  EXPECT_EQ(read_line(12), "line 1\r");
  close_unit(11);
  close_all_units();
  EXPECT_EQ(dir.read("A.TXT"), bytes);
  EXPECT_EQ(dir.read("B.TXT"), bytes);
  EXPECT_EQ(find_unit(11), nullptr);
  EXPECT_EQ(find_unit(12), nullptr);
}

TEST_F(ConnectionsTest, ReadingStartsAtTheFirstLine) {
  dir.write("INPUT.TXT", "one\ntwo\n");
  ASSERT_EQ(connect_unit(500, path("INPUT.TXT"), Status::unknown, true), 0);
  EXPECT_EQ(read_line(500), "one");
  EXPECT_EQ(read_line(500), "two");
  EXPECT_EQ(peek_byte(unit_for_read(500)), end_of_input);
}

TEST_F(ConnectionsTest, NamesAreTrimmedAndCutAfter259Characters) {
  dir.write("A B", "inner blank\n");
  dir.write("SHORT", "short\n");
  ASSERT_EQ(connect_unit(1, "  " + path("A B") + "    ", Status::old, true), 0);
  EXPECT_EQ(find_unit(1)->name, path("A B"));
  EXPECT_EQ(read_line(1), "inner blank");

  std::string padded = path("SHORT");
  ASSERT_LT(padded.size(), max_name_length);
  padded.resize(max_name_length, ' ');
  ASSERT_EQ(connect_unit(2, padded + "IGNORED", Status::old, true), 0);
  EXPECT_EQ(read_line(2), "short");
  EXPECT_EQ(trim_name("   "), "");
  EXPECT_EQ(trim_name(std::string(300, 'n')).size(), max_name_length);
}

TEST_F(ConnectionsTest, OneFileUnderTwoNamesIsRefusedOnASecondUnit) {
  dir.write("X", "x\n");
  ASSERT_EQ(::link(path("X").c_str(), path("LINK").c_str()), 0);
  ASSERT_EQ(connect_unit(100, path("X"), Status::unknown, true), 0);
  EXPECT_EQ(connect_unit(900, (dir.path() / "." / "X").string(), Status::unknown, true), error::connected_elsewhere);
  EXPECT_EQ(connect_unit(900, path("LINK"), Status::unknown, true), error::connected_elsewhere);
  EXPECT_EQ(find_unit(900), nullptr);

  RunEnd end = raised_by([&] { connect_unit(900, path("LINK"), Status::unknown, false); });
  EXPECT_EQ(end.kind, RunEnd::Kind::error);
  EXPECT_EQ(end.number, error::connected_elsewhere);
  EXPECT_EQ(end.statement, Statement::open);
  EXPECT_EQ(end.file_name, path("LINK"));
}

TEST_F(ConnectionsTest, SameUnitAndSameFileKeepsThePosition) {
  dir.write("F.TXT", "first\nsecond\nthird\n");
  ASSERT_EQ(connect_unit(11, path("F.TXT"), Status::unknown, true), 0);
  EXPECT_EQ(read_line(11), "first");
  ASSERT_EQ(connect_unit(11, (dir.path() / "." / "F.TXT").string(), Status::old, true), 0);
  EXPECT_EQ(read_line(11), "second");
  EXPECT_EQ(find_unit(11)->name, path("F.TXT"));
}

TEST_F(ConnectionsTest, SameUnitOnAnotherFileClosesTheFirst) {
  ASSERT_EQ(connect_unit(100, path("A.TXT"), Status::unknown, true), 0);
  write_line(100, "kept");
  ASSERT_EQ(connect_unit(100, path("B.TXT"), Status::unknown, true), 0);
  EXPECT_EQ(dir.read("A.TXT"), "kept\r\n");
  EXPECT_EQ(find_unit(100)->name, path("B.TXT"));
  // A is free again for another unit.
  EXPECT_EQ(connect_unit(900, path("A.TXT"), Status::unknown, true), 0);
}

TEST_F(ConnectionsTest, StatusOldNeedsTheFileAndUnknownCreatesIt) {
  EXPECT_EQ(connect_unit(11, path("MISSING"), Status::old, true), error::file_not_found);
  EXPECT_FALSE(dir.exists("MISSING"));
  EXPECT_EQ(connect_unit(11, path("NO_DIR/X"), Status::unknown, true), error::file_not_found);

  ASSERT_EQ(connect_unit(11, path("NEW"), Status::unknown, true), 0);
  EXPECT_TRUE(dir.exists("NEW"));
  EXPECT_TRUE(find_unit(11)->write_mode);
  EXPECT_EQ(find_unit(11)->access, Access::read_write);
  close_unit(11);
  EXPECT_EQ(dir.read("NEW"), "");

  dir.write("OLD", "old\n");
  ASSERT_EQ(connect_unit(12, path("OLD"), Status::unknown, true), 0);
  EXPECT_FALSE(find_unit(12)->write_mode);
}

TEST_F(ConnectionsTest, DirectoryIsRefused) {
  std::filesystem::create_directory(dir / "SUB");
  EXPECT_EQ(connect_unit(11, path("SUB"), Status::unknown, true), error::open_refused);
  EXPECT_EQ(connect_unit(11, path("SUB"), Status::old, true), error::open_refused);
  EXPECT_EQ(find_unit(11), nullptr);
  RunEnd end = raised_by([&] { connect_unit(11, path("SUB"), Status::old, false); });
  EXPECT_EQ(end.number, error::open_refused);
  EXPECT_EQ(end.file_name, path("SUB"));
}

TEST_F(ConnectionsTest, UnitRange) {
  EXPECT_EQ(connect_unit(highest_unit, "NUL", Status::unknown, true), 0);
  EXPECT_EQ(connect_unit(lowest_unit, "NUL", Status::unknown, true), 0);
  EXPECT_EQ(connect_unit(0, "NUL", Status::unknown, true), 0);
  EXPECT_NE(connect_unit(highest_unit + 1, path("A"), Status::unknown, true), 0);
  EXPECT_NE(connect_unit(lowest_unit - 1, path("A"), Status::unknown, true), 0);
  EXPECT_NE(connect_unit(console_unit, path("A"), Status::unknown, true), 0);
  EXPECT_FALSE(dir.exists("A"));
  RunEnd end = raised_by([&] { connect_unit(40000, path("A"), Status::unknown, false); });
  EXPECT_EQ(end.number, error::unit_out_of_range);
  EXPECT_EQ(end.statement, Statement::open);
  EXPECT_FALSE(dir.exists("A"));
}

TEST_F(ConnectionsTest, SixtyOnePlacesAtMost) {
  for (int unit = 1; unit <= max_connections; ++unit) {
    std::string name = "F";
    name += std::to_string(unit);
    ASSERT_EQ(connect_unit(unit, path(name), Status::unknown, true), 0);
  }
  EXPECT_EQ(connect_unit(62, path("F62"), Status::unknown, true), error::too_many_connections);
  EXPECT_FALSE(dir.exists("F62"));
  EXPECT_EQ(connect_unit(62, "NUL", Status::unknown, true), error::too_many_connections);
  // Reconnecting a unit of the table to another file needs no new place.
  EXPECT_EQ(connect_unit(5, path("F62"), Status::unknown, true), 0);
  close_unit(7);
  EXPECT_EQ(connect_unit(62, "NUL", Status::unknown, true), 0);
}

TEST_F(ConnectionsTest, NullDeviceReadsNothingDropsWritesAndServesManyUnits) {
  ASSERT_EQ(connect_unit(1, "NUL", Status::old, true), 0);
  ASSERT_EQ(connect_unit(2, "nul.txt", Status::unknown, true), 0);
  ASSERT_EQ(connect_unit(3, " Nul ", Status::unknown, true), 0);
  EXPECT_EQ(find_unit(2)->device, Device::null);
  write_line(1, "dropped");
  EXPECT_EQ(peek_byte(unit_for_read(1)), end_of_input);
  close_all_units();
}

TEST_F(ConnectionsTest, DevicesOfThisHost) {
  ASSERT_EQ(connect_unit(1, "con", Status::old, true), 0);
  EXPECT_EQ(find_unit(1)->device, Device::console);
  EXPECT_EQ(&unit_for_read(1), &console::input_connection());
  ASSERT_EQ(connect_unit(1, "CON.DAT", Status::old, true), 0);  // the same device: unchanged
  EXPECT_EQ(find_unit(1)->name, "con");
  EXPECT_EQ(connect_unit(2, "USER", Status::old, true), error::connected_elsewhere);
  ASSERT_EQ(connect_unit(3, "err", Status::old, true), 0);
  EXPECT_EQ(find_unit(3)->device, Device::error_stream);
  EXPECT_EQ(find_unit(3)->fd, 2);
  EXPECT_EQ(connect_unit(4, "ERR", Status::old, true), error::connected_elsewhere);
  for (const char* absent : {"AUX", "aux.x", "COM1", "COM4.TXT", "LINE", "PRN", "LPT1", "lpt4"})
    EXPECT_EQ(connect_unit(5, absent, Status::unknown, true), error::open_refused) << absent;
  close_unit(3);  // standard error stays open
  EXPECT_NE(::fcntl(2, F_GETFD), -1);
}

TEST_F(ConnectionsTest, ExtensionTurnsSomeDeviceNamesIntoFiles) {
  // Relative names, so the test runs in the directory of the files.
  testing_support::ChildSetup setup;
  setup.directory = dir.path();
  auto outcome = testing_support::run_in_child(setup, [] {
    for (const char* name : {"USER.TXT", "ERR.LOG", "LINE.DAT", "user.", "a.CON"}) {
      if (connect_unit(1, name, Status::unknown, true) != 0) _exit(2);
      if (find_unit(1)->device != Device::file) _exit(3);
      write_record(unit_for_write(1), name);
    }
    close_all_units();
  });
  EXPECT_EQ(outcome.exit_status, 0);
  EXPECT_EQ(dir.read("USER.TXT"), "USER.TXT\r\n");
  EXPECT_EQ(dir.read("ERR.LOG"), "ERR.LOG\r\n");
  EXPECT_EQ(dir.read("LINE.DAT"), "LINE.DAT\r\n");
  EXPECT_EQ(dir.read("user."), "user.\r\n");
  EXPECT_EQ(dir.read("a.CON"), "a.CON\r\n");
}

TEST_F(ConnectionsTest, ErrorStreamGetsEachRecordAtOnce) {
  auto outcome = testing_support::run_in_child({}, [] {
    connect_unit(3, "ERR", Status::unknown, true);
    write_record(unit_for_write(3), "to standard error");
    write_record(unit_for_write(3), "+no carriage control");
    ::write(1, "after", 5);
  });
  EXPECT_EQ(outcome.exit_status, 0);
  EXPECT_EQ(outcome.err, "to standard error\r\n+no carriage control\r\n");
  EXPECT_EQ(outcome.out, "after");
}

TEST_F(ConnectionsTest, FileExists) {
  std::filesystem::create_directory(dir / "SUB");
  dir.write("F", "");
  EXPECT_TRUE(file_exists(path("SUB")));
  EXPECT_TRUE(file_exists("  " + path("F") + "  "));
  EXPECT_FALSE(file_exists(path("G")));
  EXPECT_TRUE(file_exists("NUL"));
  EXPECT_TRUE(file_exists("con.txt"));
  EXPECT_TRUE(file_exists("LPT2"));
  EXPECT_FALSE(file_exists(""));
  EXPECT_FALSE(file_exists("     "));
  EXPECT_FALSE(dir.exists("G"));
  // A connected name counts even when its directory entry has gone.
  ASSERT_EQ(connect_unit(100, path("GONE"), Status::unknown, true), 0);
  std::filesystem::remove(dir / "GONE");
  EXPECT_TRUE(file_exists(path("GONE")));
}

TEST_F(ConnectionsTest, RewindAfterReadingFiveLinesReadsTheFirstAgain) {
  dir.write("F.TXT", "1\n2\n3\n4\n5\n6\n");
  ASSERT_EQ(connect_unit(11, path("F.TXT"), Status::old, true), 0);
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(read_line(11), std::to_string(i));
  rewind_unit(11);
  EXPECT_EQ(read_line(11), "1");
  rewind_unit(99);  // not connected: nothing happens
  EXPECT_EQ(find_unit(99), nullptr);
}

TEST_F(ConnectionsTest, ReadAfterWriteAndWriteAfterRead) {
  ASSERT_EQ(connect_unit(100, path("F.TXT"), Status::unknown, true), 0);
  write_line(100, "a");
  write_line(100, "b");
  rewind_unit(100);
  EXPECT_EQ(read_line(100), "a\r");
  // Writing after a read cuts the file where the read stopped, not where the system read ahead.
  write_line(100, "c");
  close_unit(100);
  EXPECT_EQ(dir.read("F.TXT"), "a\r\nc\r\n");

  dir.write("G.TXT", "old 1\nold 2\nold 3\n");
  ASSERT_EQ(connect_unit(11, path("G.TXT"), Status::unknown, true), 0);
  EXPECT_EQ(read_line(11), "old 1");
  write_line(11, "new 2");
  EXPECT_EQ(read_rest(11), "");  // the read after the write gives the record to the file
  EXPECT_EQ(dir.read("G.TXT"), "old 1\nnew 2\r\n");
}

TEST_F(ConnectionsTest, OutputBeyondOneBufferArrivesWhole) {
  ASSERT_EQ(connect_unit(900, path("BIG"), Status::unknown, true), 0);
  std::string expected;
  for (int i = 0; i < 3000; ++i) {
    std::string record = std::to_string(i);
    record.append(40, '.');
    write_line(900, record);
    expected += record + "\r\n";
  }
  EXPECT_GT(expected.size(), 2u * 65536u);
  EXPECT_LT(std::filesystem::file_size(dir / "BIG"), expected.size());  // some still held
  close_unit(900);
  EXPECT_EQ(dir.read("BIG"), expected);
}

TEST_F(ConnectionsTest, FirstUseTakesTheArgumentsInOrder) {
  dir.write("IN.TXT", "input\n");
  std::string program = "raingen", out = "  " + path("OUT.TXT") + " ", in = path("IN.TXT");
  std::string missing = path("NONE");
  char* argv[] = {program.data(), out.data(), in.data(), missing.data()};
  set_command_line(4, argv);
  write_line(100, "written");
  EXPECT_EQ(find_unit(100)->name, path("OUT.TXT"));
  EXPECT_EQ(read_line(11), "input");
  RunEnd end = raised_by([] { unit_for_read(12); });
  EXPECT_EQ(end.number, error::file_not_found);
  EXPECT_EQ(end.statement, Statement::read);
  EXPECT_EQ(end.file_name, path("NONE"));
  close_unit(100);
  EXPECT_EQ(dir.read("OUT.TXT"), "written\r\n");
}

TEST_F(ConnectionsTest, FirstUseFailuresNameTheStatement) {
  std::filesystem::create_directory(dir / "SUB");
  std::string program = "raingen", sub = path("SUB");
  char* argv[] = {program.data(), sub.data()};
  set_command_line(2, argv);
  RunEnd end = raised_by([] { unit_for_write(100); });
  EXPECT_EQ(end.number, error::open_refused);
  EXPECT_EQ(end.statement, Statement::write);
  EXPECT_EQ(end.file_name, path("SUB"));
  EXPECT_EQ(find_unit(100), nullptr);
}

TEST_F(ConnectionsTest, CloseFailureFreesThePlace) {
  ASSERT_EQ(connect_unit(100, "/dev/full", Status::unknown, true), 0);
  write_line(100, "cannot be written");
  RunEnd end = raised_by([] { close_unit(100); });
  EXPECT_EQ(end.number, error::close_failed);
  EXPECT_EQ(end.statement, Statement::close);
  EXPECT_EQ(end.file_name, "/dev/full");
  EXPECT_EQ(find_unit(100), nullptr);
}

TEST_F(ConnectionsTest, RewindFailure) {
  ASSERT_EQ(connect_unit(100, "/dev/full", Status::unknown, true), 0);
  write_line(100, "cannot be written");
  RunEnd end = raised_by([] { rewind_unit(100); });
  EXPECT_EQ(end.number, error::rewind_failed);
  EXPECT_EQ(end.statement, Statement::rewind);
}

TEST_F(ConnectionsTest, FullBufferThatCannotBeWrittenIsAWriteFailure) {
  ASSERT_EQ(connect_unit(100, "/dev/full", Status::unknown, true), 0);
  RunEnd end = raised_by([] {
    for (int i = 0; i < 10000; ++i) write_line(100, std::string(50, 'w'));
  });
  EXPECT_EQ(end.number, error::write_failed);
  EXPECT_EQ(end.statement, Statement::write);
  EXPECT_EQ(end.file_name, "/dev/full");
}

TEST_F(ConnectionsTest, FifoWithoutWriterDoesNotHang) {
  ASSERT_EQ(::mkfifo(path("PIPE").c_str(), 0666), 0);
  ASSERT_EQ(connect_unit(11, path("PIPE"), Status::old, true), 0);
  EXPECT_FALSE(find_unit(11)->seekable);
  close_unit(11);
}

// Permission refusals need a user whom the system refuses: as root the child becomes nobody,
// which must reach the file with the access it is meant to have (F_OK: only find it). When it
// cannot, the test skips.
testing_support::UnprivilegedOutcome run_refused(const TempDir& dir, const std::string& file, int mode,
                                                 const std::function<void()>& body) {
  std::filesystem::permissions(dir.path(), std::filesystem::perms(0755));
  return testing_support::run_unprivileged({}, {{dir.path(), X_OK}, {file, mode}}, body);
}

TEST_F(ConnectionsTest, ReadOnlyFileIsConnectedForReadingOnly) {
  dir.write("RO.TXT", "read only\n");
  std::filesystem::permissions(dir / "RO.TXT", std::filesystem::perms(0444));
  std::string name = path("RO.TXT");
  auto run = run_refused(dir, name, R_OK, [&] {
    if (connect_unit(11, name, Status::unknown, true) != 0) _exit(2);
    if (find_unit(11)->access != Access::read_only) _exit(3);
    std::string line = read_line(11);
    ::write(1, line.data(), line.size());
    // Writing would cut the file, which this connection cannot do.
    RunEnd end = raised_by([] { write_line(11, "x"); });
    if (end.number != error::write_failed) _exit(4);
  });
  if (!run.cannot_set_up.empty()) GTEST_SKIP() << run.cannot_set_up;
  const auto& outcome = run.outcome;
  EXPECT_EQ(outcome.exit_status, 0);
  EXPECT_EQ(outcome.out, "read only");
  EXPECT_EQ(dir.read("RO.TXT"), "read only\n");
}

TEST_F(ConnectionsTest, WriteOnlyFileIsConnectedForWritingAndCannotBeRead) {
  dir.write("WO.TXT", "old content\n");
  std::filesystem::permissions(dir / "WO.TXT", std::filesystem::perms(0222));
  std::string name = path("WO.TXT");
  auto run = run_refused(dir, name, W_OK, [&] {
    if (connect_unit(11, name, Status::old, true) != 0) _exit(2);
    if (find_unit(11)->access != Access::write_only) _exit(3);
    RunEnd end = raised_by([] { peek_byte(unit_for_read(11)); });
    if (end.number != error::read_failed || end.statement != Statement::read) _exit(4);
    write_line(11, "new");
    close_unit(11);
  });
  if (!run.cannot_set_up.empty()) GTEST_SKIP() << run.cannot_set_up;
  const auto& outcome = run.outcome;
  EXPECT_EQ(outcome.exit_status, 0);
  EXPECT_EQ(dir.read("WO.TXT"), "new\r\n");
}

TEST_F(ConnectionsTest, FileNoAccessIsRefused) {
  dir.write("NONE.TXT", "x\n");
  std::filesystem::permissions(dir / "NONE.TXT", std::filesystem::perms::none);
  std::string name = path("NONE.TXT");
  auto run = run_refused(dir, name, F_OK,
                         [&] { _exit(connect_unit(11, name, Status::unknown, true) == error::open_refused ? 0 : 2); });
  if (!run.cannot_set_up.empty()) GTEST_SKIP() << run.cannot_set_up;
  EXPECT_EQ(run.outcome.exit_status, 0);
}

// Reads, writes, rewinds and moves back to remembered positions in random order, against a
// model of the file: a write cuts the file at the position and adds the record there, a read
// takes a line from the position. Lines up to 70,000 characters cross the blocks read ahead and
// the output written at once.
TEST_F(ConnectionsTest, MixedTransfersKeepThePositionAFileModelKeeps) {
  for (unsigned seed = 1; seed <= 4; ++seed) {
    std::mt19937 random(seed);
    auto some_line = [&] {
      const std::size_t length = random() % 10 == 0 ? random() % 70000 : random() % 120;
      return std::string(length, static_cast<char>('a' + random() % 26));
    };
    std::string model;
    for (int k = 0; k < 200; ++k) model += some_line() + (k % 3 ? "\n" : "\r\n");
    dir.write("M.TXT", model);
    ASSERT_EQ(connect_unit(20, path("M.TXT"), Status::old, true), 0);
    std::size_t at = 0;
    std::vector<std::int64_t> remembered{0};
    for (int step = 0; step < 1500 && !HasFailure(); ++step) {
      switch (random() % 8) {
        case 0:
        case 1:
        case 2: {
          const std::string record = some_line();
          write_line(20, record);
          model.resize(at);
          model += record + "\r\n";
          at = model.size();
          break;
        }
        case 3:
          rewind_unit(20);
          at = 0;
          break;
        case 4: {
          const std::int64_t offset = remembered[random() % remembered.size()];
          if (static_cast<std::size_t>(offset) > model.size()) break;
          seek_unit(20, offset);
          at = static_cast<std::size_t>(offset);
          break;
        }
        default: {
          const std::size_t lf = std::min(model.find('\n', at), model.size());
          ASSERT_EQ(read_line(20), model.substr(at, lf - at)) << "seed " << seed << " step " << step;
          at = std::min(lf + 1, model.size());
          ASSERT_EQ(read_position(unit_for_read(20)), static_cast<std::int64_t>(at));
          remembered.push_back(read_position(unit_for_read(20)));
        }
      }
    }
    close_unit(20);
    EXPECT_EQ(dir.read("M.TXT"), model) << "seed " << seed;
  }
}

}  // namespace
