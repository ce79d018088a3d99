// A network's ensemble made in parts (--network with --part I/N or slurm) and merged: two sites
// by four realizations, made as two parts apart (one by number, one from a Slurm array task's
// variables), merge into the file one run of the whole writes, every variable and attribute but
// source and history, the storage too (ncdump -s: every value as ncdump writes it); failed runs
// stay failed. Merges that do not make up one
// network ensemble (a part missing or doubled, a part of another network, a whole file) are
// refused naming what is wrong, writing nothing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <date/date.h>
#include <fmt/format.h>

#include "ensemble_file/ensemble_file.h"
#include "support/tool_runs.h"

namespace {

using namespace testing_support;
using namespace raingen;
namespace fs = std::filesystem;
using Args = std::vector<std::string>;
using ensemble_file::NetworkReader;

// Thirty-six days of a 15-minute record from 2001-01-01, rain at (day % 6, interval) as given.
std::string record(const std::map<std::pair<int, int>, const char*>& rain) {
  const auto start = date::sys_days{date::year{2001} / 1 / 1};
  std::string text = "time,mm\n";
  for (int d = 0; d < 36; ++d)
    for (int j = 0; j < 96; ++j) {
      const auto rained = rain.find({d % 6, j});
      text += date::format("%Y-%m-%d %H:%M", start + date::days{d} + std::chrono::minutes{(j + 1) * 15}) +
              fmt::format(",{}\n", rained == rain.end() ? "0" : rained->second);
    }
  return text;
}

// DIR/NAME: a network directory of sites EAST and WEST made by raingen-prepare --network from
// gauges A, B and C (C's heavy day given), each site's folder a run directory of 60 days.
fs::path prepare_network(const TempDir& dir, const std::string& name, const char* heavy) {
  dir.write(name + "-a.csv", record({{{0, 10}, "0.3"}, {{0, 11}, "0.2"}, {{3, 30}, "3.0"}, {{5, 0}, "1.5"}}));
  dir.write(name + "-b.csv", record({{{0, 10}, "1.2"}, {{2, 50}, "0.6"}, {{5, 95}, "0.6"}}));
  dir.write(name + "-c.csv", record({{{2, 50}, "0.6"}, {{3, 31}, heavy}, {{5, 95}, "3.0"}}));
  dir.write(name + "-sites.csv", "name,lat,lon\nEAST,-2.52,-79.25\nWEST,-2.55,-79.32\n");
  const Outcome prepared =
      run_tool_in(dir.path(), "raingen-prepare",
                  {"--network", name, "--sites", name + "-sites.csv", "--days", "60", "--gauge", "A=" + name + "-a.csv",
                   "--gauge", "B=" + name + "-b.csv", "--gauge", "C=" + name + "-c.csv", "--station", "A@-2.50,-79.20",
                   "--station", "B@-2.60,-79.30", "--station", "C@-2.50,-79.40"});
  EXPECT_EQ(prepared.exit_status, 0) << prepared.err;
  return dir / name;
}

std::string without_timing(const std::string& text) {
  static const std::regex timing(R"( in [0-9]+\.[0-9] s \([0-9]+\.[0-9] per s\))");
  return std::regex_replace(text, timing, " in T s (R per s)");
}

// ncdump -s of a file without its first line (the file's name) and the global attributes source
// and history (each may run over several lines).
std::string contents(const fs::path& file) {
  ChildSetup setup;
  setup.directory = file.parent_path();
  const Outcome dump = run_in_child(setup, [&] {
    std::string name = file.filename().string();
    std::array<char*, 4> argv{const_cast<char*>("ncdump"), const_cast<char*>("-s"), name.data(), nullptr};
    execvp("ncdump", argv.data());
    _exit(126);
  });
  EXPECT_EQ(dump.exit_status, 0) << dump.err;
  std::string text = dump.out;
  for (const std::string name : {"source", "history"}) {
    const std::size_t begin = text.find("\t\t:" + name + " = ");
    EXPECT_NE(begin, std::string::npos) << name;
    if (begin != std::string::npos) text.erase(begin, text.find(" ;\n", begin) + 3 - begin);
  }
  return text.substr(text.find('\n') + 1);
}

Variables array_task(int id, int min, int max) {
  return {{"SLURM_ARRAY_TASK_ID", std::to_string(id)},
          {"SLURM_ARRAY_TASK_COUNT", std::to_string(max - min + 1)},
          {"SLURM_ARRAY_TASK_MIN", std::to_string(min)},
          {"SLURM_ARRAY_TASK_MAX", std::to_string(max)},
          {"SLURM_ARRAY_TASK_STEP", "1"}};
}

// The ensemble of 4 realizations from seed 5 of network `net` in dir: whole.nc at once, p1.nc by
// --part 1/2, p2.nc by --part slurm as the second task of an array from 0.
void make_whole_and_parts(const fs::path& dir, const std::string& net, const std::string& prefix) {
  const Args common{"--network", net, "-n", "4", "--seed", "5", "--jobs", "2"};
  const auto with = [&](Args more) {
    more.insert(more.begin(), common.begin(), common.end());
    return more;
  };
  const Outcome whole = run_tool_in(dir, "raingen-ensemble", with({"-o", prefix + "whole.nc"}));
  const Outcome p1 = run_tool_in(dir, "raingen-ensemble", with({"--part", "1/2", "-o", prefix + "p1.nc"}));
  const Outcome p2 =
      run_tool_in(dir, "raingen-ensemble", with({"--part", "slurm", "-o", prefix + "p2.nc"}), array_task(1, 0, 1));
  const int status = whole.exit_status;  // 1 where a site fails, for the parts alike
  EXPECT_EQ(p1.exit_status, status) << p1.err;
  EXPECT_EQ(p2.exit_status, status) << p2.err;
  if (status != 0) return;
  EXPECT_EQ(without_timing(p1.err),
            "raingen-ensemble: part 1 of 2 (realizations 1 to 2): 2 realizations at 2 sites, 4 "
            "runs in T s (R per s), 0 failed: " +
                prefix + "p1.nc\n");
  EXPECT_EQ(without_timing(p2.err),
            "raingen-ensemble: part 2 of 2 (realizations 3 to 4): 2 realizations at 2 sites, 4 "
            "runs in T s (R per s), 0 failed: " +
                prefix + "p2.nc\n");
}

TEST(NetworkParts, TwoPartsMadeApartMergeIntoTheWholeNetworkFile) {
  const TempDir dir;
  prepare_network(dir, "net", "2.4");
  make_whole_and_parts(dir.path(), "net", "");

  // The second part knows its place: realizations 3 and 4 with the whole's seeds, K, N, I and S.
  const NetworkReader part2(dir / "p2.nc");
  ASSERT_TRUE(part2.layout().part);
  EXPECT_EQ(part2.layout().part->description(), "part 2 of 2 (realizations 3 to 4)");
  EXPECT_EQ(part2.layout().part->realizations, 4);
  EXPECT_EQ(part2.layout().part->first_seed, 5);
  EXPECT_EQ(part2.layout().realizations, 2);
  EXPECT_EQ(std::vector({part2.number(0), part2.number(1)}), std::vector<long>({3, 4}));
  EXPECT_EQ(std::vector({part2.seed(0), part2.seed(1)}), std::vector({7, 8}));
  EXPECT_TRUE(
      part2.layout().source.ends_with(", RAINGEN_SEED 7 to 8, realization k with the same seed at every site, "
                                      "part 2 of 2 (realizations 3 to 4) of an ensemble of 4 realizations"));

  // Given in either order, the parts merge into the whole run's file but for source and history.
  const Outcome merged = run_tool_in(dir.path(), "raingen-ensemble", {"--merge", "p2.nc", "p1.nc", "-o", "merged.nc"});
  EXPECT_EQ(merged.exit_status, 0) << merged.err;
  EXPECT_EQ(merged.out, "");
  EXPECT_EQ(merged.err, "raingen-ensemble: 4 realizations at 2 sites from 2 parts, 0 runs failed: merged.nc\n");
  const std::string whole_dump = contents(dir / "whole.nc");
  EXPECT_TRUE(whole_dump == contents(dir / "merged.nc")) << "the merged file's ncdump -s differs from the whole's";
  EXPECT_NE(whole_dump.find("realization = 1, 2, 3, 4 ;"), std::string::npos);
  EXPECT_EQ(whole_dump.find("raingen_part"), std::string::npos);
  const NetworkReader file(dir / "merged.nc");
  EXPECT_FALSE(file.layout().part);
  EXPECT_TRUE(
      file.layout().source.starts_with("merged by raingen-ensemble from: p1.nc (raingen on each site's folder of "));
  EXPECT_TRUE(file.layout().history.ends_with(": raingen-ensemble --merge p2.nc p1.nc -o merged.nc\n" +
                                              NetworkReader(dir / "p1.nc").layout().history));

  // A site that fails in every run: the parts merge into the whole all the same, failures kept.
  fs::copy(dir / "net", dir / "broken", fs::copy_options::recursive);
  dir.write("broken/WEST/SITEF_2.TXT", "not a day line\r\n");
  make_whole_and_parts(dir.path(), "broken", "b");
  const Outcome broken =
      run_tool_in(dir.path(), "raingen-ensemble", {"--merge", "bp1.nc", "bp2.nc", "-o", "bmerged.nc"});
  EXPECT_EQ(broken.exit_status, 0) << broken.err;
  EXPECT_EQ(broken.err, "raingen-ensemble: 4 realizations at 2 sites from 2 parts, 4 runs failed: bmerged.nc\n");
  EXPECT_TRUE(contents(dir / "bwhole.nc") == contents(dir / "bmerged.nc"));
  const NetworkReader failed(dir / "bmerged.nc");
  for (long k = 0; k < 4; ++k)
    EXPECT_EQ(std::pair(failed.complete(k, 0), failed.complete(k, 1)), std::pair(true, false));
}

// A part's realizations keep their numbers in the tools that read it: realization 3 exported from
// part 2 is realization 3 of the whole; the report of part 2 pools realizations 3 and 4.
TEST(NetworkParts, APartIsReadWithTheWholesNumbers) {
  TempDir dir;
  prepare_network(dir, "net", "4.0");
  make_whole_and_parts(dir.path(), "net", "");
  const auto exported = [&](const std::string& file, const std::string& k, const std::string& out) {
    return run_tool_in(dir.path(), "raingen-export",
                       {"--network", "net", "--ensemble", file, "--realization", k, "--format", "csv", out});
  };
  const Outcome from_part = exported("p2.nc", "3", "part3.csv"), from_whole = exported("whole.nc", "3", "whole3.csv");
  EXPECT_EQ(from_part.exit_status, 0) << from_part.err;
  EXPECT_EQ(from_whole.exit_status, 0) << from_whole.err;
  EXPECT_EQ(dir.read("part3.csv"), dir.read("whole3.csv"));
  const Outcome missing = exported("p2.nc", "1", "part1.csv");
  EXPECT_EQ(missing.exit_status, 1);
  EXPECT_EQ(missing.err, "raingen-export: p2.nc: holds realizations 3 to 4: there is no realization 1\n");
  EXPECT_FALSE(dir.exists("part1.csv"));

  const Outcome report =
      run_tool_in(dir.path(), "raingen-report", {"--network", "net", "--ensemble", "p2.nc", "--output", "r2"});
  EXPECT_EQ(report.exit_status, 0) << report.err;
  const std::string csv = dir.read("r2/statistics.csv");
  EXPECT_NE(csv.find("realization:3,"), std::string::npos) << csv.substr(0, 2000);
  EXPECT_NE(csv.find("realization:4,"), std::string::npos);
  EXPECT_EQ(csv.find("realization:1,"), std::string::npos);
}

std::set<std::string> names_in(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
  return names;
}

// Merges that do not make up one network ensemble, and parts that do not exist: each refused with
// its message and status, nothing written (not even aside).
TEST(NetworkParts, MergesThatDoNotMakeUpOneEnsembleAreRefused) {
  const TempDir dir;
  prepare_network(dir, "net", "2.4");
  prepare_network(dir, "other", "2.5");
  make_whole_and_parts(dir.path(), "net", "");
  const Outcome other = run_tool_in(dir.path(), "raingen-ensemble",
                                    {"--network", "other", "-n", "4", "--seed", "5", "--part", "2/2", "-o", "q2.nc"});
  ASSERT_EQ(other.exit_status, 0) << other.err;
  fs::copy(dir / "p1.nc", dir / "again.nc");

  struct Refusal {
    Args arguments;
    int status;
    std::string message;
  };
  const std::vector<Refusal> refusals{
      {{"--merge", "p1.nc", "-o", "m.nc"},
       1,
       "raingen-ensemble: part 2 of 2 (realizations 3 to 4) is missing: m.nc is not written\n"},
      {{"--merge", "p1.nc", "again.nc", "p2.nc", "-o", "m.nc"},
       1,
       "raingen-ensemble: part 1 of 2 is in both p1.nc and again.nc: m.nc is not written\n"},
      {{"--merge", "p1.nc", "q2.nc", "-o", "m.nc"},
       1,
       "raingen-ensemble: q2.nc: the checksum of the inputs (raingen_inputs_checksum) differs from that of p1.nc: the "
       "ensembles cannot be merged\n"},
      {{"--merge", "whole.nc", "p1.nc", "-o", "m.nc"},
       1,
       "raingen-ensemble: whole.nc: is a whole network ensemble, no part of one: network files merge as the parts of "
       "one ensemble (--network with --part)\n"},
      {{"--merge", "p1.nc", "p2.nc", "-o", "p2.nc"},
       2,
       "raingen-ensemble: --output p2.nc is one of the files to merge\n"},
      {{"--network", "net", "-n", "4", "--part", "3/2", "-o", "m.nc"},
       1,
       "raingen-ensemble: --part 3/2: there is no part 3 of 2: the parts are 1 to 2\n"},
  };
  const std::set<std::string> before = names_in(dir.path());
  for (const Refusal& refusal : refusals) {
    const Outcome refused = run_tool_in(dir.path(), "raingen-ensemble", refusal.arguments);
    EXPECT_EQ(refused.exit_status, refusal.status) << refused.err;
    EXPECT_EQ(refused.err, refusal.message);
    EXPECT_EQ(names_in(dir.path()), before) << refusal.arguments[1];
  }
}

}  // namespace
