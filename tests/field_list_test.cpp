// Compiling field-list texts, and the walk over the compiled list that reads and writes share.
#include "records/field_list.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

using records::Entry;
using records::FieldList;
using records::Op;

// The compiled list in a short notation: "29X 96( 1X F5.2 ) 8X end@1" (end@k: the reversion
// point; a "!" marks a list end with no field after it), "E6971" for an error entry.
std::string render(const FieldList& list) {
  std::string out;
  for (int i = 0; i < list.size; ++i) {
    const Entry& e = list.entries[i];
    if (!out.empty()) out += ' ';
    switch (e.op) {
      case Op::field:
        if (e.count != 1) out += std::to_string(e.count);
        out += e.letter;
        if (e.width != 0) out += std::to_string(e.width);
        if (e.letter == 'F') out.append(".").append(std::to_string(e.decimals));
        break;
      case Op::move: out += std::to_string(e.count) + "X"; break;
      case Op::record_break: out += "/"; break;
      case Op::group_start: out += std::to_string(e.count) + "("; break;
      case Op::group_end: out += ")"; break;
      case Op::list_end: out.append("end@").append(std::to_string(e.count)).append(e.width ? "" : "!"); break;
      case Op::fail: out.append("E").append(std::to_string(e.count)); break;
    }
  }
  return out;
}

std::string compiled(const std::string& text) {
  FieldList list;
  records::compile_field_list(text.c_str(), -1, list);
  return render(list);
}

struct CompileCase {
  const char* text;
  const char* expected;
};

