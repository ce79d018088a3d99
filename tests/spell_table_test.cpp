// Reading the three dry-spell tables.
#include <gtest/gtest.h>

#include <cstdio>

#include "generator/shared.h"
#include "records/read_fields.h"
#include "support/generator_runs.h"

namespace {

using namespace testing_support;

std::string table_file(int count, const std::vector<std::string>& lines) {
  std::string text = "SPELL TABLE\nENTRIES  " + std::string(9 - std::to_string(count).size(), ' ') +
                     std::to_string(count) + "\nHEADING\n";
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

std::string value_text(float v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.6g", v);
  return buffer;
}

// Reads the tables and reports entries 0..count+1 of station 1 and the next line's value.
void read_and_probe(int shown) {
  using namespace raingen;
  read_run_configuration();
  SpellTable(1, 0) = 5.0f;  // entry 0 is set by the reader, whatever it held
  read_spell_tables();
  std::string entries;
  for (int k = 0; k <= shown; ++k) entries += value_text(SpellTable(1, k)) + " ";
  probe(entries);
  float next = 0;
  records::ReadStatement read(spell_unit_of(1), "(9X,F9.4)");
  read.real(next);
  read.end();
  probe(value_text(next));
}

TEST(SpellTableTest, EntriesAsTheirColumnsTenToEighteenRead) {
  TempDir dir;
  write_standard_data(dir);
  dir.write("ALFAD_3.TXT", table_file(6, {
                                             "LINE TEXT   0.1234 TRAILING TEXT",
                                             "        2     1234",
                                             "        3",
                                             "        4         ",
                                             "        5   1.5E-1",
                                             "abcdefghi   1.0000xyz 0.5",
                                             "EXTRA       0.7777",
                                         }));
  const Outcome outcome = run_routines(dir, [] { read_and_probe(7); });
  EXPECT_EQ(outcome.err, "");
  EXPECT_FALSE(dir.exists("end.txt"));
  EXPECT_EQ(dir.read("probe.txt"), "0 0.1234 0.1234 0 0 0.15 1 0 \n0.7777\n");
}

TEST(SpellTableTest, NoEntriesLeaveTheFileAtItsFirstEntryLine) {
  TempDir dir;
  write_standard_data(dir);
  dir.write("ALFAD_3.TXT", table_file(0, {"        1   0.4000"}));
  run_routines(dir, [] { read_and_probe(1); });
  EXPECT_EQ(dir.read("probe.txt"), "0 0 \n0.4\n");
}

TEST(SpellTableTest, EveryStationIsReadFromItsOwnFile) {
  TempDir dir;
  write_standard_data(dir);
  dir.write("BRAVD_3.TXT", table_file(3, {"        1   0.3000", "        2   0.6000", "        3   1.0000"}));
  dir.write("CHARD_3.TXT", table_file(1, {"        1   0.9000"}));
  run_routines(dir, [] {
    using namespace raingen;
    read_run_configuration();
    read_spell_tables();
    std::string shown;
    for (int s = 1; s <= 3; ++s)
      for (int k = 0; k <= 3; ++k) shown += value_text(SpellTable(s, k)) + " ";
    probe(shown);
  });
  EXPECT_EQ(dir.read("probe.txt"), "0 0.5 1 0 0 0.3 0.6 1 0 0.9 0 0 \n");
}

TEST(SpellTableTest, TableAsLongAsTheRoomIsRead) {
  TempDir dir;
  write_standard_data(dir);
  std::vector<std::string> lines;
  for (int k = 1; k <= 1201; ++k) {
    char line[32];
    std::snprintf(line, sizeof line, "%9d%9.4f", k, k / 1201.0);
    lines.push_back(line);
  }
  lines.push_back("     NEXT   0.1111");
  dir.write("ALFAD_3.TXT", table_file(1201, lines));
  run_routines(dir, [] {
    using namespace raingen;
    read_run_configuration();
    read_spell_tables();
    probe(value_text(SpellTable(1, 1)) + " " + value_text(SpellTable(1, 600)) + " " + value_text(SpellTable(1, 1201)));
  });
  EXPECT_FALSE(dir.exists("end.txt"));
  EXPECT_EQ(dir.read("probe.txt"), "0.0008 0.4996 1\n");
}

TEST(SpellTableTest, MissingEntryLineIsAReadError) {
  TempDir dir;
  write_standard_data(dir);
  dir.write("CHARD_3.TXT", table_file(5, {"        1   0.3000", "        2   0.6000"}));
  run_routines(dir, [] {
    raingen::read_run_configuration();
    raingen::read_spell_tables();
  });
  EXPECT_EQ(dir.read("end.txt"), "error 6501 CHARD_3.TXT");
}

TEST(SpellTableTest, UnconvertibleEntryIsAReadError) {
  TempDir dir;
  write_standard_data(dir);
  dir.write("BRAVD_3.TXT", table_file(2, {"        1   0.3000", "        2   HALF"}));
  run_routines(dir, [] {
    raingen::read_run_configuration();
    raingen::read_spell_tables();
  });
  EXPECT_EQ(dir.read("end.txt"), "error 6103 BRAVD_3.TXT");
}

std::vector<std::string> long_table_lines(int count) {
  std::vector<std::string> lines = {"        1   NOT A NUMBER"};  // would be an error if read
  for (int k = 2; k <= count; ++k) lines.push_back("        0   1.0000");
  return lines;
}

TEST(SpellTableTest, TooLongTableStopsBeforeItsEntries) {
  TempDir dir;
  write_standard_data(dir);
  dir.write("BRAVD_3.TXT", table_file(1202, long_table_lines(1202)));
  const Outcome outcome = run_routines(dir, [] {
    raingen::read_run_configuration();
    raingen::read_spell_tables();
  });
  EXPECT_EQ(dir.read("end.txt"), "stop 0 ");
  EXPECT_EQ(outcome.err, "raingen: spell table too long: BRAVD_3.TXT\n");
}

TEST(SpellTableTest, TooLongTableEndsTheRun) {
  TempDir dir;
  write_standard_data(dir);
  dir.write("CHARD_3.TXT", table_file(5000, long_table_lines(3)));
  const Outcome outcome = run_program_in(dir);
  EXPECT_EQ(outcome.exit_status, 1);
  EXPECT_EQ(outcome.out, running_line + "\r\nSPELL TABLE HAS MORE THAN 1201 ENTRIES.\r\n" + stop_text + "\r\n");
  EXPECT_EQ(outcome.err, "raingen: spell table too long: CHARD_3.TXT\n");
  EXPECT_EQ(dir.read("SOURCE.OUT"), "");
}

}  // namespace
