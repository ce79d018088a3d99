// Write statements: the worked records written to a file byte for byte, list-directed records,
// pending blanks, errors, and a whole program writing to a file and to the console.
#include "records/write_fields.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "records/connections.h"
#include "records/console.h"
#include "records/field_list.h"
#include "records/run_end.h"
#include "support/child.h"

// GCC 12 warns falsely about std::string concatenations of this kind (its bug 105329).
#pragma GCC diagnostic ignored "-Wrestrict"

namespace {

constexpr int unit = 100;

class WriteFields : public testing::Test {
 protected:
  void SetUp() override {
    records::reset_connections();
    ASSERT_EQ(records::connect_unit(unit, path(), records::Status::unknown, true), 0);
  }
  void TearDown() override { records::reset_connections(); }

  std::string path() const { return (dir / "out.txt").string(); }
  // What the file holds once the unit is closed.
  std::string written() {
    records::close_unit(unit);
    return dir.read("out.txt");
  }

  testing_support::TempDir dir;
};

// An item of a write statement, in a table.
struct Item {
  char kind;  // 'I', 'F', 'A'
  std::int32_t integer = 0;
  float real = 0.0f;
  const char* text = "";
};
Item I(std::int32_t v) { return {'I', v}; }
Item F(float v) { return {'F', 0, v}; }
Item A(const char* t) { return {'A', 0, 0.0f, t}; }

void write_statement(const char* list, const std::vector<Item>& items) {
  records::WriteStatement write(unit, list);
  for (const Item& item : items) {
    if (item.kind == 'I') write.integer(item.integer);
    if (item.kind == 'F') write.real(item.real);
    if (item.kind == 'A') write.text(item.text, static_cast<int>(std::strlen(item.text)));
  }
  write.end();
}

template <typename Body>
int error_of(Body body) {
  try {
    body();
  } catch (const records::RunEnd& end) {
    EXPECT_EQ(end.statement, records::Statement::write);
    return end.number;
  }
  return 0;
}

std::string blanks(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

struct RecordCase {
  const char* list;
  std::vector<Item> items;
  std::string record;  // without its CR LF
};

void PrintTo(const RecordCase& c, std::ostream* os) { *os << c.list << " with " << c.items.size() << " items"; }

class WorkedRecords : public WriteFields, public testing::WithParamInterface<RecordCase> {};

TEST_P(WorkedRecords, AreWrittenByteForByte) {
  write_statement(GetParam().list, GetParam().items);
  EXPECT_EQ(written(), GetParam().record + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Records, WorkedRecords,
    testing::Values(
        RecordCase{"(I12,F9.3)", {I(15), F(0.254f)}, blanks(10) + "15" + blanks(5) + ".254"},
        RecordCase{"(I12,F9.3)", {I(1440), F(0.0f)}, blanks(8) + "1440" + blanks(5) + ".000"},
        RecordCase{"(I12,F9.3)", {I(30), F(12.5f)}, blanks(10) + "30" + blanks(3) + "12.500"},
        RecordCase{"(I12,F9.3)", {I(45), F(1234567.0f)}, blanks(10) + "45" + "*********"},
        RecordCase{"(I12,F9.3)", {I(60), F(12345.678f)}, blanks(10) + "60" + "12345.680"},
        RecordCase{"(I12,F9.3)", {I(75), F(-0.0004f)}, blanks(10) + "75" + blanks(5) + ".000"},
        RecordCase{"(I12,F9.3)", {I(1), F(0.0005f)}, blanks(11) + "1" + blanks(5) + ".001"},
        RecordCase{"(I12,F9.3)", {I(1), F(0.00049f)}, blanks(11) + "1" + blanks(5) + ".000"},
        RecordCase{"(I12,F9.3)", {I(1), F(9.9996f)}, blanks(11) + "1" + blanks(3) + "10.000"},
        RecordCase{"(I12,F9.3)", {I(1), F(-1.5f)}, blanks(11) + "1" + blanks(3) + "-1.500"},
        RecordCase{"(I12,F9.3)", {I(1), F(-0.254f)}, blanks(11) + "1" + blanks(4) + "-.254"},
        RecordCase{"(I12,F9.3)", {I(1), F(100000.0f)}, blanks(11) + "1" + "*********"},
        RecordCase{"(I12,F9.3)", {I(1), F(-0.0f)}, blanks(11) + "1" + blanks(5) + ".000"},
        RecordCase{"(A12,A9)", {A("TIME(MIN)"), A("RAINFALL")}, blanks(3) + "TIME(MIN)" + blanks(1) + "RAINFALL"},
        RecordCase{"(A29)", {A("SYNTHETIC RAINFALL GENERATION")}, "SYNTHETIC RAINFALL GENERATION"},
        RecordCase{"(A10,2X,A11)", {A("SITE NAME:"), A("RESULTS.TXT")}, "SITE NAME:" + blanks(2) + "RESULTS.TXT"},
        RecordCase{"(A9,I1,A1,1X,A4)", {A("STATION #"), I(2), A(":"), A("AB  ")}, "STATION #2: AB  "},
        RecordCase{"(A9,I1,A1,1X,I3)", {A("STATION #"), I(3), A(":"), I(25)}, "STATION #3:  25"},
        RecordCase{"(A17)", {A("DISTANCE TO SITE:")}, "DISTANCE TO SITE:"},
        RecordCase{"(14X,A11)", {A(" ")}, blanks(25)}, RecordCase{"(I1)", {I(10)}, "*"},
        RecordCase{"(I11)", {I(INT32_MIN)}, "-2147483648"}, RecordCase{"(I3)", {I(0)}, "  0"},
        RecordCase{"(I3)", {I(-12)}, "-12"}, RecordCase{"(I3)", {I(-123)}, "***"},
        RecordCase{"(A3)", {A("abcdef")}, "abc"}, RecordCase{"(A)", {A("abcdef")}, "abcdef"},
        // Pending blanks reach the record only before a later field.
        RecordCase{"(A5,3X)", {A("abcde")}, "abcde"}, RecordCase{"(2X,A1,3X,A1)", {A("a"), A("b")}, "  a   b"},
        // Items run out at the next field; record breaks before it are still carried out.
        RecordCase{"(A1,/,A1,/)", {A("a")}, "a\r\n"}, RecordCase{"(A1,/)", {A("a")}, "a\r\n"},
        // Format reversion: the record ends and the last top-level group starts again.
        RecordCase{"(A1,2(I2))", {A("x"), I(1), I(2), I(3)}, "x 1 2\r\n 3"},
        RecordCase{"(I2)", {I(1), I(2), I(3)}, " 1\r\n 2\r\n 3"}, RecordCase{"(I12,F9.3)", {}, ""}));

TEST_F(WriteFields, RecordsFollowEachOtherWithCrLf) {
  write_statement("(I12,F9.3)", {I(15), F(0.254f)});
  write_statement("(I12,F9.3)", {I(30), F(12.5f)});
  EXPECT_EQ(written(), blanks(10) + "15" + blanks(5) + ".254\r\n" + blanks(10) + "30" + blanks(3) + "12.500\r\n");
}

TEST_F(WriteFields, ListDirectedRecords) {
  auto list_directed = [](const std::string& text) {
    records::WriteStatement write(unit, nullptr);
    write.text(text.data(), static_cast<int>(text.size()));
    write.end();
  };
  list_directed(" ");
  list_directed(" ");
  list_directed("");
  list_directed(std::string(78, 'a'));
  list_directed(std::string(79, 'b'));
  list_directed(std::string(80, 'c'));
  list_directed(std::string(158, 'd'));
  EXPECT_EQ(written(), "  \r\n  \r\n \r\n" + (" " + std::string(78, 'a')) + "\r\n" + (" " + std::string(79, 'b')) +
                           "\r\n \r\n" + (" " + std::string(79, 'c')) + "\r\n c\r\n" + (" " + std::string(79, 'd')) +
                           "\r\n" + (" " + std::string(79, 'd')) + "\r\n \r\n");
}

TEST_F(WriteFields, ListDirectedItemsFollowWithoutSeparator) {
  records::WriteStatement write(unit, nullptr);
  write.text("ab", 2);
  write.text("x", -3);  // a negative length counts as 0
  write.text(" cd", 3);
  write.end();
  EXPECT_EQ(written(), " ab cd\r\n");
}

TEST_F(WriteFields, ItemsMismatchingTheirFields) {
  EXPECT_EQ(error_of([] { write_statement("(I5)", {A("x")}); }), records::error::text_item_numeric_field);
  EXPECT_EQ(error_of([] { write_statement("(I5)", {F(1.0f)}); }), records::error::real_item_integer_field);
  EXPECT_EQ(error_of([] { write_statement("(F5.1)", {I(1)}); }), records::error::integer_item_real_field);
  EXPECT_EQ(error_of([] { write_statement("(A5)", {I(1)}); }), records::error::numeric_item_text_field);
  EXPECT_EQ(error_of([] {
              records::WriteStatement write(unit, nullptr);
              write.integer(1);
            }),
            records::error::numeric_item_list_directed);
  EXPECT_EQ(written(), "");
}

TEST_F(WriteFields, AFailedStatementKeepsOnlyItsEndedRecords) {
  EXPECT_EQ(error_of([] { write_statement("(A2,/,A2,Q)", {A("ab"), A("cd")}); }), records::error::list_unknown_item);
  EXPECT_EQ(written(), "ab\r\n");
}

TEST_F(WriteFields, ReversionWithNoFieldToComeFails) {
  EXPECT_EQ(error_of([] { write_statement("(I2,(3X))", {I(1), I(2)}); }), records::error::list_no_field);
}

TEST_F(WriteFields, HugeColumnSkipsFailInsteadOfFillingMemory) {
  EXPECT_EQ(error_of([] { write_statement("(32767(32767X),A1)", {A("a")}); }), records::error::write_failed);
  write_statement("(A1,32767(32767(32767X)))", {A("a")});  // nothing after: nothing written
  EXPECT_EQ(written(), "a\r\n");
}

// The list the fuzzer found: with no item, 7321 * 7321 * 321 * 14644 empty records before the
// statement could end. A statement ends as a failed write after 2^20 records.
TEST_F(WriteFields, HugeRepeatsOfRecordBreaksFailInsteadOfWritingForEver) {
  EXPECT_EQ(error_of([] { write_statement("(7321(7321(321(7321(//)//))/A)", {}); }), records::error::write_failed);
  std::string records;
  for (int k = 0; k < 1 << 20; ++k) records += "\r\n";
  EXPECT_EQ(written(), records);
}

// A whole program: file records and console records, the console line ended at the end.
void program_body() {
  records::connect_unit(100, "RESULT.TXT", records::Status::unknown, true);
  {
    records::WriteStatement write(100, "(A29)");
    write.text("SYNTHETIC RAINFALL GENERATION", 29);
    write.end();
  }
  {
    records::WriteStatement write(records::console_unit, nullptr);
    write.text("Program is Running, Please wait.", 32);
    write.end();
  }
  {
    records::WriteStatement write(100, nullptr);
    write.text(" ", 1);
    write.end();
  }
  for (int t = 15; t <= 30; t += 15) {
    records::WriteStatement write(100, "(I12,F9.3)");
    write.integer(t);
    write.real(t == 15 ? 0.254f : 12.5f);
    write.end();
  }
  {
    records::WriteStatement write(records::console_unit, "(A4)");
    write.text("0two", 4);
    write.end();
  }
  records::WriteStatement write(records::console_unit, "(A6)");
  write.text("+three", 6);
  write.end();
}

TEST(WriteProgram, FileAndConsoleBytes) {
  testing_support::TempDir dir;
  testing_support::ChildSetup setup;
  setup.directory = dir.path();
  auto outcome = testing_support::run_in_child(setup, [] { records::run_program(program_body); });
  EXPECT_EQ(outcome.exit_status, 0);
  EXPECT_EQ(outcome.err, "");
  // First record: its blank control shows nothing before it; "0" starts with two line ends,
  // "+" returns to the start of the line; the open line is ended when the run ends.
  EXPECT_EQ(outcome.out, "Program is Running, Please wait.\r\n\r\ntwo\rthree\r\n");
  EXPECT_EQ(dir.read("RESULT.TXT"), "SYNTHETIC RAINFALL GENERATION\r\n  \r\n" + blanks(10) + "15" + blanks(5) +
                                        ".254\r\n" + blanks(10) + "30" + blanks(3) + "12.500\r\n");
}

// Carriage control as the first console record and after it: "0" and "1" as the first, a
// multi-record statement, and an empty list-directed text shown as a blank.
void console_body() {
  auto console = [](const char* list, const char* text) {
    records::WriteStatement write(records::console_unit, list);
    write.text(text, static_cast<int>(std::strlen(text)));
    write.end();
  };
  console("(A2)", "0a");
  console("(A2)", "1b");
  console(nullptr, "");
  console("(A2,/,A2)", " c");  // two records: " c", then an empty one
  console("(A2)", "+d");
}

TEST(WriteProgram, ConsoleCarriageControl) {
  testing_support::TempDir dir;
  testing_support::ChildSetup setup;
  setup.directory = dir.path();
  auto outcome = testing_support::run_in_child(setup, [] { records::run_program(console_body); });
  EXPECT_EQ(outcome.exit_status, 0);
  EXPECT_EQ(outcome.out,
            "\r\na"
            "\r\n\f\r \rb"
            "\r\n"
            "\r\nc"
            "\r\n"
            "\rd"
            "\r\n");
}

}  // namespace
