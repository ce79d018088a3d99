// Seasons and long series end to end, as a user makes them: the pau01 gauges prepared with
// --seasons, one station summed up season by season, a site station in seasons; raingen-ensemble
// laying realizations out along the calendar, every block against a plain run of the program in
// its season's folder with the block's day count and its seed (the program's own generator
// stepped on by the test), a plain long run in 2000-day blocks read back by raingen-export, a
// failed block failing its realization, and bad input refused with nothing written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <date/date.h>
#include <fmt/format.h>

#include "ensemble_file/ensemble_file.h"
#include "generator/shared.h"
#include "support/tool_runs.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;
using raingen::ensemble_file::EnsembleReader;

std::map<std::string, std::string> files_in(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    files[fs::relative(entry.path(), dir).string()] = entry.is_regular_file() ? read_file(entry.path()) : "(dir)";
  return files;
}

Outcome tool_in(const fs::path& dir, const std::string& tool, const std::vector<std::string>& arguments) {
  ChildSetup setup;
  setup.directory = dir;
  setup.timeout_seconds = 600;
  return run_tool_program(setup, tool, arguments);
}

std::string record(int gauge) {
  return (fs::path(RAINGEN_EXAMPLE_RECORDS) / fmt::format("iMHEA_PAU_01_PD_0{}_raw.csv", gauge)).string();
}

// The seed of block (from 0) of the realization whose first block has seed first: the program's
// generator, seeded with first, after block x 16384 draws.
int block_seed(int first, int block) {
  raingen::reset_shared_state();
  raingen::set_seed(first);
  for (long draw = 0; draw < 16384L * block; ++draw) raingen::next_random();
  return block == 0 ? first : raingen::generator_state;
}

// A plain run of the program in a copy of folder with INPUT.TXT's day count set to days (columns
// 15-18 of record 9) and RAINGEN_SEED=seed: its SOURCE.OUT.
std::string plain_run(const fs::path& folder, int days, int seed) {
  TempDir copy;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().extension() == ".TXT" && entry.path().filename() != "RESULTS.TXT")
      fs::copy(entry.path(), copy.path());
  std::string input = copy.read("INPUT.TXT");
  std::size_t record9 = 0;
  for (int line = 1; line < 9; ++line) record9 = input.find('\n', record9) + 1;
  input.replace(record9 + 14, 4, fmt::format("{:4}", days));
  copy.write("INPUT.TXT", input);
  ChildSetup setup;
  setup.directory = copy.path();
  setup.environment = {{"RAINGEN_SEED", std::to_string(seed)}};
  const Outcome outcome = run_raingen(setup);
  EXPECT_EQ(outcome.exit_status, 0) << outcome.err;
  return copy.read("SOURCE.OUT");
}

struct Block {
  std::string folder;  // the season's, or "" for the run directory itself
  int days;
};

// The table of a realization laid out from its blocks: each a plain run of its folder with its day
// count and its seed, its times counted on from the rows before it.
std::string laid_out(const fs::path& run, const std::vector<Block>& blocks, int first_seed) {
  std::string table;
  long rows = 0;
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    const std::string block =
        plain_run(run / blocks[b].folder, blocks[b].days, block_seed(first_seed, static_cast<int>(b)));
    EXPECT_EQ(block.size(), 23u * 96 * static_cast<std::size_t>(blocks[b].days));
    for (std::size_t at = 0; at < block.size(); at += 23)
      table += fmt::format("{:12}", 15 * ++rows) + block.substr(at + 12, 11);
  }
  return table;
}

// Where two long texts first differ, shown briefly.
std::string first_difference(const std::string& a, const std::string& b) {
  if (a == b) return "";
  std::size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  const std::size_t from = at < 46 ? 0 : at - 46;
  return fmt::format("sizes {} and {}, differ at byte {}: '{}' against '{}'", a.size(), b.size(), at,
                     a.substr(from, 92), b.substr(from, 92));
}

