// The netCDF files beyond what clients see: ensemble files of the earlier layout read and merged as
// their realizations, a damaged byte in the seeds found, a merge of more files than a process may
// keep open, a write that fails saying why, the run directory's position and clock taken by
// default (an option winning), and the history's command line.
#include <gtest/gtest.h>
#include <netcdf.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "ensemble_file/ensemble_file.h"
#include "run_directory/run_directory.h"
#include "netcdf/history.h"
#include "support/tool_runs.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;
using raingen::ensemble_file::EnsembleLayout;
using raingen::ensemble_file::EnsembleReader;
using raingen::ensemble_file::EnsembleWriter;

// A tool run with a resource limit (and SIGXFSZ ignored, so that a write past RLIMIT_FSIZE fails
// instead of ending the process).
Outcome limited_tool(const fs::path& dir, const std::string& tool, const std::vector<std::string>& arguments,
                     int resource, rlim_t limit) {
  ChildSetup setup;
  setup.directory = dir;
  setup.timeout_seconds = 280;
  return run_in_child(setup, [&] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit bound{limit, limit};
    if (setrlimit(resource, &bound) != 0) _exit(125);
    std::string program = (fs::path(RAINGEN_TOOL_DIR) / tool).string();
    std::vector<std::string> copies = arguments;
    std::vector<char*> argv{program.data()};
    for (auto& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(126);
  });
}

void check(int status) { ASSERT_EQ(status, NC_NOERR) << nc_strerror(status); }

// An ensemble file as the tool wrote it before time came first: rainfall(realization, time), int
// times at the end of each interval, no position, no history.
void write_earlier_file(const fs::path& path, const EnsembleLayout& layout, const std::vector<int>& seeds,
                        const std::vector<std::vector<float>>& depths) {
  int id = -1, realization = -1, time = -1, nv = -1, strlen = -1;
  check(nc_create(path.c_str(), NC_CLOBBER | NC_NETCDF4 | NC_CLASSIC_MODEL, &id));
  check(nc_def_dim(id, "realization", seeds.size(), &realization));
  check(nc_def_dim(id, "time", layout.intervals, &time));
  check(nc_def_dim(id, "nv", 2, &nv));
  check(nc_def_dim(id, "name_strlen", layout.site.size(), &strlen));
  int time_var = -1, bounds = -1, name = -1, number = -1, seed = -1, status = -1, rainfall = -1;
  check(nc_def_var(id, "time", NC_INT, 1, &time, &time_var));
  const std::string units = "minutes since 2001-01-01 00:00:00";
  check(nc_put_att_text(id, time_var, "units", units.size(), units.data()));
  const std::array<int, 2> time_nv{time, nv}, realization_time{realization, time};
  check(nc_def_var(id, "time_bnds", NC_INT, 2, time_nv.data(), &bounds));
  check(nc_def_var(id, "station_name", NC_CHAR, 1, &strlen, &name));
  check(nc_def_var(id, "realization", NC_INT, 1, &realization, &number));
  check(nc_def_var(id, "seed", NC_INT, 1, &realization, &seed));
  check(nc_def_var(id, "status", NC_BYTE, 1, &realization, &status));
  check(nc_def_var(id, "rainfall", NC_FLOAT, 2, realization_time.data(), &rainfall));
  check(nc_put_att_text(id, rainfall, "units", 2, "mm"));
  check(nc_put_att_text(id, NC_GLOBAL, "raingen_inputs_checksum", layout.checksum.size(), layout.checksum.data()));
  check(nc_enddef(id));
  std::vector<int> ends, bound_values;
  for (std::size_t k = 0; k < layout.intervals; ++k) {
    ends.push_back(15 * static_cast<int>(k + 1));
    bound_values.insert(bound_values.end(), {15 * static_cast<int>(k), 15 * static_cast<int>(k + 1)});
  }
  check(nc_put_var_int(id, time_var, ends.data()));
  check(nc_put_var_int(id, bounds, bound_values.data()));
  check(nc_put_var_text(id, name, layout.site.data()));
  for (std::size_t r = 0; r < seeds.size(); ++r) {
    const int n = static_cast<int>(r + 1);
    const signed char complete = 0;
    check(nc_put_var1_int(id, number, &r, &n));
    check(nc_put_var1_int(id, seed, &r, &seeds[r]));
    check(nc_put_var1_schar(id, status, &r, &complete));
    const std::array<std::size_t, 2> start{r, 0}, count{1, layout.intervals};
    check(nc_put_vara_float(id, rainfall, start.data(), count.data(), depths[r].data()));
  }
  check(nc_close(id));
}

