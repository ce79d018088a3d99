// Run configuration: INPUT.TXT, the station files, the results header and the stops on the way.
#include <gtest/gtest.h>

#include "generator/shared.h"
#include "records/read_fields.h"
#include "support/generator_runs.h"

namespace {

using namespace testing_support;

// The eleven header lines, spelled out line by line.
std::string header(const std::string& site11, const std::array<std::string, 3>& ids,
                   const std::array<std::string, 3>& distances) {
  std::string text = "SYNTHETIC RAINFALL GENERATION\r\n";
  text += "  \r\n";
  text += "SITE NAME:  " + site11 + "\r\n";
  for (int i = 0; i < 3; ++i) text += "STATION #" + std::to_string(i + 1) + ": " + ids[i] + "\r\n";
  text += std::string(25, ' ') + "\r\n";
  text += "DISTANCE TO SITE:\r\n";
  for (int i = 0; i < 3; ++i) text += "STATION #" + std::to_string(i + 1) + ": " + distances[i] + "\r\n";
  return text;
}

const std::string standard_header = header("HILLSIDE   ", {"ALFA", "BRAV", "CHAR"}, {"  0", "  5", "  9"});

// The first lines of the results file, up to and with the line of station `stations`.
std::string header_start(int stations) {
  std::string text = "SYNTHETIC RAINFALL GENERATION\r\n  \r\nSITE NAME:  HILLSIDE   \r\n";
  const char* ids[] = {"ALFA", "BRAV", "CHAR"};
  for (int i = 0; i < stations; ++i) text += "STATION #" + std::to_string(i + 1) + ": " + ids[i] + "\r\n";
  return text;
}

// What the routine leaves behind: the settings, the counts, and the next value of each file
// that it stopped in.
void configure_and_probe() {
  using namespace raingen;
  read_run_configuration();
  for (int s = 1; s <= 3; ++s) {
    const StationRecord& st = StationTable(s);
    probe(std::to_string(st.entry_count) + " " + std::to_string(st.day_record_count) + " " +
          std::to_string(st.distance));
  }
  probe(std::to_string(RunSettings.day_count));
  for (int s = 1; s <= 3; ++s) {
    float entry = 0, first_value = 0;
    std::int32_t index = 0;
    records::ReadStatement spell(spell_unit_of(s), "(9X,F9.4)");
    spell.real(entry);
    spell.end();
    records::ReadStatement day_index(index_unit_of(s), "(I9)");
    day_index.integer(index);
    day_index.end();
    records::ReadStatement day(day_unit_of(s), "(29X,F6.2)");
    day.real(first_value);
    day.end();
    probe(std::to_string(entry) + " " + std::to_string(index) + " " + std::to_string(first_value));
  }
}

const std::string standard_probe =
    "2 3 0\n2 3 5\n2 3 9\n10\n"
    "0.500000 1 1.100000\n0.500000 1 2.100000\n0.500000 1 3.100000\n";

TEST(ConfigurationTest, HeaderLinesCountsAndFilePositions) {
  TempDir dir;
  write_standard_data(dir);
  std::string old_results;
  for (int k = 0; k < 40; ++k) old_results += "AN OLD RESULTS LINE OF AN EARLIER RUN\r\n";
  dir.write("RESULTS.TXT", old_results);
  dir.write("SOURCE.OUT", "       15    1.000\r\n");
  const Outcome outcome = run_routines(dir, configure_and_probe);
  EXPECT_EQ(outcome.exit_status, 0);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err, "");
  EXPECT_FALSE(dir.exists("end.txt"));
  EXPECT_EQ(dir.read("RESULTS.TXT"), standard_header);
  EXPECT_EQ(dir.read("SOURCE.OUT"), "       15    1.000\r\n");
  EXPECT_EQ(dir.read("probe.txt"), standard_probe);
}

TEST(ConfigurationTest, NewSourceOutIsCreatedEmpty) {
  TempDir dir;
  write_standard_data(dir);
  run_routines(dir, [] { raingen::read_run_configuration(); });
  EXPECT_EQ(dir.read("RESULTS.TXT"), standard_header);
  ASSERT_TRUE(dir.exists("SOURCE.OUT"));
  EXPECT_EQ(dir.read("SOURCE.OUT"), "");
}

TEST(ConfigurationTest, LabelsInTheFirstFourteenColumnsAreIgnored) {
  for (const char* label : {"", "RESULTS=12345X", "1234567890123,", "\t\t\t", "-99 ALFA  0.5"}) {
    TempDir dir;
    Settings settings;
    settings.label = label;
    write_standard_data(dir, settings);
    run_routines(dir, configure_and_probe);
    EXPECT_EQ(dir.read("RESULTS.TXT"), standard_header) << label;
    EXPECT_EQ(dir.read("probe.txt"), standard_probe) << label;
  }
}