// Realization index of the file holds the table's depths, each the float nearest to its text.
void expect_depths_are(const EnsembleReader& file, long index, const std::string& table) {
  std::vector<float> depths(file.layout().intervals);
  file.read(index, depths);
  ASSERT_EQ(depths.size() * 23, table.size());
  for (std::size_t row = 0; row < depths.size(); ++row)
    ASSERT_EQ(depths[row], std::strtof(table.substr(row * 23 + 12, 9).c_str(), nullptr)) << "row " << row + 1;
}

std::string without_timing(const std::string& text) {
  const std::size_t in = text.rfind(" in ");
  const std::size_t failed = text.rfind(" failed");
  if (in == std::string::npos || failed == std::string::npos) return text;
  return text.substr(0, in) + " in T" + text.substr(text.rfind("), ") + 1);
}

// The three pau01 gauges prepared with --seasons quarters, and INPUT.TXT, once for the tests.
class SeasonalRuns : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    const fs::path run = *dir_ / "quarters";
    fs::create_directory(run);
    for (int i = 1; i <= 3; ++i) {
      const Outcome o =
          tool_in(run, "raingen-prepare", {"--seasons", "quarters", "--id", fmt::format("PD0{}", i), record(i)});
      ASSERT_EQ(o.exit_status, 0) << o.err;
    }
    const Outcome o = tool_in(
        run, "raingen-prepare",
        {"--site", "PAU01", "--days", "2000", "--station", "PD01=1", "--station", "PD02=1", "--station", "PD03=1"});
    ASSERT_EQ(o.exit_status, 0) << o.err;
    ASSERT_EQ(o.out,
              "./Dec-Feb/INPUT.TXT and that of every other season's folder: results RESULTS.TXT, site PAU01, 2000 "
              "days\n"
              "  station 1  PD01  distance   1\n"
              "  station 2  PD02  distance   1\n"
              "  station 3  PD03  distance   1\n"
              "./RAINGEN.TXT: [site] PAU01, no position (--site-at), clock not stated\n"
              "  [seasons] Dec-Feb, Mar-May, Jun-Aug, Sep-Nov, with the checksums of the 4 files written into "
              "their folders\n");
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  // A copy of the prepared run directory in dir/run.
  static fs::path copy_into(const TempDir& dir) {
    fs::copy(*dir_ / "quarters", dir / "run", fs::copy_options::recursive);
    return dir / "run";
  }
  static TempDir* dir_;
};
TempDir* SeasonalRuns::dir_ = nullptr;

TEST_F(SeasonalRuns, PreparedSeasonBySeasonIntoFoldersWithTheirChecksums) {
  const auto files = files_in(*dir_ / "quarters");
  for (const char* season : {"Dec-Feb", "Mar-May", "Jun-Aug", "Sep-Nov"})
    for (const char* name : {"INPUT.TXT", "PD01D_3.TXT", "PD01F_2.TXT", "PD01F_3.TXT", "PD02F_2.TXT", "PD03F_3.TXT"})
      EXPECT_TRUE(files.count(fmt::format("{}/{}", season, name))) << season << "/" << name;
  EXPECT_EQ(files.size(), 1 + 4 * 11u) << "RAINGEN.TXT, and four folders of INPUT.TXT and nine station files";
  // Every wet day of a season's file lies in its months.
  for (const auto& [season, months] :
       std::map<std::string, std::set<std::string>>{{"Dec-Feb", {"12", "01", "02"}}, {"Jun-Aug", {"06", "07", "08"}}}) {
    const std::string index = files.at(season + "/PD02F_3.TXT");
    std::size_t days = 0;
    for (std::size_t at = index.find("\r\n", index.find("KEY")) + 2; at < index.size();
         at = index.find("\r\n", at) + 2) {
      EXPECT_TRUE(months.count(index.substr(at + 5, 2))) << season << ": " << index.substr(at, 30);
      ++days;
    }
    EXPECT_GT(days, 200u) << season;
  }
  const std::string facts = files.at("RAINGEN.TXT");
  EXPECT_NE(facts.find("[seasons]\nseason = Dec-Feb 12-2\nseason = Mar-May 3-5\nseason = Jun-Aug 6-8\n"
                       "season = Sep-Nov 9-11\nfile = Dec-Feb/PD01D_3.TXT "),
            std::string::npos)
      << facts;
  std::size_t file_lines = 0;
  for (std::size_t at = facts.find("\nfile = "); at != std::string::npos; at = facts.find("\nfile = ", at + 1))
    ++file_lines;
  EXPECT_EQ(file_lines, 4 * 10u) << "INPUT.TXT and nine station files in each of four folders\n" << facts;
  for (int i = 1; i <= 3; ++i) EXPECT_NE(facts.find(record(i)), std::string::npos) << record(i) << "\n" << facts;
}

