// Damaged input, end to end: each row damages the standard data set in one way, runs the program
// and checks standard output, standard error, the exit status, the results that matter and that
// no input file changed. An expected outcome is either written out from the program's rules or,
// where the damage must not matter, the outcome of a run on undamaged data that means the same.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "records/run_end.h"
#include "support/child.h"
#include "support/generator_runs.h"
#include "support/station_data.h"

namespace {

using namespace testing_support;

using Files = std::map<std::string, std::string>;

Files regular_files(const TempDir& dir) {
  Files files;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    if (entry.is_regular_file()) files[entry.path().filename().string()] = dir.read(entry.path().filename().string());
  return files;
}

// Replaces line `number` (1-based) of a file, keeping its line end.
void replace_line(const TempDir& dir, const std::string& name, int number, const std::string& text) {
  std::string bytes = dir.read(name);
  std::size_t start = 0;
  for (int k = 1; k < number; ++k) start = bytes.find('\n', start) + 1;
  std::size_t end = bytes.find_first_of("\r\n", start);
  bytes.replace(start, end - start, text);
  dir.write(name, bytes);
}

std::string line_of(const TempDir& dir, const std::string& name, int number) {
  std::string bytes = dir.read(name);
  std::size_t start = 0;
  for (int k = 1; k < number; ++k) start = bytes.find('\n', start) + 1;
  return bytes.substr(start, bytes.find_first_of("\r\n", start) - start);
}

// Bytes 0x80-0xFF in a fixed order: no line end, no blank, no NUL, no "/".
std::string garbage(std::size_t length) {
  std::string bytes(length, '\0');
  for (std::size_t k = 0; k < length; ++k) bytes[k] = static_cast<char>(0x80 + (k * 37 + 11) % 128);
  return bytes;
}

std::string count_line(const std::string& label, const std::string& count) {
  return label + std::string(9 - label.size(), ' ') + std::string(9 - count.size(), ' ') + count;
}

std::string report(int number, const std::string& context, const std::string& file) {
  return "\r\nrun-time error F" + std::to_string(number) + ": " + context + "(" + file + ")\r\n- " +
         std::string(records::error_message(number)) + "\r\n";
}

const std::string running_out = running_line + "\r\n";
std::string stopped_after(const std::string& console) { return console + "\r\n" + stop_text + "\r\n"; }

struct Expected {
  std::string out, err;
  int status = 0;
};

struct Row {
  std::string name;
  std::function<void(const TempDir&, Settings&)> damage;
  // Either a fixed outcome, or the undamaged data (settings and files) that must give the same.
  Expected expected;
  std::function<void(const TempDir&, Settings&)> same_as = nullptr;
  std::string results_name = "RESULTS.TXT";
  // What the damage changes in the results file of the undamaged run, if anything.
  std::function<std::string(std::string)> results_edit = [](std::string text) { return text; };
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class BadInput : public ::testing::TestWithParam<Row> {};

Outcome run_damaged(const TempDir& dir, const Row& row, Files& inputs) {
  Settings settings;
  write_standard_data(dir, settings);
  row.damage(dir, settings);
  inputs = regular_files(dir);
  return run_program_in(dir);
}

TEST_P(BadInput, EndsAsTheRulesSayAndChangesNoInput) {
  const Row& row = GetParam();
  TempDir dir;
  Files inputs;
  const Outcome outcome = run_damaged(dir, row, inputs);
  EXPECT_EQ(outcome.signal, 0);
  if (row.same_as) {
    TempDir clean;
    Settings settings;
    write_standard_data(clean, settings);
    row.same_as(clean, settings);
    const Outcome reference = run_program_in(clean);
    EXPECT_EQ(reference.exit_status, 0) << reference.err;
    EXPECT_EQ(outcome.out, reference.out);
    EXPECT_EQ(outcome.err, reference.err);
    EXPECT_EQ(outcome.exit_status, reference.exit_status);
    ASSERT_TRUE(dir.exists(row.results_name));
    EXPECT_EQ(dir.read(row.results_name), row.results_edit(clean.read("RESULTS.TXT")));
    EXPECT_EQ(dir.read("SOURCE.OUT"), clean.read("SOURCE.OUT"));
  } else {
    EXPECT_EQ(outcome.out, row.expected.out);
    EXPECT_EQ(outcome.err, row.expected.err);
    EXPECT_EQ(outcome.exit_status, row.expected.status);
  }
  for (const auto& [name, bytes] : inputs) {
    if (name == row.results_name || name == "SOURCE.OUT") continue;
    EXPECT_EQ(dir.read(name), bytes) << name << " changed";
  }
}

void nothing(const TempDir&, Settings&) {}

Expected read_error(int number, const std::string& file, const std::string& out = "") {
  return {out, report(number, "READ", file), 1};
}

// Writes the settings again after a row has changed them.
std::function<void(const TempDir&, Settings&)> with_settings(std::function<void(Settings&)> change) {
  return [change](const TempDir& dir, Settings& settings) {
    change(settings);
    dir.write("INPUT.TXT", input_text(settings));
  };
}

void set_day_count(Settings& s, const std::string& text) { s.day_count = text; }

std::vector<Row> rows() {
  std::vector<Row> r;
  // An empty settings file has no record 1.
  r.push_back({"EmptySettingsFile", [](const TempDir& d, Settings&) { d.write("INPUT.TXT", ""); },
               read_error(6501, "INPUT.TXT")});
  // One line of garbage: record 1 names a results file of non-ASCII bytes, record 2 is missing.
  r.push_back({"GarbageSettingsFile", [](const TempDir& d, Settings&) { d.write("INPUT.TXT", garbage(4096)); },
               read_error(6501, "INPUT.TXT")});
  r.push_back(
      {"NulBytesInDistance",
       [](const TempDir& d, Settings&) { replace_line(d, "INPUT.TXT", 6, "DISTANCE 1:   " + std::string(3, '\0')); },
       read_error(6101, "INPUT.TXT")});
  // The whole spell table one line: no second record.
  r.push_back({"GarbageSpellFile", [](const TempDir& d, Settings&) { d.write("ALFAD_3.TXT", garbage(3000)); },
               read_error(6501, "ALFAD_3.TXT")});
  r.push_back(
      {"NulBytesInSpellCount",
       [](const TempDir& d, Settings&) { replace_line(d, "ALFAD_3.TXT", 2, "ENTRIES  " + std::string(9, '\0')); },
       read_error(6101, "ALFAD_3.TXT")});
  r.push_back({"GarbageDayIndex", [](const TempDir& d, Settings&) { d.write("BRAVF_3.TXT", garbage(3000)); },
               read_error(6501, "BRAVF_3.TXT")});
  r.push_back(
      {"NulBytesInDayRecordCount",
       [](const TempDir& d, Settings&) { replace_line(d, "CHARF_3.TXT", 2, "RECORDS  " + std::string(9, '\0')); },
       read_error(6101, "CHARF_3.TXT")});
  // The first day line read is garbage in its first value: an invalid real.
  r.push_back({"GarbageDayRecords", [](const TempDir& d, Settings&) { d.write("ALFAF_2.TXT", garbage(700) + "\n"); },
               read_error(6103, "ALFAF_2.TXT", running_out)});
  r.push_back({"NulBytesInDayValue",
               [](const TempDir& d, Settings&) {
                 std::string line = line_of(d, "ALFAF_2.TXT", 1);
                 line.replace(30, 5, std::string(5, '\0'));
                 replace_line(d, "ALFAF_2.TXT", 1, line);
               },
               read_error(6103, "ALFAF_2.TXT", running_out)});
  // Characters after a field are never read, however many.
  const std::string megabyte(1 << 20, 'x');
  r.push_back({"MegabyteSettingsLine",
               [megabyte](const TempDir& d, Settings&) {
                 replace_line(d, "INPUT.TXT", 1, line_of(d, "INPUT.TXT", 1) + megabyte);
               },
               {},
               nothing});
  r.push_back({"MegabyteSpellTitle",
               [megabyte](const TempDir& d, Settings&) { replace_line(d, "BRAVD_3.TXT", 1, megabyte); },
               {},
               nothing});
  r.push_back({"MegabyteDayLines",
               [megabyte](const TempDir& d, Settings&) {
                 for (int k = 1; k <= 3; ++k)
                   replace_line(d, "CHARF_2.TXT", k, line_of(d, "CHARF_2.TXT", k) + megabyte);
               },
               {},
               nothing});
  r.push_back({"MegabyteIndexLine",
               [megabyte](const TempDir& d, Settings&) {
                 replace_line(d, "ALFAF_3.TXT", 4, line_of(d, "ALFAF_3.TXT", 4) + megabyte);
               },
               {},
               nothing});
  // A file that ends inside a record: the last line counts, short of its LF; a field group that
  // needs a record after it meets the end of the file.
  r.push_back({"SpellFileEndsInsideCount",
               [](const TempDir& d, Settings&) {
                 d.write("ALFAD_3.TXT", d.read("ALFAD_3.TXT").substr(0, d.read("ALFAD_3.TXT").find('\n') + 12));
               },
               read_error(6501, "ALFAD_3.TXT")});
  r.push_back({"SettingsEndInsideDayCount",
               [](const TempDir& d, Settings&) {
                 std::string bytes = d.read("INPUT.TXT");
                 d.write("INPUT.TXT", bytes.substr(0, bytes.rfind("10")) + "1");  // "  10\n" cut to "  1"
               },
               {},
               with_settings([](Settings& s) { set_day_count(s, "   1"); })});
  r.push_back({"DayFileEndsInsideLastRecord",
               [](const TempDir& d, Settings&) {
                 std::string bytes = d.read("BRAVF_2.TXT");
                 std::size_t last = bytes.rfind('\n', bytes.size() - 2) + 1;
                 d.write("BRAVF_2.TXT", bytes.substr(0, last + 269));  // after value 40 of day 3
               },
               {},
               [](const TempDir& d, Settings&) {
                 DayValues cut = standard_day(2, 3);
                 for (int j = 40; j < 96; ++j) cut[j] = 0.0;
                 write_station(d, "BRAV", {"   0.5000", "   1.0000"}, {standard_day(2, 1), standard_day(2, 2), cut});
               }});
  // Huge counts. The settings fields are 3 and 4 columns wide, so only their first digits count.
  r.push_back({"DayCountOf999999999",
               with_settings([](Settings& s) { set_day_count(s, "999999999"); }),
               {stopped_after("NUMBER OF DAYS EXCEEDS 2000."), "", 1}});
  r.push_back({"DayCountOfMinus99999999",
               with_settings([](Settings& s) { set_day_count(s, "-99999999"); }),
               {},
               with_settings([](Settings& s) { set_day_count(s, "-999"); })});
  r.push_back({"DistanceOf999999999",
               with_settings([](Settings& s) { s.distances[1] = "999999999"; }),
               {},
               with_settings([](Settings& s) { s.distances[1] = "999"; })});
  r.push_back({"DistanceOfMinus99999999",
               with_settings([](Settings& s) {
                 s.distances = {"-99999999", "  5", "  9"};
               }),
               {},
               with_settings([](Settings& s) {
                 s.distances = {"-99", "  5", "  9"};
               })});
  // The spell tables are read after the console record of the run.
  r.push_back(
      {"EntryCountOf999999999",
       [](const TempDir& d, Settings&) { replace_line(d, "BRAVD_3.TXT", 2, count_line("ENTRIES", "999999999")); },
       {stopped_after(running_line + "\r\nSPELL TABLE HAS MORE THAN 1201 ENTRIES."),
        "raingen: spell table too long: BRAVD_3.TXT\n", 1}});
  // A table of no entries never draws a spell, and neither does a negative count.
  r.push_back(
      {"EntryCountOfMinus99999999",
       [](const TempDir& d, Settings&) { replace_line(d, "ALFAD_3.TXT", 2, count_line("ENTRIES", "-99999999")); },
       {},
       [](const TempDir& d, Settings&) { replace_line(d, "ALFAD_3.TXT", 2, count_line("ENTRIES", "0")); }});
  // A draw from 999999999 records reads past the 3 index lines.
  r.push_back(
      {"DayRecordCountOf999999999",
       [](const TempDir& d, Settings&) { replace_line(d, "ALFAF_3.TXT", 2, count_line("RECORDS", "999999999")); },
       read_error(6501, "ALFAF_3.TXT", running_out)});
  // A negative count draws a record number below 1: no record is read, the day stays all zeros.
  r.push_back(
      {"DayRecordCountOfMinus99999999",
       [](const TempDir& d, Settings&) { replace_line(d, "CHARF_3.TXT", 2, count_line("RECORDS", "-99999999")); },
       {},
       [](const TempDir& d, Settings&) {
         write_station(d, "CHAR", {"   0.5000", "   1.0000"}, {constant_day(0), constant_day(0), constant_day(0)});
       }});
  // A directory exists but cannot be connected.
  r.push_back({"StationFileIsADirectory",
               [](const TempDir& d, Settings&) {
                 std::filesystem::remove(d / "BRAVF_2.TXT");
                 std::filesystem::create_directory(d / "BRAVF_2.TXT");
               },
               {stopped_after("ERROR HAPPENS WHEN OPENING THE FILE."), "raingen: cannot open file: BRAVF_2.TXT\n", 1}});
  // Blanks inside an identifier stay in the file names; only the header line shows them.
  r.push_back({"StationIdWithBlank",
               [](const TempDir& d, Settings& s) {
                 for (const char* suffix : {"D_3.TXT", "F_2.TXT", "F_3.TXT"})
                   std::filesystem::rename(d / ("BRAV" + std::string(suffix)), d / ("B AV" + std::string(suffix)));
                 s.station_ids[1] = "B AV";
                 d.write("INPUT.TXT", input_text(s));
               },
               {},
               nothing,
               "RESULTS.TXT",
               [](std::string text) {
                 const std::string line = "STATION #2: BRAV";
                 return text.replace(text.find(line), line.size(), "STATION #2: B AV");
               }});
  Row accents{"NonAsciiResultsAndSiteNames",
              with_settings([](Settings& s) {
                s.results_name = "R\xC3\x89SULT.TXT";
                s.site_name = "H\xC3\x9CGEL TAL";
              }),
              {},
              with_settings([](Settings& s) { s.site_name = "H\xC3\x9CGEL TAL"; }),
              "R\xC3\x89SULT.TXT"};
  r.push_back(accents);
  return r;
}

// A results file that the system lets this user read but not write: it connects for reading,
// and the first header line fails. As root every file is writable, so the run drops to nobody,
// running a copy of the program from a folder that user can reach wherever the build lies.
TEST(BadInputUnprivileged, ResultsFileThatIsReadOnly) {
  TempDir dir;
  TempDir bin;
  write_standard_data(dir);
  dir.write("RESULTS.TXT", "old results\r\n");
  std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
  std::filesystem::permissions(dir / "RESULTS.TXT", std::filesystem::perms(0444));
  std::filesystem::permissions(bin.path(), std::filesystem::perms(0755));
  const std::filesystem::path program = bin / "raingen";
  std::filesystem::copy_file(RAINGEN_PROGRAM, program);
  std::filesystem::permissions(program, std::filesystem::perms(0755));
  const Files inputs = regular_files(dir);
  ChildSetup setup;
  setup.directory = dir.path();
  setup.environment = {{"RAINGEN_SEED", "1"}};
  const UnprivilegedOutcome run = run_unprivileged(setup, {{dir.path(), R_OK | W_OK | X_OK}, {program, X_OK}}, [&] {
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    _exit(126);
  });
  if (!run.cannot_set_up.empty()) GTEST_SKIP() << run.cannot_set_up;
  const Outcome& outcome = run.outcome;
  capture_program_run(setup, {}, outcome);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err, report(records::error::write_failed, "WRITE", "RESULTS.TXT"));
  EXPECT_EQ(outcome.exit_status, 1);
  for (const auto& [name, bytes] : inputs) EXPECT_EQ(dir.read(name), bytes) << name << " changed";
  EXPECT_FALSE(dir.exists("SOURCE.OUT"));
}

INSTANTIATE_TEST_SUITE_P(Matrix, BadInput, ::testing::ValuesIn(rows()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