TEST(ConfigurationTest, TextAfterTheFieldsIsIgnored) {
  TempDir dir;
  write_standard_data(dir);
  std::string text = input_text({});
  std::string with_tails;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\n', start);
    std::string line = text.substr(start, end - start);
    line.resize(25, ' ');
    with_tails += line + " 777 TRAILING TEXT\r\n";
    start = end + 1;
  }
  dir.write("INPUT.TXT", with_tails);
  run_routines(dir, configure_and_probe);
  EXPECT_EQ(dir.read("RESULTS.TXT"), standard_header);
  EXPECT_EQ(dir.read("probe.txt"), standard_probe);
}

TEST(ConfigurationTest, ShortIdentifierKeepsItsBlanksInsideTheFileNames) {
  TempDir dir;
  Settings settings;
  settings.station_ids[1] = "BR";
  write_standard_data(dir, settings);
  write_station(dir, "BR  ", {"   0.2500", "   0.7500", "   1.0000"}, {constant_day(4.0)});
  const Outcome outcome = run_routines(dir, configure_and_probe);
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(dir.read("RESULTS.TXT"), header("HILLSIDE   ", {"ALFA", "BR  ", "CHAR"}, {"  0", "  5", "  9"}));
  EXPECT_EQ(dir.read("probe.txt"),
            "2 3 0\n3 1 5\n2 3 9\n10\n"
            "0.500000 1 1.100000\n0.250000 1 4.000000\n0.500000 1 3.100000\n");
}

TEST(ConfigurationTest, DistancesAndDayCountAsRead) {
  TempDir dir;
  Settings settings;
  settings.distances = {"", " -7", "999"};
  settings.day_count = "";
  write_standard_data(dir, settings);
  run_routines(dir, configure_and_probe);
  EXPECT_EQ(dir.read("RESULTS.TXT"), header("HILLSIDE   ", {"ALFA", "BRAV", "CHAR"}, {"  0", " -7", "999"}));
  const std::string probed = dir.read("probe.txt");
  EXPECT_EQ(probed.substr(0, probed.find("0.5")), "2 3 0\n2 3 -7\n2 3 999\n0\n");
}

TEST(ConfigurationTest, UpToTwoThousandDaysAreAccepted) {
  TempDir dir;
  Settings settings;
  settings.day_count = "2000";
  write_standard_data(dir, settings);
  const Outcome outcome = run_routines(dir, [] {
    raingen::read_run_configuration();
    probe(std::to_string(raingen::RunSettings.day_count));
  });
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(dir.read("probe.txt"), "2000\n");
}

TEST(ConfigurationStopTest, MissingSettingsFile) {
  TempDir dir;
  write_standard_data(dir);
  std::filesystem::remove(dir / "INPUT.TXT");
  const Outcome outcome = run_program_in(dir);
  EXPECT_EQ(outcome.exit_status, 1);
  EXPECT_EQ(outcome.out, "INPUT FILE NOT FOUND.\r\n" + stop_text + "\r\n");
  EXPECT_EQ(outcome.err, "");
  EXPECT_FALSE(dir.exists("RESULTS.TXT"));
  EXPECT_FALSE(dir.exists("SOURCE.OUT"));
}

TEST(ConfigurationStopTest, EachMissingStationFileInTurn) {
  const char* ids[] = {"ALFA", "BRAV", "CHAR"};
  for (int s = 1; s <= 3; ++s) {
    for (const char* suffix : {"D_3.TXT", "F_2.TXT", "F_3.TXT"}) {
      TempDir dir;
      write_standard_data(dir);
      const std::string missing = std::string(ids[s - 1]) + suffix;
      std::filesystem::remove(dir / missing);
      const Outcome outcome = run_program_in(dir);
      EXPECT_EQ(outcome.exit_status, 1) << missing;
      EXPECT_EQ(outcome.out, stop_text) << missing;
      EXPECT_EQ(outcome.err, "raingen: station file not found: " + missing + "\n");
      EXPECT_EQ(dir.read("RESULTS.TXT"), header_start(s - 1)) << missing;
      EXPECT_EQ(dir.read("SOURCE.OUT"), "") << missing;
    }
  }
}