// Realizations of 400 days from 15 November: 16 days of Sep-Nov, a whole Dec-Feb, Mar-May, Jun-Aug
// and Sep-Nov, and 19 days of December: six blocks, each the plain run of its season's folder.
TEST_F(SeasonalRuns, EveryBlockIsAPlainRunInItsSeasonsFolderWithItsSeed) {
  TempDir dir;
  const fs::path run = copy_into(dir);
  const auto inputs = files_in(run);
  const Outcome outcome = tool_in(run, "raingen-ensemble",
                                  {"--realizations", "2", "--seed", "7", "--days", "400", "--start", "2001-11-15",
                                   "--jobs", "2", "--keep", "../kept", "--output", "../e.nc"});
  ASSERT_EQ(outcome.exit_status, 0) << outcome.err;
  EXPECT_EQ(without_timing(outcome.err), "raingen-ensemble: 2 realizations in T, 0 failed: ../e.nc\n") << outcome.err;
  EXPECT_EQ(files_in(run), inputs);
  const std::vector<Block> blocks{{"Sep-Nov", 16}, {"Dec-Feb", 90}, {"Mar-May", 92},
                                  {"Jun-Aug", 92}, {"Sep-Nov", 91}, {"Dec-Feb", 19}};
  const EnsembleReader file(dir / "e.nc");
  ASSERT_EQ(file.layout().intervals, 400u * 96);
  EXPECT_NE(file.layout().source.find("400 days from 2001-11-15 00:00 in 6 runs of at most 2000 days"),
            std::string::npos)
      << file.layout().source;
  for (int k = 1; k <= 2; ++k) {
    const std::string expected = laid_out(run, blocks, 6 + k);
    EXPECT_EQ(first_difference(read_file(dir / fmt::format("kept/SOURCE_000{}.OUT", k)), expected), "") << k;
    EXPECT_EQ(file.seed(k - 1), 6 + k);
    EXPECT_TRUE(file.complete(k - 1));
    expect_depths_are(file, k - 1, expected);
  }
  // The first block is the plain run with the realization's seed (a realization of one block is
  // the plain run with RAINGEN_SEED = S + k - 1).
  EXPECT_EQ(block_seed(7, 0), 7);
}

// A plain run directory and --days longer than a run: 2000-day blocks laid end to end, which
// raingen-export reads like any table; --days within a run: one block, the plain run with
// RAINGEN_SEED = S + k - 1 and that day count.
TEST(LongRuns, APlainLongRunIsLaidOutIn2000DayBlocks) {
  TempDir dir;
  const fs::path run = dir / "run";
  fs::create_directories(run);
  fs::copy(RAINGEN_EXAMPLE_DATA, run);
  const Outcome outcome =
      tool_in(run, "raingen-ensemble",
              {"--realizations", "1", "--seed", "3", "--days", "4100", "--keep", "../kept", "--output", "../long.nc"});
  ASSERT_EQ(outcome.exit_status, 0) << outcome.err;
  const std::string expected = laid_out(run, {{"", 2000}, {"", 2000}, {"", 100}}, 3);
  const std::string kept = read_file(dir / "kept/SOURCE_0001.OUT");
  EXPECT_EQ(first_difference(kept, expected), "");
  EXPECT_EQ(kept.substr(kept.size() - 23), fmt::format("{:12}", 4100 * 1440) + kept.substr(kept.size() - 11));
  expect_depths_are(EnsembleReader(dir / "long.nc"), 0, expected);

  const Outcome exported = tool_in(dir.path(), "raingen-export",
                                   {"--format", "csv", "--start", "2001-01-01", "kept/SOURCE_0001.OUT", "long.csv"});
  ASSERT_EQ(exported.exit_status, 0) << exported.err;
  const std::string csv = read_file(dir / "long.csv");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 4100 * 96 + 1);
  const auto end = date::sys_days{date::year{2001} / 1 / 1} + date::days{4100};
  EXPECT_TRUE(csv.ends_with(date::format("%F %R,", end - std::chrono::minutes{15}) + date::format("%F %R,", end) +
                            fmt::format("{:.3f}\n", std::strtod(kept.substr(kept.size() - 11, 9).c_str(), nullptr))))
      << csv.substr(csv.size() - 80);

  const Outcome short_run = tool_in(
      run, "raingen-ensemble",
      {"--realizations", "2", "--seed", "11", "--days", "100", "--keep", "../short", "--output", "../short.nc"});
  ASSERT_EQ(short_run.exit_status, 0) << short_run.err;
  for (int k = 1; k <= 2; ++k)
    EXPECT_EQ(read_file(dir / fmt::format("short/SOURCE_000{}.OUT", k)), plain_run(run, 100, 10 + k)) << k;
  EXPECT_TRUE(EnsembleReader(dir / "short.nc")
                  .layout()
                  .source.ends_with("/run/INPUT.TXT with its day count set to 100, RAINGEN_SEED 11 to 12"))
      << EnsembleReader(dir / "short.nc").layout().source;
}

