// Read statements on files: the program's field lists, the two ways of collecting a numeric
// field, character fields, the ends of records and files, and the errors a read can raise.
#include "records/read_fields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "records/connections.h"
#include "records/field_list.h"
#include "records/run_end.h"
#include "support/child.h"

namespace {

constexpr int unit = 7;

class ReadFields : public testing::Test {
 protected:
  void SetUp() override { records::reset_connections(); }
  void TearDown() override { records::reset_connections(); }

  // Connects the unit to a file holding these bytes.
  void file(const std::string& bytes) {
    records::reset_connections();
    dir.write("in.txt", bytes);
    ASSERT_EQ(records::connect_unit(unit, (dir / "in.txt").string(), records::Status::old, true), 0);
  }

  testing_support::TempDir dir;
};

std::int32_t read_one_int(const char* list) {
  std::int32_t value = -999;
  records::ReadStatement read(unit, list);
  read.integer(value);
  read.end();
  return value;
}

float read_one_real(const char* list) {
  float value = -999.0f;
  records::ReadStatement read(unit, list);
  read.real(value);
  read.end();
  return value;
}

std::string read_one_text(const char* list, int length) {
  std::string value(static_cast<std::size_t>(length), '#');
  records::ReadStatement read(unit, list);
  read.text(value.data(), length);
  read.end();
  return value;
}

// The error number a statement ended the run with, 0 when it did not.
template <typename Body>
int error_of(Body body) {
  try {
    body();
  } catch (const records::RunEnd& end) {
    EXPECT_EQ(end.statement, records::Statement::read);
    return end.number;
  }
  return 0;
}

TEST_F(ReadFields, SettingsRecordsTakeTheirColumns) {
  file(
      "SITE NAME:    RESULTS.TXT ignored\r\n"
      "STATION 1:    AB12rest\r\n"
      "DISTANCE:     025\r\n"
      "DAYS:         1500\r\n");
  EXPECT_EQ(read_one_text("(14X,A11)", 11), "RESULTS.TXT");
  EXPECT_EQ(read_one_text("(14X,A4)", 4), "AB12");
  EXPECT_EQ(read_one_int("(14X,I3)"), 25);
  EXPECT_EQ(read_one_int("(14X,I4)"), 1500);
}

TEST_F(ReadFields, HeaderCountIsInTheSecondOfThreeRecords) {
  file("heading line\nCOUNT:   000000042\nthird\nnext\n");
  EXPECT_EQ(read_one_int("(/,9X,I9,/)"), 42);
  EXPECT_EQ(read_one_text("(A4)", 4), "next");
}

TEST_F(ReadFields, ThreeRecordsReadFromTheirFirst) {
  file("DAY:            17 x\nsecond\nthird\n");
  EXPECT_EQ(read_one_int("(9X,I9,/,/)"), 17);
  // The file is at its end now: the next statement has no record.
  EXPECT_EQ(error_of([] { read_one_int("(I9)"); }), records::error::end_of_file);
}

TEST_F(ReadFields, SpellTableEntriesUnderF94) {
  // Columns 10-18; the examples of the F9.4 field.
  file(
      "ENTRY 1:    0.1234\n"
      "ENTRY 2:      1234\n"
      "ENTRY 3:    1.5E-1\n"
      "ENTRY 4:      1E2 \n"
      "ENTRY 5:          \n"
      "ENTRY 6:  12\n"
      "ENTRY 7:\n");
  EXPECT_FLOAT_EQ(read_one_real("(9X,F9.4)"), 0.1234f);
  EXPECT_FLOAT_EQ(read_one_real("(9X,F9.4)"), 0.1234f);
  EXPECT_FLOAT_EQ(read_one_real("(9X,F9.4)"), 0.15f);
  EXPECT_FLOAT_EQ(read_one_real("(9X,F9.4)"), 0.01f);
  EXPECT_EQ(read_one_real("(9X,F9.4)"), 0.0f);
  EXPECT_FLOAT_EQ(read_one_real("(9X,F9.4)"), 0.0012f);  // short line: columns 10 to its end
  EXPECT_EQ(read_one_real("(9X,F9.4)"), 0.0f);
}

std::string day_line(const std::vector<std::string>& values) {
  std::string line = "STATION DAY 0001 DATE 1999010";  // columns 1-29
  for (const std::string& v : values) line += " " + v;
  return line;
}

TEST_F(ReadFields, DayLineGivesNinetySixValues) {
  std::vector<std::string> values;
  for (int k = 1; k <= 96; ++k) {
    char field[8];
    std::snprintf(field, sizeof field, "%5.2f", k / 4.0);
    values.push_back(field);
  }
  std::string full = day_line(values) + "  trailer\r\n";
  values.resize(10);
  std::string shorter = day_line(values) + "\n";
  file(full + shorter);
  for (const std::string* line : {&full, &shorter}) {
    float day[96];
    records::ReadStatement read(unit, "(29X,96(1X,F5.2),8X)");
    for (float& v : day) read.real(v);
    read.end();
    for (int k = 1; k <= 96; ++k) {
      float expected = line == &full || k <= 10 ? static_cast<float>(k / 4.0) : 0.0f;
      EXPECT_EQ(day[k - 1], expected) << "value " << k;
    }
  }
}

// A day line read with its run of F5.2 fields (reals: the passes that lie within the data held
// are converted at once) and read item by item under the same fields written out one by one (no
// group, so no run): the same values, errors and positions, over random lines with odd fields,
// short lines, CRs within the data and a last line without a line end, read in order and then
// again from random line starts, where blocks are small.
TEST_F(ReadFields, RunsOfFieldsReadAsFieldByField) {
  std::mt19937 random(5);
  const char* odd[] = {"  1 5", "1.5E1", "   - ", "  ,12", " +.5 ", "\t12.5", "abcde", "1.2.3", "  .  "};
  std::string bytes;
  for (int line = 0; line < 400; ++line) {
    std::string text(29, 'x');
    for (int k = 0, fields = random() % 8 ? 96 : random() % 96; k < fields; ++k) {
      char value[16];
      std::snprintf(value, sizeof value, " %5.2f", static_cast<double>(random() % 10000) / 100.0);
      if (random() % 20) {
        text += value;
      } else {
        text += ' ';
        text += odd[random() % std::size(odd)];
      }
    }
    if (random() % 10 == 0) text[random() % text.size()] = '\r';
    bytes += text;
    bytes += line == 399 ? "" : random() % 2 ? "  end   \r\n" : "\n";
  }
  dir.write("a.txt", bytes);
  dir.write("b.txt", bytes);
  ASSERT_EQ(records::connect_unit(7, (dir / "a.txt").string(), records::Status::old, true), 0);
  ASSERT_EQ(records::connect_unit(8, (dir / "b.txt").string(), records::Status::old, true), 0);
  std::string one_by_one = "(29X,";
  for (int k = 0; k < 96; ++k) one_by_one += "1X,F5.2,";
  one_by_one += "8X)";
  std::vector<std::int64_t> starts;
  auto read_both = [&] {
    float run[192], fields[96];
    std::fill(std::begin(run), std::end(run), -1.0f);
    std::fill(std::begin(fields), std::end(fields), -1.0f);
    starts.push_back(records::read_position(records::unit_for_read(7)));
    int run_error = error_of([&] {
      records::ReadStatement read(7, "(29X,96(1X,F5.2),8X)");
      read.reals(run, 96, 2);
      read.end();
    });
    int field_error = error_of([&] {
      records::ReadStatement read(8, one_by_one.c_str());
      for (float& v : fields) read.real(v);
      read.end();
    });
    EXPECT_EQ(run_error, field_error);
    for (int k = 0; k < 96; ++k) {
      EXPECT_EQ(std::memcmp(&run[2 * k], &fields[k], sizeof(float)), 0) << "value " << k + 1;
      EXPECT_EQ(run[2 * k + 1], -1.0f);
    }
    EXPECT_EQ(records::read_position(records::unit_for_read(7)), records::read_position(records::unit_for_read(8)));
    return run_error;
  };
  while (read_both() != records::error::end_of_file && !HasFailure()) {
  }
  EXPECT_GT(starts.size(), 400u);  // errors stop a statement mid-line; the next goes on there
  for (int n = 0; n < 300 && !HasFailure(); ++n) {
    const std::int64_t start = starts[random() % (starts.size() - 1)];
    records::seek_unit(7, start);
    records::seek_unit(8, start);
    read_both();
  }
}

TEST_F(ReadFields, TextAfterTheBalancingParenthesisIsIgnored) {
  file("      123    4.56\n");
  EXPECT_EQ(read_one_int("(I9)(29X,96(1X,F5.2),8X)"), 123);
}

// Integers collected one character at a time ("(I9)", no column skip first) and whole (after
// a column skip), side by side for the same 9 columns.
struct IntegerCase {
  const char* field;
  std::int32_t value;
  int error;
};

void PrintTo(const IntegerCase& c, std::ostream* os) { *os << '"' << c.field << '"'; }

class IntegerFields : public ReadFields, public testing::WithParamInterface<IntegerCase> {};

TEST_P(IntegerFields, ReadTheSameBothWays) {
  const IntegerCase& c = GetParam();
  file(std::string(c.field) + "\n" + "x" + c.field + "\n");
  std::int32_t one = -1, whole = -1;
  EXPECT_EQ(error_of([&] { one = read_one_int("(I9)"); }), c.error) << "one at a time";
  if (c.error != 0) return;
  EXPECT_EQ(one, c.value);
  EXPECT_EQ(error_of([&] { whole = read_one_int("(1X,I9)"); }), 0) << "whole";
  EXPECT_EQ(whole, c.value);
}

INSTANTIATE_TEST_SUITE_P(Fields, IntegerFields,
                         testing::Values(IntegerCase{"  1 2 3  ", 123, 0}, IntegerCase{"   -0042 ", -42, 0},
                                         IntegerCase{"12,345678", 12, 0}, IntegerCase{"         ", 0, 0},
                                         IntegerCase{"    +    ", 0, 0}, IntegerCase{"\t\t7", 7, 0},
                                         IntegerCase{"000000000", 0, 0}, IntegerCase{"2147483647", 214748364, 0},
                                         IntegerCase{"-21474836", -21474836, 0},
                                         IntegerCase{"HEADING  ", 0, records::error::invalid_integer},
                                         IntegerCase{"  1.5    ", 0, records::error::invalid_integer},
                                         IntegerCase{"  16#FF  ", 255, 0}));

TEST_F(ReadFields, CommaEndsAFieldDifferentlyInTheTwoWays) {
  // One at a time the comma ends the field and the next starts after it; whole, the field
  // still spans its 9 columns.
  file("12,345678 99\n 12,345678 99\n");
  std::int32_t a = 0, b = 0;
  records::ReadStatement one_at_a_time(unit, "(I9,I3)");
  one_at_a_time.integer(a);
  one_at_a_time.integer(b);
  one_at_a_time.end();
  EXPECT_EQ(a, 12);
  EXPECT_EQ(b, 345);
  records::ReadStatement whole(unit, "(1X,I9,I3)");
  whole.integer(a);
  whole.integer(b);
  whole.end();
  EXPECT_EQ(a, 12);
  EXPECT_EQ(b, 99);
}

// After a failed statement the run ends, so every case gets a file of its own.
TEST_F(ReadFields, IntegerLimits) {
  file("-2147483648\n");
  EXPECT_EQ(read_one_int("(I11)"), INT32_MIN);
  file("2147483648\n");
  EXPECT_EQ(error_of([] { read_one_int("(I11)"); }), records::error::integer_overflow);
  file("-2147483649\n");
  EXPECT_EQ(error_of([] { read_one_int("(1X,I10)"); }), records::error::integer_overflow);
  file(" -2147483649\n");
  EXPECT_EQ(error_of([] { read_one_int("(1X,I11)"); }), records::error::integer_overflow);
}

TEST_F(ReadFields, CtrlZInNumericFields) {
  file(
      "12\x1a"
      "34\n");
  EXPECT_EQ(error_of([] { read_one_int("(I5)"); }), records::error::end_of_file);
  file(
      " 12\x1a"
      "34\n");
  EXPECT_EQ(read_one_int("(1X,I5)"), 12);  // whole: Ctrl-Z ends the digits
  file(" 1.5\x1a\n");
  EXPECT_EQ(error_of([] { read_one_real("(1X,F5.1)"); }), records::error::invalid_real);
}

TEST_F(ReadFields, RealsOneAtATimeGetTheirZero) {
  file("    +\n    -\n  -.5\n   .5\n1.5+2\n  1,5\n");
  EXPECT_EQ(read_one_real("(F5.2)"), 0.0f);
  EXPECT_EQ(read_one_real("(F5.2)"), 0.0f);
  EXPECT_EQ(read_one_real("(F5.2)"), -0.5f);
  EXPECT_EQ(read_one_real("(F5.2)"), 0.5f);
  EXPECT_EQ(read_one_real("(F5.2)"), 150.0f);
  EXPECT_EQ(read_one_real("(F5.2)"), 0.01f);
}

struct RealCase {
  const char* line;
  const char* list;
  float value;
  int error;
};

void PrintTo(const RealCase& c, std::ostream* os) { *os << '"' << c.line << "\" by " << c.list; }

class RealFields : public ReadFields, public testing::WithParamInterface<RealCase> {};

TEST_P(RealFields, Convert) {
  const RealCase& c = GetParam();
  file(std::string(c.line) + "\n");
  float value = -999.0f;
  EXPECT_EQ(error_of([&] { value = read_one_real(c.list); }), c.error);
  if (c.error == 0) {
    EXPECT_EQ(value, c.value);
  }
}

// Whole collection inserts nothing: a sign or a point alone is invalid, a dropped zero counts.
INSTANTIATE_TEST_SUITE_P(
    Whole, RealFields,
    testing::Values(RealCase{"     +", "(1X,F5.2)", 0, records::error::invalid_real},
                    RealCase{"     .", "(1X,F5.2)", 0, records::error::invalid_real},
                    RealCase{" 1.25", "(1X,F5.2)", 1.25f, 0}, RealCase{"   125", "(1X,F5.2)", 1.25f, 0},
                    RealCase{"    .5", "(1X,F5.2)", 0.5f, 0}, RealCase{"   0E2", "(1X,F5.2)", 0.0f, 0},
                    RealCase{"  0-5", "(1X,F5.2)", -0.05f, 0},
                    RealCase{"  1.5.", "(1X,F5.2)", 0, records::error::invalid_real},
                    RealCase{"  1.5E", "(1X,F5.2)", 0, records::error::invalid_real},
                    RealCase{"  1.5Q", "(1X,F5.2)", 0, records::error::invalid_real},
                    RealCase{" 1E39", "(1X,F9.0)", 0, records::error::single_overflow},
                    RealCase{" 1E309", "(1X,F9.0)", 0, records::error::real_overflow},
                    RealCase{" 1E-999", "(1X,F9.0)", 0.0f, 0}, RealCase{" 1.5D1", "(1X,F9.0)", 15.0f, 0}));

struct TextCase {
  const char* list;
  int length;
  const char* line;
  const char* stored;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << '"' << c.line << "\" by " << c.list; }

class TextFields : public ReadFields, public testing::WithParamInterface<TextCase> {};

TEST_P(TextFields, StoreAsTheWidthAndLengthSay) {
  file(std::string(GetParam().line) + "\r\n");
  EXPECT_EQ(read_one_text(GetParam().list, GetParam().length), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Fields, TextFields,
                         testing::Values(TextCase{"(A3)", 5, "abcdefg", "abc  "},
                                         TextCase{"(A5)", 5, "abcdefg", "abcde"}, TextCase{"(A7)", 3, "abcdefg", "efg"},
                                         TextCase{"(A)", 4, "abcdefg", "abcd"}, TextCase{"(A4)", 4, "a, \t", "a, \t"},
                                         TextCase{"(A6)", 6, "ab", "ab    "}, TextCase{"(A9)", 3, "abcd", "   "},
                                         TextCase{"(A5)", 3, "abcd", "cd "},
                                         TextCase{"(14X,A11)", 11, "12345678901234SHORT ", "SHORT      "},
                                         TextCase{"(14X,A4)", 4, "12345678901234ABCDEFGH", "ABCD"},
                                         TextCase{"(A4)", 4,
                                                  "a\x1a"
                                                  "bc",
                                                  "a\x1a"
                                                  "bc"},
                                         TextCase{"(A4)", 4, "ab\rcd", "ab  "}, TextCase{"(A2)", 2, "", "  "}));

TEST_F(ReadFields, LineEndsOfEveryKindReadAlike) {
  file("ab\r\ncd\nef\rjunk\ngh");  // CR LF, LF, a lone CR, and a last line with no line end
  EXPECT_EQ(read_one_text("(A2)", 2), "ab");
  EXPECT_EQ(read_one_text("(A2)", 2), "cd");
  EXPECT_EQ(read_one_text("(A4)", 4), "ef  ");
  EXPECT_EQ(read_one_text("(A2)", 2), "gh");
  EXPECT_EQ(error_of([] { read_one_text("(A2)", 2); }), records::error::end_of_file);
}

TEST_F(ReadFields, AStatementNeedsEveryRecordItPassesOver) {
  file("abc\n");
  std::string value(3, ' ');
  records::ReadStatement read(unit, "(A3,/)");
  read.text(value.data(), 3);
  EXPECT_EQ(value, "abc");
  EXPECT_EQ(error_of([&] { read.end(); }), records::error::end_of_file);
}

TEST_F(ReadFields, EmptyLinesAreRecords) {
  file("\n\n\nx\n");
  records::ReadStatement read(unit, "(/,/)");
  read.end();
  EXPECT_EQ(read_one_text("(A1)", 1), "x");
}

TEST_F(ReadFields, StatementWithoutItemsPassesOverItsRecords) {
  file("one\ntwo\nthree\n");
  records::ReadStatement read(unit, "(/)");
  read.end();
  EXPECT_EQ(read_one_text("(A5)", 5), "three");
}

TEST_F(ReadFields, EmptyFileHasNoRecord) {
  file("");
  EXPECT_EQ(error_of([] { read_one_int("(I9)"); }), records::error::end_of_file);
}

TEST_F(ReadFields, ReversionStartsANewRecord) {
  file("1 2\n3 4\n5 6\n");
  std::int32_t v[5] = {};
  records::ReadStatement read(unit, "(I1,1X,I1)");
  for (std::int32_t& x : v) read.integer(x);
  read.end();
  EXPECT_EQ(std::vector<std::int32_t>(v, v + 5), (std::vector<std::int32_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(error_of([] { read_one_int("(I1)"); }), records::error::end_of_file);
}

TEST_F(ReadFields, ItemsMismatchingTheirFields) {
  file("1234567890\n1234567890\n1234567890\n1234567890\n1234567890\n");
  char text[2];
  float real;
  std::int32_t integer;
  EXPECT_EQ(error_of([&] {
              records::ReadStatement read(unit, "(I2)");
              read.text(text, 2);
            }),
            records::error::text_item_numeric_field);
  EXPECT_EQ(error_of([&] {
              records::ReadStatement read(unit, "(I2)");
              read.real(real);
            }),
            records::error::real_item_integer_field);
  EXPECT_EQ(error_of([&] {
              records::ReadStatement read(unit, "(F2.0)");
              read.integer(integer);
            }),
            records::error::integer_item_real_field);
  EXPECT_EQ(error_of([&] {
              records::ReadStatement read(unit, "(A2)");
              read.integer(integer);
            }),
            records::error::numeric_item_text_field);
}

TEST_F(ReadFields, MalformedListFailsWhereProcessingReachesIt) {
  file("12345\n12345\n12345\n");
  std::int32_t a = 0;
  // The faulty item comes after the only field: the statement's end reaches it.
  records::ReadStatement read(unit, "(I2,Q)");
  read.integer(a);
  EXPECT_EQ(a, 12);
  EXPECT_EQ(error_of([&] { read.end(); }), records::error::list_unknown_item);
  EXPECT_EQ(error_of([] { read_one_int("(I2,(3X))(I1)"); }), 0);
  std::int32_t b[2];
  EXPECT_EQ(error_of([&] {
              records::ReadStatement read(unit, "(I2,(3X))");
              read.integer(b[0]);
              read.integer(b[1]);
            }),
            records::error::list_no_field);
}

TEST_F(ReadFields, TheReportNamesTheFile) {
  file("letters\n");
  try {
    read_one_int("(I7)");
    FAIL() << "no error";
  } catch (const records::RunEnd& end) {
    EXPECT_EQ(end.number, records::error::invalid_integer);
    EXPECT_EQ(end.file_name, (dir / "in.txt").string());
  }
}

}  // namespace
