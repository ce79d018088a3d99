// Reading out of order: positions given by read_position lead back to the same bytes, within
// the bytes read ahead and far outside them, and rewinding after a move starts at the first byte.
#include <gtest/gtest.h>

#include <string>

#include "records/connections.h"
#include "support/child.h"

namespace {

using records::Connection;
using testing_support::TempDir;

std::string take(Connection& c, std::size_t n) {
  std::string bytes;
  while (bytes.size() < n) {
    int b = records::peek_byte(c);
    if (b == records::end_of_input) break;
    bytes.push_back(static_cast<char>(b));
    records::take_byte(c);
  }
  return bytes;
}

// Lines long enough that the file spans several refills of the input buffer.
std::string numbered_lines(int count) {
  std::string text;
  for (int k = 1; k <= count; ++k) {
    std::string line = "line " + std::to_string(k) + " ";
    line.resize(600, static_cast<char>('a' + k % 26));
    text += line + "\r\n";
  }
  return text;
}

class Positions : public ::testing::Test {
 protected:
  void SetUp() override { records::reset_connections(); }
  void TearDown() override { records::reset_connections(); }
  TempDir dir;
};

TEST_F(Positions, SeekingBackAndForthGivesTheBytesAtEachPosition) {
  const std::string text = numbered_lines(400);  // about 240 KB
  dir.write("DAYS.TXT", text);
  ASSERT_EQ(records::connect_unit(12, (dir / "DAYS.TXT").string(), records::Status::old, true), 0);
  Connection& c = records::unit_for_read(12);

  std::vector<std::int64_t> starts;
  for (int k = 0; k < 400; ++k) {
    starts.push_back(records::read_position(c));
    ASSERT_EQ(take(c, 602), text.substr(static_cast<std::size_t>(k) * 602, 602));
  }
  EXPECT_EQ(records::read_position(c), static_cast<std::int64_t>(text.size()));
  EXPECT_EQ(records::peek_byte(c), records::end_of_input);

  // Far back, near, forward again, and to the very end.
  for (int k : {7, 399, 0, 1, 250, 251, 250, 100}) {
    records::seek_unit(12, starts[static_cast<std::size_t>(k)]);
    EXPECT_EQ(records::read_position(c), starts[static_cast<std::size_t>(k)]);
    EXPECT_EQ(take(c, 1204), text.substr(static_cast<std::size_t>(k) * 602, 1204)) << "line " << k;
  }
  records::seek_unit(12, static_cast<std::int64_t>(text.size()));
  EXPECT_EQ(records::peek_byte(c), records::end_of_input);

  records::rewind_unit(12);
  EXPECT_EQ(records::read_position(c), 0);
  EXPECT_EQ(take(c, 602), text.substr(0, 602));
}

TEST_F(Positions, AfterAMoveReadingOnContinuesToTheEndOfTheFile) {
  const std::string text = numbered_lines(300);
  dir.write("DAYS.TXT", text);
  ASSERT_EQ(records::connect_unit(12, (dir / "DAYS.TXT").string(), records::Status::old, true), 0);
  Connection& c = records::unit_for_read(12);
  records::seek_unit(12, 602 * 3);
  // The small block read after the move is followed by full refills, seamlessly.
  EXPECT_EQ(take(c, text.size()), text.substr(602 * 3));
}

TEST_F(Positions, AWriteAfterAMoveCutsTheFileThere) {
  dir.write("OUT.TXT", "first\r\nsecond\r\nthird\r\n");
  ASSERT_EQ(records::connect_unit(100, (dir / "OUT.TXT").string(), records::Status::unknown, true), 0);
  Connection& c = records::unit_for_read(100);
  take(c, 7);
  const std::int64_t second = records::read_position(c);
  take(c, 8);
  records::seek_unit(100, second);
  records::write_record(records::unit_for_write(100), "new");
  records::close_unit(100);
  EXPECT_EQ(dir.read("OUT.TXT"), "first\r\nnew\r\n");
}

}  // namespace