// The program replaced by a script beside a copy of raingen-ensemble: the run with one seed fails.
fs::path failing_for(const TempDir& dir, int seed) {
  const fs::path bin = dir / "bin";
  fs::create_directory(bin);
  fs::copy(fs::path(RAINGEN_TOOL_DIR) / "raingen-ensemble", bin);
  write_file(bin / "raingen", fmt::format("#!/bin/sh\nif [ \"$RAINGEN_SEED\" = {} ]; then echo broken >&2; exit 1; fi\n"
                                          "exec {}\n",
                                          seed, RAINGEN_PROGRAM));
  fs::permissions(bin / "raingen", fs::perms::owner_all);
  return bin / "raingen-ensemble";
}

TEST_F(SeasonalRuns, AFailedBlockFailsItsRealization) {
  TempDir dir;
  const fs::path run = copy_into(dir);
  const int third = block_seed(1, 2);  // realization 1's Mar-May
  ChildSetup setup;
  setup.directory = run;
  setup.timeout_seconds = 600;
  const Outcome outcome = run_program_file(setup, failing_for(dir, third).string(),
                                           {"--realizations", "2", "--days", "400", "--start", "2001-11-15", "--jobs",
                                            "1", "--keep", "../kept", "--output", "../e.nc"});
  EXPECT_EQ(outcome.exit_status, 1);
  EXPECT_EQ(without_timing(outcome.err),
            fmt::format("raingen-ensemble: realization 1 (seed 1) failed: block 3 of 6 (Mar-May, days 107 to 198, "
                        "RAINGEN_SEED {}): exit status 1\n"
                        "    standard output: (nothing)\n"
                        "    standard error:  broken\n"
                        "raingen-ensemble: 2 realizations in T, 1 failed: ../e.nc\n",
                        third));
  EXPECT_EQ(files_in(dir / "kept").size(), 1u);
  const EnsembleReader file(dir / "e.nc");
  EXPECT_FALSE(file.complete(0));
  EXPECT_TRUE(file.complete(1));
  std::vector<float> depths(file.layout().intervals);
  file.read(0, depths);
  EXPECT_EQ(std::set<float>(depths.begin(), depths.end()), std::set<float>{raingen::ensemble_file::failed_fill_value});
  expect_depths_are(file, 1, read_file(dir / "kept/SOURCE_0002.OUT"));
}

struct Refusal {
  const char* name;
  std::function<void(const fs::path&)> change;
  std::string tool;
  std::vector<std::string> arguments;
  int status;
  std::string message;
};