TEST(ConfigurationStopTest, SeveralMissingFilesOfOneStationAreAllNamed) {
  TempDir dir;
  write_standard_data(dir);
  std::filesystem::remove(dir / "BRAVF_3.TXT");
  std::filesystem::remove(dir / "BRAVD_3.TXT");
  dir.write("SOURCE.OUT", "OLD\r\n");
  const Outcome outcome = run_program_in(dir);
  EXPECT_EQ(outcome.exit_status, 1);
  EXPECT_EQ(outcome.out, stop_text);
  EXPECT_EQ(outcome.err,
            "raingen: station file not found: BRAVD_3.TXT\n"
            "raingen: station file not found: BRAVF_3.TXT\n");
  EXPECT_EQ(dir.read("RESULTS.TXT"), header_start(1));
  EXPECT_EQ(dir.read("SOURCE.OUT"), "OLD\r\n");
}

const std::string open_error_out = "ERROR HAPPENS WHEN OPENING THE FILE.\r\n" + stop_text + "\r\n";

TEST(ConfigurationStopTest, ResultsFileNamedLikeTheSettingsFile) {
  TempDir dir;
  Settings settings;
  settings.results_name = "INPUT.TXT";
  write_standard_data(dir, settings);
  const std::string input = dir.read("INPUT.TXT");
  const Outcome outcome = run_program_in(dir);
  EXPECT_EQ(outcome.exit_status, 1);
  EXPECT_EQ(outcome.out, open_error_out);
  EXPECT_EQ(outcome.err, "raingen: cannot open file: INPUT.TXT\n");
  EXPECT_EQ(dir.read("INPUT.TXT"), input);
  EXPECT_FALSE(dir.exists("SOURCE.OUT"));
}

TEST(ConfigurationStopTest, ResultsFileNamedLikeSourceOut) {
  TempDir dir;
  Settings settings;
  settings.results_name = "SOURCE.OUT";
  write_standard_data(dir, settings);
  const Outcome outcome = run_program_in(dir);
  EXPECT_EQ(outcome.exit_status, 1);
  EXPECT_EQ(outcome.out, open_error_out);
  EXPECT_EQ(outcome.err, "raingen: cannot open file: SOURCE.OUT\n");
  EXPECT_EQ(dir.read("SOURCE.OUT"), "SYNTHETIC RAINFALL GENERATION\r\n");
}

TEST(ConfigurationStopTest, TwoStationsWithOneIdentifier) {
  TempDir dir;
  Settings settings;
  settings.station_ids = {"ALFA", "ALFA", "CHAR"};
  write_standard_data(dir, settings);
  const Outcome outcome = run_program_in(dir);
  EXPECT_EQ(outcome.exit_status, 1);
  EXPECT_EQ(outcome.out, open_error_out);
  EXPECT_EQ(outcome.err, "raingen: cannot open file: ALFAD_3.TXT\n");
  EXPECT_EQ(dir.read("RESULTS.TXT"), header_start(1) + "STATION #2: ALFA\r\n");
}

TEST(ConfigurationStopTest, SettingsFileOfEightRecords) {
  TempDir dir;
  write_standard_data(dir);
  std::string input = dir.read("INPUT.TXT");
  input.erase(input.rfind("SETTING:"));
  dir.write("INPUT.TXT", input);
  const Outcome outcome = run_program_in(dir);
  EXPECT_EQ(outcome.exit_status, 1);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err, read_error_report(6501, "INPUT.TXT"));
  EXPECT_EQ(dir.read("RESULTS.TXT"), standard_header);
}

TEST(ConfigurationStopTest, UnreadableHeaderCountOfAStationFile) {
  TempDir dir;
  write_standard_data(dir);
  dir.write("BRAVF_3.TXT", "INDEX\nRECORDS    THREE\n\n        1\n");
  const Outcome outcome = run_program_in(dir);
  EXPECT_EQ(outcome.exit_status, 1);
  EXPECT_EQ(outcome.err, read_error_report(6101, "BRAVF_3.TXT"));
  EXPECT_EQ(dir.read("RESULTS.TXT"), header_start(2));
}

TEST(ConfigurationStopTest, MoreThanTwoThousandDays) {
  TempDir dir;
  Settings settings;
  settings.day_count = "2001";
  write_standard_data(dir, settings);
  const Outcome outcome = run_program_in(dir);
  EXPECT_EQ(outcome.exit_status, 1);
  EXPECT_EQ(outcome.out, "NUMBER OF DAYS EXCEEDS 2000.\r\n" + stop_text + "\r\n");
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(dir.read("RESULTS.TXT"), standard_header);
  EXPECT_EQ(dir.read("SOURCE.OUT"), "");
}

}  // namespace
