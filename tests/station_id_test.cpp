// The one rule for a station identifier and the names of its three files, and every tool holding
// to it: raingen-prepare's three uses refuse an identifier on the command line (a usage error), and
// raingen-ensemble and raingen-report refuse an INPUT.TXT that holds one, naming file and line,
// before anything is read further or written.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/tool_error.h"
#include "stations/station_id.h"
#include "support/tool_runs.h"

namespace {

using namespace testing_support;
using raingen::common::StationFile;
using raingen::stations::StationId;
namespace fs = std::filesystem;
using namespace std::string_view_literals;

TEST(StationId, OneRuleAndTheNamesOfItsFiles) {
  struct Case {
    std::string_view text;
    std::array<const char*, 3> names;  // none when refused
  };
  const Case cases[] = {
      {"PD01", {"PD01D_3.TXT", "PD01F_2.TXT", "PD01F_3.TXT"}},
      {"P3", {"P3  D_3.TXT", "P3  F_2.TXT", "P3  F_3.TXT"}},  // padded, as the program opens them
      {"A", {"A   D_3.TXT", "A   F_2.TXT", "A   F_3.TXT"}},
      {"!~#.", {"!~#.D_3.TXT", "!~#.F_2.TXT", "!~#.F_3.TXT"}},  // any printable ASCII but the two
      {"", {}},
      {"ALFAB", {}},  // five characters
      {"A B", {}},    // a blank inside
      {" AB", {}},    // the program would open "ABD_3.TXT"
      {"AB ", {}},    // a blank the padding could not be told from
      {"A/B", {}},    // a file in another directory
      {"/", {}},
      {"A\tB", {}},
      {"AB\r", {}},
      {"A\x01", {}},
      {"\x7f", {}},
      {"\xc3\xa9", {}},  // é in UTF-8: not ASCII
      {"A\0B"sv, {}},
  };
  for (const Case& c : cases) {
    const std::optional<StationId> id = StationId::from(c.text);
    const bool accepted = c.names[0] != nullptr;
    ASSERT_EQ(id.has_value(), accepted) << "'" << c.text << "'";
    if (!accepted) {
      if (c.text.find('\0') != std::string_view::npos) continue;  // no message shows it whole
      try {
        StationId::given(c.text, "--id");
        ADD_FAILURE() << c.text;
      } catch (const raingen::common::UsageError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "--id '" + std::string(c.text) + "' must be 1 to 4 printable ASCII characters, no blank or '/'");
      }
      continue;
    }
    EXPECT_EQ(id->text(), c.text);
    EXPECT_EQ(id->file_name(StationFile::spell_table), c.names[0]);
    EXPECT_EQ(id->file_name(StationFile::day_records), c.names[1]);
    EXPECT_EQ(id->file_name(StationFile::day_index), c.names[2]);
    EXPECT_EQ(id->file_names(), (std::array<std::string, 3>{c.names[0], c.names[1], c.names[2]}));
    EXPECT_EQ(fmt::format("[{:<4}]", *id), fmt::format("[{:<4}]", c.text));
    EXPECT_EQ(StationId::given(c.text, "--id"), *id);
  }
  EXPECT_TRUE(StationId().empty());
}

std::vector<std::string> listing(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

Outcome tool_in(const fs::path& dir, const char* tool, const std::vector<std::string>& arguments) {
  ChildSetup setup;
  setup.directory = dir;
  return run_tool_program(setup, tool, arguments);
}

TEST(StationId, RaingenPrepareRefusesAnIdentifierInEachUse) {
  TempDir dir;
  dir.write("r.csv", "time,rain\n2001-05-24 00:15,0\n2001-05-24 00:30,1\n");
  const std::vector<std::string> settings = {"--site", "S", "--days", "10", "--station", "A=1", "--station", "B=2"};
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--id", "A B", "r.csv"}, "--id 'A B'"},
      {{"--id", "A/", "r.csv"}, "--id 'A/'"},
      {{"--id", "ALFAB", "r.csv"}, "--id 'ALFAB'"},
      {{"--site", "S", "--days", "10", "--station", "A=1", "--station", "B=2", "--station", "C D=3"},
       "station 3 identifier 'C D'"},
      {{"--site", "S", "--days", "10", "--station", "A\tB=1", "--station", "B=2", "--station", "C=3"},
       "station 1 identifier 'A\\tB'"},  // a tab shown escaped, as every control byte in a message
      {{"--weighted-site", "W S", "--site", "S", "--days", "10", "--gauge", "A=r.csv", "--gauge", "B=r.csv", "--gauge",
        "C=r.csv", "--station", "A=1", "--station", "B=2", "--station", "C=3"},
       "--weighted-site 'W S'"},
  };
  for (const auto& [arguments, what] : cases) {
    const Outcome o = tool_in(dir.path(), "raingen-prepare", arguments);
    EXPECT_EQ(o.exit_status, 2) << what;
    EXPECT_EQ(o.err, "raingen-prepare: " + what + " must be 1 to 4 printable ASCII characters, no blank or '/'\n");
    EXPECT_EQ(o.out, "") << what;
  }
  EXPECT_EQ(listing(dir.path()), std::vector<std::string>{"r.csv"});
}

TEST(StationId, TheEnsembleAndTheReportRefuseAnInputTxtThatBreaksTheRule) {
  // Station 2 with a blank before it: the program would open MELD_3.TXT, a file no tool shows.
  TempDir dir;
  fs::copy(RAINGEN_EXAMPLE_DATA, dir.path());
  std::string input = dir.read("INPUT.TXT");
  input.replace(input.find("MELV"), 4, " MEL");
  dir.write("INPUT.TXT", input);
  const std::vector<std::string> before = listing(dir.path());
  const std::string message =
      "INPUT.TXT:4: station 2 identifier ' MEL' must be 1 to 4 printable ASCII characters, "
      "no blank or '/'\n";

  const Outcome ensemble = tool_in(dir.path(), "raingen-ensemble", {"--realizations", "2"});
  EXPECT_EQ(ensemble.exit_status, 1);
  EXPECT_EQ(ensemble.err, "raingen-ensemble: " + message);
  const Outcome report = tool_in(dir.path(), "raingen-report", {"--gauge", "KARO=KAROF_2.TXT"});
  EXPECT_EQ(report.exit_status, 1);
  EXPECT_EQ(report.err, "raingen-report: ./" + message);
  EXPECT_EQ(listing(dir.path()), before);
}

}  // namespace