TEST_F(SeasonalRuns, BadInputIsRefusedWithNothingWritten) {
  const auto append = [](const char* name) {
    return [name](const fs::path& run) { write_file(run / name, read_file(run / name) + " "); };
  };
  const std::string facts = read_file(*dir_ / "quarters/RAINGEN.TXT");
  const auto line_of = [&](const std::string& text) {
    return std::count(facts.begin(), facts.begin() + static_cast<long>(facts.find(text)), '\n') + 1;
  };
  const std::vector<Refusal> cases = {
      {"a season's folder missing",
       [](const fs::path& run) { fs::remove_all(run / "Jun-Aug"); },
       "raingen-ensemble",
       {"--realizations", "1"},
       1,
       fmt::format("Jun-Aug: missing: RAINGEN.TXT (line {}) lists season Jun-Aug, whose folder holds its INPUT.TXT and "
                   "station files; prepare them again (raingen-prepare --dir .)",
                   line_of("[seasons]"))},
      {"a station file changed",
       append("Mar-May/PD02F_2.TXT"),
       "raingen-ensemble",
       {"--realizations", "1"},
       1,
       fmt::format("Mar-May/PD02F_2.TXT: has changed since raingen-prepare wrote it (RAINGEN.TXT line {} holds the "
                   "checksum of what it wrote): prepare it again",
                   line_of("Mar-May/PD02F_2.TXT"))},
      {"INPUT.TXT changed",
       append("Sep-Nov/INPUT.TXT"),
       "raingen-ensemble",
       {"--realizations", "1"},
       1,
       fmt::format("Sep-Nov/INPUT.TXT: has changed since raingen-prepare wrote it (RAINGEN.TXT line {} holds the "
                   "checksum of what it wrote): prepare it again",
                   line_of("Sep-Nov/INPUT.TXT"))},
      {"a file not written for the season",
       [](const fs::path& run) {
         std::string text = read_file(run / "RAINGEN.TXT");
         const std::size_t at = text.find("file = Dec-Feb/INPUT.TXT");
         write_file(run / "RAINGEN.TXT", text.erase(at, text.find('\n', at) + 1 - at));
       },
       "raingen-ensemble",
       {"--realizations", "1"},
       1,
       "Dec-Feb/INPUT.TXT: was not written by raingen-prepare for season Dec-Feb (RAINGEN.TXT holds no checksum of "
       "it): prepare it with raingen-prepare --dir ."},
      {"no days",
       [](const fs::path&) {},
       "raingen-ensemble",
       {"--realizations", "1", "--days", "0"},
       2,
       "--days: Value 0 not in range 1 to 694444 (see --help)"},
      {"days past the table's times",
       [](const fs::path&) {},
       "raingen-ensemble",
       {"--realizations", "1", "--days", "694445"},
       2,
       "--days: Value 694445 not in range 1 to 694444 (see --help)"},
      {"days past the calendar",
       [](const fs::path&) {},
       "raingen-ensemble",
       {"--realizations", "1", "--days", "1000", "--start", "9999-06-01"},
       2,
       "--start 9999-06-01 00:00 with 1000 days runs past the calendar's last day, 9999-12-31"},
      {"a month left out",
       [](const fs::path&) {},
       "raingen-prepare",
       {"--seasons", "11-4,5-9", "--id", "PD01", record(1)},
       2,
       "--seasons '11-4,5-9': October is in no season: every month belongs to exactly one"},
      {"a month twice",
       [](const fs::path&) {},
       "raingen-prepare",
       {"--seasons", "1-6,6-12", "--id", "PD01", record(1)},
       2,
       "--seasons '1-6,6-12': June is in two seasons (1-6 and 6-12): every month belongs to exactly one"},
      {"other seasons than the directory's",
       [](const fs::path&) {},
       "raingen-prepare",
       {"--seasons", "11-4,5-10", "--id", "PD01", record(1)},
       1,
       fmt::format("./RAINGEN.TXT:{}: this run directory's seasons are Dec-Feb, Mar-May, Jun-Aug, Sep-Nov "
                   "(12-2,3-5,6-8,9-11), not the 11-4,5-10 of --seasons: prepare every station and INPUT.TXT of a run "
                   "directory with one --seasons (or use another --dir)",
                   line_of("[seasons]"))},
  };
  for (const Refusal& refusal : cases) {
    TempDir dir;
    const fs::path run = copy_into(dir);
    refusal.change(run);
    const auto inputs = files_in(run);
    const Outcome outcome = tool_in(run, refusal.tool, refusal.arguments);
    EXPECT_EQ(outcome.exit_status, refusal.status) << refusal.name;
    EXPECT_EQ(outcome.out, "") << refusal.name;
    EXPECT_EQ(outcome.err, refusal.tool + ": " + refusal.message + "\n") << refusal.name;
    EXPECT_EQ(files_in(run), inputs) << refusal.name;
  }
}