void PrintTo(const CompileCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class CompileTable : public testing::TestWithParam<CompileCase> {};

TEST_P(CompileTable, CompilesToEntries) {
  EXPECT_EQ(compiled(GetParam().text), GetParam().expected) << "text: " << GetParam().text;
}

// The program's own field lists first, then the notation's general rules.
INSTANTIATE_TEST_SUITE_P(
    FieldLists, CompileTable,
    testing::Values(
        CompileCase{"(14X,A11)", "14X A11 end@0"}, CompileCase{"(14X,I3)", "14X I3 end@0"},
        CompileCase{"(/,9X,I9,/)", "/ 9X I9 / end@0"}, CompileCase{"(9X,I9,/,/)", "9X I9 / / end@0"},
        CompileCase{"(I9)", "I9 end@0"}, CompileCase{"(9X,F9.4)", "9X F9.4 end@0"},
        CompileCase{"(29X,96(1X,F5.2),8X)", "29X 96( 1X F5.2 ) 8X end@1"}, CompileCase{"(I12,F9.3)", "I12 F9.3 end@0"},
        CompileCase{"(A12,A9)", "A12 A9 end@0"}, CompileCase{"(A9,I1,A1,1X,A4)", "A9 I1 A1 1X A4 end@0"},
        CompileCase{"(A10,2X,A11)", "A10 2X A11 end@0"},
        // Blanks anywhere, either case, text after the balancing ")" ignored.
        CompileCase{" ( 2 9 x , 9 6 ( 1x , f 5 . 2 ) ) ", "29X 96( 1X F5.2 ) end@1"},
        CompileCase{"(I9)(29X,96(1X,F5.2),8X)", "I9 end@0"}, CompileCase{"(i5)garbage", "I5 end@0"},
        // X alone, repeat counts, A without width, "/" as a separator.
        CompileCase{"(X,3I5,2A,A)", "1X 3I5 2A A end@0"}, CompileCase{"(I5/F5.2//A3)", "I5 / F5.2 / / A3 end@0"},
        CompileCase{"()", "end@0!"}, CompileCase{"(/)", "/ end@0!"}, CompileCase{"(I5,)", "I5 end@0"},
        // Reversion to the last group opened directly inside the outer parentheses.
        CompileCase{"(I2,2(I3,(I4)),3(F5.1),I6)", "I2 2( I3 1( I4 ) ) 3( F5.1 ) I6 end@7"},
        CompileCase{"(A1,(I2,I3))", "A1 1( I2 I3 ) end@1"},
        // Groups of column skips only become one skip; an empty group disappears.
        CompileCase{"(I5,3(2X,X),I2)", "I5 9X I2 end@1"}, CompileCase{"(I5,2(3(X)),())", "I5 6X end@2!"},
        CompileCase{"(32767(32767(32767X)),I1)", "1073741824X I1 end@0"}, CompileCase{"(I1,(2X))", "I1 2X end@1!"},
        CompileCase{"(5X)", "5X end@0!"},
        // Errors: compiled where they stand, after what came before.
        CompileCase{"I5", "E6970"}, CompileCase{"", "E6970"}, CompileCase{"  ", "E6970"},
        CompileCase{"(I5", "I5 E6971"}, CompileCase{"(I5,", "I5 E6971"}, CompileCase{"(2(I5)", "2( I5 ) E6971"},
        CompileCase{"(3", "E6971"}, CompileCase{"(I5,Q)", "I5 E6973"}, CompileCase{"(E10.3)", "E6973"},
        CompileCase{"('A')", "E6973"}, CompileCase{"(,I5)", "E6973"}, CompileCase{"(I5,,I3)", "I5 E6973"},
        CompileCase{"(-3X)", "E6973"}, CompileCase{"(I)", "E6974"}, CompileCase{"(F)", "E6974"},
        CompileCase{"(F.2)", "E6974"}, CompileCase{"(A3,I,A2)", "A3 E6974"}, CompileCase{"(F5)", "E6975"},
        CompileCase{"(F5.)", "E6975"}, CompileCase{"(I0)", "E6976"}, CompileCase{"(F0.2)", "E6976"},
        CompileCase{"(A0)", "E6976"}, CompileCase{"(0X)", "E6977"}, CompileCase{"(0I5)", "E6977"},
        CompileCase{"(0(I5))", "E6977"}, CompileCase{"(I5F5.2)", "I5 E6978"}, CompileCase{"(2(I5)I3)", "2( I5 ) E6978"},
        CompileCase{"(X2)", "1X E6978"}, CompileCase{"(32768X)", "E6979"}, CompileCase{"(32767X)", "32767X end@0!"},
        CompileCase{"(I99999)", "E6979"}, CompileCase{"(F5.40000)", "E6979"}, CompileCase{"(70000(I1))", "E6979"},
        CompileCase{"(3,I5)", "E6980"}, CompileCase{"(I5,3/)", "I5 E6980"}, CompileCase{"(I5,3)", "I5 E6980"},
        CompileCase{"(A5.2)", "E6982"}, CompileCase{"(I5.2)", "E6982"}, CompileCase{"(2X.5)", "E6982"}));

std::string nested(int levels) {
  std::string text(static_cast<std::size_t>(levels) + 1, '(');
  return text.append("I1").append(static_cast<std::size_t>(levels) + 1, ')');
}

TEST(CompileNesting, SixteenLevelsInsideTheOuterParenthesesAreAllowed) {
  std::string starts, ends;
  for (int i = 0; i < 16; ++i) starts += "1( ", ends += " )";
  EXPECT_EQ(compiled(nested(16)), starts + "I1" + ends + " end@0");
  EXPECT_EQ(compiled(nested(17)), starts + "E6972");
}

TEST(CompileLength, TextEndsAtTheGivenLength) {
  FieldList list;
  const char text[] = "(I5,F5.2)";
  records::compile_field_list(text, 4, list);  // "(I5,"
  EXPECT_EQ(render(list), "I5 E6971");
  records::compile_field_list(text, 9, list);
  EXPECT_EQ(render(list), "I5 F5.2 end@0");
}

TEST(CompileLength, TooManyEntriesBecomeAnErrorEntry) {
  std::string text = "(";
  for (int i = 0; i < 300; ++i) text += "I1,";
  text += "I1)";
  FieldList list;
  records::compile_field_list(text.c_str(), -1, list);
  ASSERT_EQ(list.size, records::max_entries);
  EXPECT_EQ(list.entries[list.size - 2].op, Op::field);
  EXPECT_EQ(list.entries[list.size - 1].op, Op::fail);
  EXPECT_EQ(list.entries[list.size - 1].count, records::error::list_too_long);
}

// Walking: what the statement's actions see, given how many items it presents.
struct Failed {
  int number;
};

struct Recorder {
  std::string seen;
  void move(std::int32_t n) { seen += std::to_string(n) + "X "; }
  void record_break() { seen += "/ "; }
  [[noreturn]] void fail(int number) { throw Failed{number}; }
};

// Presents items, then walks on as a statement's end does; returns what happened, each field
// shown as its letter and width, and "E<number>" when the walk failed.
std::string walk(const std::string& text, int items) {
  FieldList list;
  records::compile_field_list(text.c_str(), -1, list);
  records::Walk w;
  records::start_walk(w, list);
  Recorder r;
  try {
    for (int i = 0; i < items; ++i) {
      const Entry* f = records::walk_to_field(w, r, true);
      r.seen += f->letter;
      r.seen += std::to_string(f->width) + " ";
    }
    EXPECT_EQ(records::walk_to_field(w, r, false), nullptr);
    r.seen += "|";
  } catch (const Failed& failed) {
    r.seen += "E" + std::to_string(failed.number);
  }
  return r.seen;
}

struct WalkCase {
  const char* text;
  int items;
  const char* expected;
};

void PrintTo(const WalkCase& c, std::ostream* os) { *os << '"' << c.text << "\" with " << c.items << " items"; }

class WalkTable : public testing::TestWithParam<WalkCase> {};

TEST_P(WalkTable, CarriesOutTheList) {
  EXPECT_EQ(walk(GetParam().text, GetParam().items), GetParam().expected)
      << GetParam().text << " with " << GetParam().items << " items";
}

INSTANTIATE_TEST_SUITE_P(
    Walks, WalkTable,
    testing::Values(
        // Items run out: the skips and breaks up to the next field or the end are carried out.
        WalkCase{"(9X,I9,/,/)", 1, "9X I9 / / |"}, WalkCase{"(/,9X,I9,/)", 1, "/ 9X I9 / |"},
        WalkCase{"(9X,I9,/,/)", 0, "9X |"}, WalkCase{"(A5,3X)", 1, "A5 3X |"}, WalkCase{"(I1,/,I2,/)", 1, "I1 / |"},
        // Repeated fields and groups.
        WalkCase{"(3I2)", 3, "I2 I2 I2 |"}, WalkCase{"(3I2,I4)", 2, "I2 I2 |"},
        WalkCase{"(2(I1,I2),I3)", 5, "I1 I2 I1 I2 I3 |"}, WalkCase{"(2(I1,2(I2)))", 6, "I1 I2 I2 I1 I2 I2 |"},
        WalkCase{"(29X,3(1X,F5.2),8X)", 3, "29X 1X F5 1X F5 1X F5 8X |"},
        // Format reversion: the record ends and the last top-level group (or the list) resumes.
        WalkCase{"(I1,I2)", 3, "I1 I2 / I1 |"}, WalkCase{"(I1,2(I2),I3)", 5, "I1 I2 I2 I3 / I2 |"},
        WalkCase{"(I1,2(I2),I3)", 8, "I1 I2 I2 I3 / I2 I2 I3 / I2 |"}, WalkCase{"(2X,I1)", 2, "2X I1 / 2X I1 |"},
        // Reversion with no field to come would loop for ever.
        WalkCase{"(I1,(2X))", 2, "I1 2X E6981"}, WalkCase{"(5X)", 1, "5X E6981"}, WalkCase{"(/)", 1, "/ E6981"},
        WalkCase{"()", 1, "E6981"}, WalkCase{"(/)", 0, "/ |"},
        // Errors are raised only when the walk reaches them.
        WalkCase{"(I5,Q)", 1, "I5 E6973"}, WalkCase{"(I5,I3,Q)", 1, "I5 |"}, WalkCase{"(I5", 1, "I5 E6971"},
        WalkCase{"(I5,(I3),Q)", 1, "I5 |"}, WalkCase{"I5", 0, "E6970"}, WalkCase{"(3X,F5)", 0, "3X E6975"}));

}  // namespace