std::string header_of(const fs::path& file) {
  ChildSetup setup;
  setup.directory = file.parent_path();
  return run_in_child(setup,
                      [&] {
                        std::string name = file.filename().string();
                        char* argv[] = {const_cast<char*>("ncdump"), const_cast<char*>("-h"), name.data(), nullptr};
                        execvp("ncdump", argv);
                        _exit(126);
                      })
      .out;
}

std::vector<float> depths_of(const EnsembleReader& reader, long index) {
  std::vector<float> depths(reader.layout().intervals);
  reader.read(index, depths);
  return depths;
}

TEST(EnsembleFile, EarlierFilesReadAsTheirRealizationsAndMergeIntoTheNewLayout) {
  TempDir dir;
  run_example(dir);
  ASSERT_EQ(run_tool_in(dir.path(), "raingen-ensemble", {"--realizations", "2", "--seed", "5", "--output", "new.nc"})
                .exit_status,
            0);
  const EnsembleReader made(dir / "new.nc");
  // The same realizations (seeds 5 and 6) in the earlier layout, with seeds 1 and 2.
  write_earlier_file(dir / "old.nc", made.layout(), {1, 2}, {depths_of(made, 0), depths_of(made, 1)});

  const EnsembleReader old(dir / "old.nc");
  EXPECT_EQ(old.layout().start, made.layout().start);
  EXPECT_EQ(old.layout().site, "HILLCREST");
  EXPECT_EQ(old.layout().intervals, 365u * 96);
  EXPECT_EQ(old.layout().realizations, 2);
  EXPECT_EQ(old.layout().checksum, raingen::run_directory::read_run_directory(dir.path()).checksum);
  EXPECT_FALSE(old.layout().position.has_value());
  for (long k = 0; k < 2; ++k) {
    EXPECT_EQ(old.seed(k), k + 1);
    EXPECT_TRUE(old.complete(k));
    EXPECT_EQ(depths_of(old, k), depths_of(made, k)) << k;
  }

  const Outcome merged =
      run_tool_in(dir.path(), "raingen-ensemble", {"--merge", "old.nc", "new.nc", "--output", "all.nc"});
  ASSERT_EQ(merged.exit_status, 0) << merged.err;
  const EnsembleReader all(dir / "all.nc");
  ASSERT_EQ(all.layout().realizations, 4);
  const std::vector<int> seeds = {1, 2, 5, 6};
  for (long k = 0; k < 4; ++k) {
    EXPECT_EQ(all.seed(k), seeds[static_cast<std::size_t>(k)]);
    EXPECT_EQ(depths_of(all, k), depths_of(made, k % 2)) << k;
  }
  EXPECT_NE(header_of(dir / "all.nc").find("\tfloat rainfall(time, realization) ;"), std::string::npos);
}

TEST(EnsembleFile, ADamagedSeedIsFoundNotMerged) {
  TempDir dir;
  run_example(dir);
  const Outcome made =
      run_tool_in(dir.path(), "raingen-ensemble", {"--realizations", "2", "--seed", "123456789", "--output", "a.nc"});
  ASSERT_EQ(made.exit_status, 0) << made.err;
  ASSERT_EQ(run_tool_in(dir.path(), "raingen-ensemble", {"--realizations", "1", "--seed", "1", "--output", "b.nc"})
                .exit_status,
            0);
  std::string bytes = dir.read("a.nc");
  const std::string seed = {'\x15', '\xcd', '\x5b', '\x07'};  // 123456789, little-endian
  const std::size_t at = bytes.find(seed);
  ASSERT_NE(at, std::string::npos);
  ASSERT_EQ(bytes.find(seed, at + 1), std::string::npos) << "the seed's bytes are not where the test looks";
  bytes[at] ^= 0x01;  // seed 123456788: a number like any other, which only the checksum tells
  dir.write("a.nc", bytes);

  const Outcome merged = run_tool_in(dir.path(), "raingen-ensemble", {"--merge", "a.nc", "b.nc", "--output", "all.nc"});
  EXPECT_EQ(merged.exit_status, 1);
  EXPECT_EQ(merged.err,
            "raingen-ensemble: a.nc: cannot be read: seed: its stored data fail their checksum or do not decompress: "
            "the file is damaged (NetCDF: HDF error)\n");
  EXPECT_FALSE(dir.exists("all.nc"));
}