// A site station in halves of the year: the site record and the first two gauges season by
// season, INPUT.TXT in each folder with the site station at distance 0; and an ensemble on it.
TEST(SeasonalPrepare, ASiteStationInSeasons) {
  TempDir dir;
  const Outcome o = tool_in(dir.path(), "raingen-prepare", {"--weighted-site", "SITE",
                                                            "--seasons",       "11-4,5-10",
                                                            "--site",          "PAU01",
                                                            "--days",          "2000",
                                                            "--gauge",         "PD01=" + record(1),
                                                            "--gauge",         "PD02=" + record(2),
                                                            "--gauge",         "PD03=" + record(3),
                                                            "--station",       "PD01=1",
                                                            "--station",       "PD02=1",
                                                            "--station",       "PD03=1"});
  ASSERT_EQ(o.exit_status, 0) << o.err;
  EXPECT_EQ(o.out.substr(0, 5), "SITE:");
  for (const char* line : {"  seasons         Nov-Apr, May-Oct (--seasons 11-4,5-10): the files of each from its days "
                           "alone, in its folder\n",
                           "  season Nov-Apr  November to April: ", "    written         ./Nov-Apr/SITED_3.TXT",
                           "    written         ./May-Oct/PD02D_3.TXT",
                           "./Nov-Apr/INPUT.TXT and that of every other season's folder: results RESULTS.TXT, site "
                           "PAU01, 2000 days\n",
                           "  [seasons] Nov-Apr, May-Oct, with the checksums of the 20 files written into their "
                           "folders\n"})
    EXPECT_NE(o.out.find(line), std::string::npos) << line << "\n" << o.out;
  EXPECT_EQ(files_in(dir.path()).size(), 1 + 2 * 11u);
  const std::string input = read_file(dir / "May-Oct/INPUT.TXT");
  EXPECT_NE(input.find("STATION 1:    SITE\r\n"), std::string::npos) << input;
  EXPECT_NE(input.find("DISTANCE 1:     0\r\n"), std::string::npos) << input;
  EXPECT_EQ(read_file(dir / "Nov-Apr/INPUT.TXT"), input);

  const Outcome ensemble =
      tool_in(dir.path(), "raingen-ensemble", {"--realizations", "1", "--days", "800", "--keep", "kept"});
  ASSERT_EQ(ensemble.exit_status, 0) << ensemble.err;
  // From 1 January: 120 days of Nov-Apr, 184 of May-Oct, 181 of Nov-Apr (2001-2002), 184, 131.
  EXPECT_EQ(
      first_difference(
          read_file(dir / "kept/SOURCE_0001.OUT"),
          laid_out(dir.path(),
                   {{"Nov-Apr", 120}, {"May-Oct", 184}, {"Nov-Apr", 181}, {"May-Oct", 184}, {"Nov-Apr", 131}}, 1)),
      "");
}

