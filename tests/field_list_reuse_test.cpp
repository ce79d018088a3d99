// One FieldList compiled from text after text, as a statement's list is: it must always hold
// what a fresh compilation of the current text gives, whatever it held before.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "records/field_list.h"

namespace {

using records::FieldList;

std::string entries_of(const FieldList& list) {
  std::string text;
  for (int i = 0; i < list.size; ++i) {
    const records::Entry& e = list.entries[i];
    text += std::to_string(static_cast<int>(e.op)) + (e.letter ? std::string(1, e.letter) : "") + ":" +
            std::to_string(e.count) + "," + std::to_string(e.width) + "," + std::to_string(e.decimals) + " ";
  }
  return text;
}

TEST(FieldListReuse, EachTextGivesWhatAFreshCompilationGives) {
  const std::vector<std::string> texts = {"(I12,F9.3)",
                                          "(I12,F9.3)",
                                          "(I12,F9.3)junk after",
                                          "(I12,F9.2)",
                                          "(I12)",
                                          "(I12",
                                          "(I12,F9.3)",
                                          "(I12,Q)",
                                          "(I12,F9.3)",
                                          "(I12, F9.3)",
                                          "(i12,f9.3)",
                                          "(29X,96(1X,F5.2),8X)",
                                          "(29X,96(1X,F5.2),8X)",
                                          "(I9)(29X,96(1X,F5.2),8X)",
                                          "(I9)",
                                          "(" + std::string(70, ' ') + "I3)",
                                          "(" + std::string(70, ' ') + "I3)",
                                          "(I3)",
                                          ""};
  FieldList reused;
  for (const std::string& text : texts) {
    records::compile_field_list(text.c_str(), static_cast<int>(text.size()), reused);
    FieldList fresh;
    records::compile_field_list(text.c_str(), static_cast<int>(text.size()), fresh);
    EXPECT_EQ(entries_of(reused), entries_of(fresh)) << "text \"" << text << "\"";
  }
}

TEST(FieldListReuse, ATextCutShortIsNotTakenForTheWholeOne) {
  FieldList list;
  const char* whole = "(I12,F9.3)";
  records::compile_field_list(whole, -1, list);
  const std::string with_field = entries_of(list);
  records::compile_field_list(whole, 9, list);  // "(I12,F9.3" without its ")"
  FieldList fresh;
  records::compile_field_list(whole, 9, fresh);
  EXPECT_EQ(entries_of(list), entries_of(fresh));
  EXPECT_NE(entries_of(list), with_field);
}

}  // namespace