TEST(EnsembleFile, AMergeOfMoreFilesThanAProcessMayKeepOpen) {
  TempDir dir;
  EnsembleLayout layout;
  layout.site = "SITE";
  layout.intervals = 96;
  layout.realizations = 1;
  layout.checksum = "0123456789abcdef";
  std::vector<std::string> arguments{"--merge"};
  const std::vector<float> depths(96, 0.25f);
  for (int part = 1; part <= 40; ++part) {
    const std::string name = "part" + std::to_string(part) + ".nc";
    EnsembleWriter writer(dir / name, name, layout);
    writer.put_complete(0, part, depths);
    writer.close();
    arguments.push_back(name);
  }
  arguments.insert(arguments.end(), {"--output", "all.nc"});
  const Outcome merged = limited_tool(dir.path(), "raingen-ensemble", arguments, RLIMIT_NOFILE, 20);
  ASSERT_EQ(merged.exit_status, 0) << merged.err;
  EXPECT_EQ(merged.err, "raingen-ensemble: 40 realizations from 40 files, 0 failed: all.nc\n");
  const EnsembleReader all(dir / "all.nc");
  ASSERT_EQ(all.layout().realizations, 40);
  for (long k = 0; k < 40; ++k) EXPECT_EQ(all.seed(k), k + 1);
}

TEST(EnsembleFile, AWriteThatFailsSaysWhy) {
  TempDir dir;
  run_example(dir);
  dir.write("out.nc", "old");
  const Outcome outcome =
      limited_tool(dir.path(), "raingen-export", {"--format", "netcdf", "RESULTS.TXT", "out.nc"}, RLIMIT_FSIZE, 65536);
  EXPECT_EQ(outcome.exit_status, 1);
  EXPECT_TRUE(outcome.err.starts_with("raingen-export: out.nc: cannot be written: ")) << outcome.err;
  EXPECT_NE(outcome.err.find(": File too large (NetCDF: HDF error)\n"), std::string::npos) << outcome.err;
  EXPECT_EQ(dir.read("out.nc"), "old");
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir.path())) names.insert(entry.path().filename().string());
  EXPECT_EQ(names.count("out.nc"), 1u);
  for (const std::string& name : names) EXPECT_EQ(name.find("partial"), std::string::npos) << name;
}