// One station season by season: its summary, one block per season.
TEST(SeasonalPrepare, TheSummaryHasABlockPerSeason) {
  TempDir dir;
  std::string csv = "time,rain_mm\n";
  const auto start = date::sys_days{date::year{2003} / 1 / 1};
  for (int d = 0; d < 365; ++d)
    for (int j = 0; j < 96; ++j) {
      const bool summer = d >= 181;  // from 1 July
      const double depth = j == 30 && d % (summer ? 2 : 3) == 0 ? (summer ? 4.25 : 0.5) : 0.0;
      csv += date::format("%Y-%m-%d %H:%M", start + date::days{d} + std::chrono::minutes{(j + 1) * 15}) +
             fmt::format(",{}\n", depth);
    }
  dir.write("r.csv", csv);
  const Outcome o = tool_in(dir.path(), "raingen-prepare", {"--seasons", "1-6,7-12", "--id", "AB", "r.csv"});
  ASSERT_EQ(o.exit_status, 0) << o.err;
  EXPECT_EQ(o.out,
            "AB: r.csv (read as csv, 15-minute step, 35040 readings)\n"
            "  period          2003-01-01 to 2003-12-31, 365 days\n"
            "  seasons         Jan-Jun, Jul-Dec (--seasons 1-6,7-12): the files of each from its days alone, in its "
            "folder\n"
            "  season Jan-Jun  January to June: 181 of the 365 days\n"
            "    complete days   181; missing intervals taken as dry: 0 in 0 days (--min-complete 100)\n"
            "    days with gaps  0\n"
            "    wet days        61 (above 0 mm), dry days 120\n"
            "    dry spells      60 ended by a wet day, 1 censored by a gap, the season's end or the record's end; "
            "longest 2 days\n"
            "    total depth     30.50 mm on complete days as read; on wet days 30.50 mm as read, 30.50 mm as written "
            "(0.01 mm)\n"
            "    written         ./Jan-Jun/AB  D_3.TXT (matched spell table, 2 entries)\n"
            "                    ./Jan-Jun/AB  F_2.TXT and ./Jan-Jun/AB  F_3.TXT (61 wet days and a copy of the last)\n"
            "  season Jul-Dec  July to December: 184 of the 365 days\n"
            "    complete days   184; missing intervals taken as dry: 0 in 0 days (--min-complete 100)\n"
            "    days with gaps  0\n"
            "    wet days        92 (above 0 mm), dry days 92\n"
            "    dry spells      91 ended by a wet day, 1 censored by a gap, the season's end or the record's end; "
            "longest 1 days\n"
            "    total depth     391.00 mm on complete days as read; on wet days 391.00 mm as read, 391.00 mm as "
            "written (0.01 mm)\n"
            "    written         ./Jul-Dec/AB  D_3.TXT (matched spell table, 1 entries)\n"
            "                    ./Jul-Dec/AB  F_2.TXT and ./Jul-Dec/AB  F_3.TXT (92 wet days and a copy of the last)\n"
            "  also written    ./RAINGEN.TXT: [station AB] with the record's path, 0 reading options given, clock not "
            "stated\n"
            "                  [seasons] Jan-Jun, Jul-Dec, with the checksums of the 6 files written into their "
            "folders\n");

  // The blank-padded names that RAINGEN.TXT lists read back: the station prepared again, two more
  // beside it, INPUT.TXT, and a year run from the folders.
  const Outcome again = tool_in(dir.path(), "raingen-prepare", {"--seasons", "1-6,7-12", "--id", "AB", "r.csv"});
  EXPECT_EQ(again.exit_status, 0) << again.err;
  EXPECT_EQ(again.out, o.out);
  for (const char* id : {"CD", "EFG"})
    ASSERT_EQ(tool_in(dir.path(), "raingen-prepare", {"--id", id, "r.csv"}).exit_status, 0) << id;
  const Outcome settings =
      tool_in(dir.path(), "raingen-prepare",
              {"--site", "S", "--days", "100", "--station", "AB=1", "--station", "CD=2", "--station", "EFG=3"});
  ASSERT_EQ(settings.exit_status, 0) << settings.err;
  const Outcome run = tool_in(dir.path(), "raingen-ensemble", {"-n", "1", "--days", "365", "--jobs", "1"});
  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(without_timing(run.err), "raingen-ensemble: 1 realizations in T, 0 failed: ensemble.nc\n");
  // Into a --dir not made yet: made.
  const Outcome fresh =
      tool_in(dir.path(), "raingen-prepare", {"--seasons", "1-6,7-12", "--id", "AB", "--dir", "new", "r.csv"});
  EXPECT_EQ(fresh.exit_status, 0) << fresh.err;
  EXPECT_TRUE(fs::exists(dir / "new/Jul-Dec/AB  F_2.TXT"));
}

}  // namespace