// What RAINGEN.TXT states of the site is the default; an option given wins; the formats without a
// place for it refuse the options.
TEST(EnsembleFile, ThePositionAndClockOfTheRunDirectory) {
  TempDir dir;
  run_example(dir);
  dir.write("RAINGEN.TXT", "[site]\nname = HILLCREST\nposition = -2.5000000,-79.2000000\nutc_offset = -05:00\n");
  // Times in UTC, the clock named beside them; the export's series located, the ensemble's position
  // stated only.
  struct Case {
    std::string tool;
    std::vector<std::string> arguments;
    std::string lat, units, clock;
  };
  const std::string by_default = "minutes since 2001-01-01 05:00:00";
  const std::vector<Case> cases = {
      {"raingen-export", {"--format", "netcdf", "RESULTS.TXT", "x.nc"}, "-2.5", by_default, "-05:00"},
      {"raingen-export",
       {"--format", "netcdf", "--site-at", "10,20", "--utc-offset", "+01:00", "RESULTS.TXT", "x.nc"},
       "10",
       "minutes since 2000-12-31 23:00:00",
       "+01:00"},
      {"raingen-ensemble", {"--realizations", "1", "--output", "x.nc"}, "-2.5", by_default, "-05:00"},
      {"raingen-ensemble",
       {"--realizations", "1", "--site-at", "10,20", "--output", "x.nc"},
       "10",
       by_default,
       "-05:00"},
  };
  for (const Case& c : cases) {
    const Outcome outcome = run_tool_in(dir.path(), c.tool, c.arguments);
    ASSERT_EQ(outcome.exit_status, 0) << c.tool << outcome.err;
    const std::string header = header_of(dir / "x.nc");
    EXPECT_NE(
        header.find("\t\ttime:units = \"" + c.units + "\" ;\n\t\ttime:raingen_utc_offset = \"" + c.clock + "\" ;"),
        std::string::npos)
        << c.tool << header;
    EXPECT_EQ(header.find(":featureType = \"timeSeries\" ;") != std::string::npos, c.tool == "raingen-export")
        << c.tool;
    ChildSetup setup;
    setup.directory = dir.path();
    const Outcome values = run_in_child(setup, [] {
      char* argv[] = {const_cast<char*>("ncdump"), const_cast<char*>("-v"), const_cast<char*>("lat"),
                      const_cast<char*>("x.nc"), nullptr};
      execvp("ncdump", argv);
      _exit(126);
    });
    EXPECT_NE(values.out.find(" lat = " + c.lat + " ;"), std::string::npos) << c.tool << values.out;
  }
  const Outcome csv =
      run_tool_in(dir.path(), "raingen-export", {"--format", "csv", "--site-at", "1,2", "RESULTS.TXT", "x.csv"});
  EXPECT_EQ(csv.exit_status, 2);
  EXPECT_EQ(csv.err,
            "raingen-export: --site-at describes the netcdf file only: the other formats have no place for it\n");
  const Outcome bad =
      run_tool_in(dir.path(), "raingen-export", {"--format", "netcdf", "--utc-offset", "5", "RESULTS.TXT", "y.nc"});
  EXPECT_EQ(bad.exit_status, 2);
  EXPECT_EQ(bad.err, "raingen-export: --utc-offset '5' is not +HH:MM or -HH:MM, from -14:00 to +14:00\n");
  for (const char* tool : {"raingen-export", "raingen-ensemble"})
    EXPECT_NE(run_tool_in(dir.path(), tool, {"--help"}).out.find("time:raingen_utc_offset names the series' clock"),
              std::string::npos)
        << tool;

  // The last file, its clock written as earlier versions wrote it (the offset after the local
  // start in the units): read as the same start and clock.
  const EnsembleLayout now = EnsembleReader(dir / "x.nc").layout();
  int id = -1, time = -1;
  ASSERT_EQ(nc_open((dir / "x.nc").c_str(), NC_WRITE, &id), NC_NOERR);
  const std::string units = "minutes since 2001-01-01 00:00:00 -05:00";
  EXPECT_EQ(nc_inq_varid(id, "time", &time), NC_NOERR);
  EXPECT_EQ(nc_redef(id), NC_NOERR);
  EXPECT_EQ(nc_del_att(id, time, "raingen_utc_offset"), NC_NOERR);
  EXPECT_EQ(nc_put_att_text(id, time, "units", units.size(), units.data()), NC_NOERR);
  ASSERT_EQ(nc_close(id), NC_NOERR);
  const EnsembleLayout earlier = EnsembleReader(dir / "x.nc").layout();
  EXPECT_EQ(earlier.start, now.start);
  EXPECT_EQ(earlier.utc_offset, now.utc_offset);
  EXPECT_EQ(earlier.utc_offset, raingen::calendar::UtcOffset::parse("-05:00"));
}

TEST(EnsembleFile, TheHistoryLineCanBeRunAgain) {
  setenv("TZ", "UTC", 1);
  tzset();
  std::vector<std::string> words = {"/opt/raingen/bin/raingen-export", "--station", "HILL TOP", "it's", "a=b,c", ""};
  std::vector<char*> arguments;
  for (std::string& word : words) arguments.push_back(word.data());
  EXPECT_EQ(raingen::netcdf::history_entry(arguments, std::time_t{86400 * 365}),
            "Fri Jan  1 00:00:00 1971: raingen-export --station 'HILL TOP' 'it'\\''s' a=b,c ''");
}

}  // namespace
