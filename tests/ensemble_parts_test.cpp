// Ensembles made in parts (--part I/N, --part slurm) and merged, without a cluster: three parts of
// seven realizations made apart, from the task variables of arrays numbered from 0 and from 1 and
// by number, merge in any order into the file one run of the whole writes; merges that do not make
// up one ensemble (parts missing or doubled, parts of other ensembles, a part cut short or changed)
// are refused naming what is wrong, and write nothing; parts that do not exist are refused before
// any run. The pieces: the ranges of the parts, the messages on coverage, the Slurm rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "common/tool_error.h"
#include "ensemble/part_coverage.h"
#include "ensemble/part_option.h"
#include "ensemble_file/ensemble_file.h"
#include "ensemble_file/ensemble_part.h"
#include "support/tool_runs.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;
using raingen::ensemble_file::EnsemblePart;
using raingen::ensemble_file::EnsembleReader;
using raingen::ensemble_file::split_range;

Variables array_task(int id, int min, int max) {
  return {{"SLURM_ARRAY_TASK_ID", std::to_string(id)},
          {"SLURM_ARRAY_TASK_COUNT", std::to_string(max - min + 1)},
          {"SLURM_ARRAY_TASK_MIN", std::to_string(min)},
          {"SLURM_ARRAY_TASK_MAX", std::to_string(max)},
          {"SLURM_ARRAY_TASK_STEP", "1"}};
}

std::map<std::string, std::string> files_in(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    files[fs::relative(entry.path(), dir).string()] = entry.is_regular_file() ? read_file(entry.path()) : "(dir)";
  return files;
}

// examples/data in dir/NAME; KAROF_2.TXT's day line 318, which the draws of seeds 1 and 3 alone
// reach among seeds 1 to 7, made unreadable when faulty (so that parts hold failed realizations).
fs::path example_run(const fs::path& dir, const std::string& name, bool faulty) {
  const fs::path run = dir / name;
  fs::create_directories(run);
  fs::copy(RAINGEN_EXAMPLE_DATA, run);
  if (faulty) {
    std::string text = read_file(run / "KAROF_2.TXT");
    std::size_t at = 0;
    for (int line = 1; line < 318; ++line) at = text.find('\n', at) + 1;
    text.replace(at + 30, 5, "ab.cd");
    write_file(run / "KAROF_2.TXT", text);
  }
  return run;
}

std::string without_timing(const std::string& text) {
  static const std::regex timing(R"( in [0-9]+\.[0-9] s \([0-9]+\.[0-9] per s\))");
  return std::regex_replace(text, timing, " in T s (R per s)");
}

// ncdump's text of a file, with the storage (chunks, filters, checksums) too when storage is true.
std::string ncdump(const fs::path& file, bool storage = false) {
  ChildSetup setup;
  setup.directory = file.parent_path();
  const Outcome dump = run_in_child(setup, [&] {
    std::string name = file.filename().string();
    std::vector<char*> argv{const_cast<char*>("ncdump")};
    if (storage) argv.push_back(const_cast<char*>("-s"));
    argv.insert(argv.end(), {name.data(), nullptr});
    execvp("ncdump", argv.data());
    _exit(126);
  });
  EXPECT_EQ(dump.exit_status, 0) << dump.err;
  return dump.out;
}

// An ncdump with the storage, without its first line (the file's name) and the global attributes
// source and history (each may run over several lines).
std::string contents(const fs::path& file) {
  std::string dump = ncdump(file, true);
  for (const std::string name : {"source", "history"}) {
    const std::size_t begin = dump.find("\t\t:" + name + " = ");
    if (begin != std::string::npos) dump.erase(begin, dump.find(" ;\n", begin) + 3 - begin);
  }
  return dump.substr(dump.find('\n') + 1);
}

// Where two long texts first differ (gtest's own diff of megabytes takes minutes).
std::string first_difference(const std::string& a, const std::string& b) {
  if (a == b) return "";
  std::size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  const std::size_t from = at < 60 ? 0 : at - 60;
  return "differ at byte " + std::to_string(at) + ": '" + a.substr(from, 120) + "' against '" + b.substr(from, 120) +
         "'";
}

const std::string faulty_report =
    "    standard output: Program is Running, Please wait.\n"
    "    standard error:  run-time error F6103: READ(KAROF_2.TXT)\n"
    "                     - invalid real\n";

std::string failed(int k) {
  return "raingen-ensemble: realization " + std::to_string(k) + " (seed " + std::to_string(k) +
         ") failed: exit status 1\n" + faulty_report;
}

// Three parts of the seven realizations from seed 1 on the faulty run directory, each made apart
// (part 1 by the task of an array from 0, part 2 by one from 1, part 3 by number) into dir/run,
// their tables kept in one folder; and the whole ensemble in one run.
struct Parts {
  TempDir dir;
  fs::path run;
  std::vector<Outcome> outcomes;
  Outcome whole;
};

void make_parts(Parts& parts) {
  parts.run = example_run(parts.dir.path(), "run", true);
  const std::vector<std::string> common{"--realizations", "7", "--keep", "../kept-parts"};
  const auto part = [&](const std::vector<std::string>& more, const Variables& environment) {
    std::vector<std::string> arguments = common;
    arguments.insert(arguments.end(), more.begin(), more.end());
    return run_tool_in(parts.run, "raingen-ensemble", arguments, environment);
  };
  parts.outcomes.push_back(part({"--part", "slurm", "--jobs", "2", "--output", "p1.nc"}, array_task(0, 0, 2)));
  parts.outcomes.push_back(part({"--part", "slurm", "--jobs", "2", "--output", "p2.nc"}, array_task(2, 1, 3)));
  parts.outcomes.push_back(part({"--part", "3/3", "--jobs", "1", "--output", "p3.nc"}, {}));
  parts.whole = run_tool_in(parts.run, "raingen-ensemble",
                            {"--realizations", "7", "--keep", "../kept-whole", "--output", "whole.nc"});
}

TEST(EnsembleParts, ThreePartsMadeApartMergeIntoTheWhole) {
  Parts parts;
  make_parts(parts);
  const fs::path& run = parts.run;
  const std::vector<std::tuple<int, std::string>> expected = {
      {1,
       failed(1) +
           "raingen-ensemble: part 1 of 3 (realizations 1 to 2): 2 realizations in T s (R per s), 1 failed: p1.nc\n"},
      {1,
       failed(3) +
           "raingen-ensemble: part 2 of 3 (realizations 3 to 4): 2 realizations in T s (R per s), 1 failed: p2.nc\n"},
      {0, "raingen-ensemble: part 3 of 3 (realizations 5 to 7): 3 realizations in T s (R per s), 0 failed: p3.nc\n"}};
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(parts.outcomes[k].exit_status, std::get<0>(expected[k])) << "part " << k + 1;
    EXPECT_EQ(without_timing(parts.outcomes[k].err), std::get<1>(expected[k])) << "part " << k + 1;
  }
  EXPECT_EQ(parts.whole.exit_status, 1);

  // Each part knows its place: its realizations numbered as in the whole, its seeds, K, N, I, S.
  const std::string part2 = ncdump(run / "p2.nc");
  for (const std::string line :
       {" realization = 3, 4 ;", " seed = 3, 4 ;", " status = 1, 0 ;", ":raingen_part_index = 2 ;",
        ":raingen_part_count = 3 ;", ":raingen_part_realizations = 7 ;", ":raingen_part_first_seed = 1 ;"})
    EXPECT_NE(part2.find(line), std::string::npos) << line;
  EXPECT_NE(part2.find(":source = \"raingen on " + run.string() +
                       "/INPUT.TXT, RAINGEN_SEED 3 to 4, part 2 of 3 "
                       "(realizations 3 to 4) of an ensemble of 7 realizations\""),
            std::string::npos);
  // The tables kept by the parts in one folder are the whole's, under the same names.
  EXPECT_EQ(files_in(parts.dir / "kept-parts"), files_in(parts.dir / "kept-whole"));
  EXPECT_EQ(files_in(parts.dir / "kept-parts").size(), 5u);

  // Given in any order, the parts merge into the whole run's file, but for source and history.
  const Outcome merged =
      run_tool_in(run, "raingen-ensemble", {"--merge", "p3.nc", "p1.nc", "p2.nc", "--output", "merged.nc"});
  EXPECT_EQ(merged.exit_status, 0) << merged.err;
  EXPECT_EQ(merged.out, "");
  EXPECT_EQ(merged.err, "raingen-ensemble: 7 realizations from 3 parts, 2 failed: merged.nc\n");
  EXPECT_EQ(first_difference(contents(run / "merged.nc"), contents(run / "whole.nc")), "");
  const EnsembleReader file(run / "merged.nc");
  EXPECT_FALSE(file.layout().part);
  EXPECT_TRUE(file.layout().source.starts_with("merged by raingen-ensemble from: p1.nc (raingen on "))
      << file.layout().source;
  EXPECT_TRUE(file.layout().history.ends_with(": raingen-ensemble --merge p3.nc p1.nc p2.nc --output merged.nc\n" +
                                              EnsembleReader(run / "p1.nc").layout().history));
}

// A file of part 2 of the example's ensemble of 7 (realizations 3 and 4) as a damaged or changed
// copy would hold it: `count` realizations with these seeds.
void write_changed_part(const fs::path& model, const fs::path& path, long count, const std::vector<int>& seeds) {
  raingen::ensemble_file::EnsembleLayout layout = EnsembleReader(model).layout();
  layout.realizations = count;
  raingen::ensemble_file::EnsembleWriter writer(path, path.string(), layout);
  const std::vector<float> depths(layout.intervals, 0.0f);
  for (long k = 0; k < count; ++k) writer.put_complete(k, seeds[static_cast<std::size_t>(k)], depths);
  writer.close();
}

TEST(EnsembleParts, MergesThatDoNotMakeUpTheEnsembleAreRefusedAndWriteNothing) {
  Parts parts;
  make_parts(parts);
  const fs::path& run = parts.run;
  fs::copy(run / "p2.nc", run / "p2-copy.nc");
  // Parts of other ensembles: of other inputs, another number of days, another K, N, S and start.
  const fs::path other = example_run(parts.dir.path(), "other", false);
  EXPECT_EQ(
      run_tool_in(other, "raingen-ensemble", {"--realizations", "7", "--part", "2/3", "--output", "../run/inputs.nc"})
          .exit_status,
      0);
  // Another number of days is another INPUT.TXT: its checksum tells it first.
  const fs::path shorter = example_run(parts.dir.path(), "days", false);
  std::string input = read_file(shorter / "INPUT.TXT");
  const std::size_t days_at = input.find("NUMBER DAYS:   365");
  ASSERT_NE(days_at, std::string::npos);
  write_file(shorter / "INPUT.TXT", input.replace(days_at, 18, "NUMBER DAYS:   364"));
  EXPECT_EQ(
      run_tool_in(shorter, "raingen-ensemble", {"--realizations", "7", "--part", "2/3", "--output", "../run/days.nc"})
          .exit_status,
      0);
  for (const auto& [name, arguments] : std::vector<std::tuple<std::string, std::vector<std::string>>>{
           {"k.nc", {"--realizations", "8", "--part", "2/3"}},
           {"n.nc", {"--realizations", "7", "--part", "2/4"}},
           {"s.nc", {"--realizations", "7", "--part", "2/3", "--seed", "2"}},
           {"start.nc", {"--realizations", "7", "--part", "2/3", "--start", "2001-02-01"}}}) {
    std::vector<std::string> with_output = arguments;
    with_output.insert(with_output.end(), {"--output", name});
    run_tool_in(run, "raingen-ensemble", with_output);
    ASSERT_TRUE(fs::exists(run / name)) << name;
  }
  // A part cut short by the file system, one cut short by a copy that took some realizations
  // alone (as ncks -d would), one whose seeds were changed.
  const std::string whole_part = read_file(run / "p2.nc");
  write_file(run / "truncated.nc", whole_part.substr(0, whole_part.size() / 2));
  write_changed_part(run / "p2.nc", run / "fewer.nc", 1, {3});
  write_changed_part(run / "p2.nc", run / "seeds.nc", 2, {3, 9});

  const std::string missing_2 = "part 2 of 3 (realizations 3 to 4) is missing";
  const std::vector<std::tuple<std::vector<std::string>, std::string>> cases = {
      {{"p1.nc", "p3.nc"}, missing_2 + ": m.nc is not written"},
      {{"p3.nc"}, "2 parts of 3 are missing: 1 to 2 (realizations 1 to 4): m.nc is not written"},
      {{"p1.nc", "p2.nc", "p3.nc", "p2-copy.nc"}, "part 2 of 3 is in both p2.nc and p2-copy.nc: m.nc is not written"},
      {{"p2.nc", "p3.nc", "p2-copy.nc", "p3.nc"},
       "part 1 of 3 (realizations 1 to 2) is missing; part 2 of 3 is in both p2.nc and p2-copy.nc; part 3 of 3 is in "
       "both p3.nc and p3.nc: m.nc is not written"},
      {{"p1.nc", "inputs.nc", "p3.nc"},
       "inputs.nc: the checksum of the inputs (raingen_inputs_checksum) differs from that of p1.nc: the ensembles "
       "cannot be merged"},
      {{"p1.nc", "days.nc", "p3.nc"},
       "days.nc: the checksum of the inputs (raingen_inputs_checksum) differs from that of p1.nc: the ensembles cannot "
       "be merged"},
      {{"p1.nc", "k.nc", "p3.nc"},
       "k.nc: the ensemble's number of realizations (8, theirs 7) differs from that of p1.nc: the ensembles cannot be "
       "merged"},
      {{"p1.nc", "n.nc", "p3.nc"},
       "n.nc: the number of parts (4, theirs 3) differs from that of p1.nc: the ensembles "
       "cannot be merged"},
      {{"p1.nc", "s.nc", "p3.nc"},
       "s.nc: the ensemble's first seed (2, theirs 1) differs from that of p1.nc: the "
       "ensembles cannot be merged"},
      {{"p1.nc", "start.nc", "p3.nc"},
       "start.nc: the start (time units) differs from that of p1.nc: the ensembles "
       "cannot be merged"},
      {{"p1.nc", "p2.nc", "p3.nc", "whole.nc"},
       "whole.nc: is no part of an ensemble, and p1.nc is part 1 of 3 (realizations 1 to 2) of an ensemble: parts "
       "merge with the other parts of their ensemble alone"},
      {{"whole.nc", "p1.nc"},
       "p1.nc: is part 1 of 3 (realizations 1 to 2) of an ensemble, and whole.nc is no part of an ensemble: parts "
       "merge with the other parts of their ensemble alone"},
      {{"p1.nc", "truncated.nc", "p3.nc"},
       "truncated.nc: cannot be read: the HDF5 library cannot read its structure: the file is cut short or damaged "
       "(NetCDF: HDF error)"},
      {{"p1.nc", "fewer.nc", "p3.nc"},
       "fewer.nc: holds 1 realization, but part 2 of 3 (realizations 3 to 4) holds 2: the part is cut short or "
       "changed"},
      {{"p1.nc", "seeds.nc", "p3.nc"},
       "seeds.nc: realization 4 has seed 9, but part 2 of 3 (realizations 3 to 4) of an ensemble from seed 1 gives it "
       "seed 4: the file is changed"},
  };
  const auto before = files_in(run);
  for (const auto& [files, message] : cases) {
    std::vector<std::string> arguments{"--merge"};
    arguments.insert(arguments.end(), files.begin(), files.end());
    arguments.insert(arguments.end(), {"--output", "m.nc"});
    const Outcome outcome = run_tool_in(run, "raingen-ensemble", arguments);
    EXPECT_EQ(outcome.exit_status, 1) << message;
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, "raingen-ensemble: " + message + "\n");
    EXPECT_EQ(files_in(run), before) << "nothing written: " << message;
  }
}

// Realizations longer than a run (--days: blocks along the calendar, each seeded from its
// realization's seed) made in parts: the blocks of part 2's realizations have the seeds they have
// in the whole, so the parts merge into the whole run's file; a part of another length is refused.
TEST(EnsembleParts, PartsOfLongRealizationsMergeIntoTheWhole) {
  TempDir dir;
  const fs::path run = example_run(dir.path(), "run", false);
  for (const std::string part : {"1/3", "2/3", "3/3"})
    EXPECT_EQ(run_tool_in(run, "raingen-ensemble",
                          {"--realizations", "5", "--days", "2400", "--part", part, "--output",
                           "p" + part.substr(0, 1) + ".nc"})
                  .exit_status,
              0)
        << part;
  EXPECT_EQ(run_tool_in(run, "raingen-ensemble", {"--realizations", "5", "--days", "2400", "--output", "whole.nc"})
                .exit_status,
            0);
  const Outcome merged =
      run_tool_in(run, "raingen-ensemble", {"--merge", "p2.nc", "p3.nc", "p1.nc", "--output", "merged.nc"});
  EXPECT_EQ(merged.err, "raingen-ensemble: 5 realizations from 3 parts, 0 failed: merged.nc\n");
  EXPECT_EQ(first_difference(contents(run / "merged.nc"), contents(run / "whole.nc")), "");

  EXPECT_EQ(run_tool_in(run, "raingen-ensemble",
                        {"--realizations", "5", "--days", "2300", "--part", "2/3", "--output", "short.nc"})
                .exit_status,
            0);
  const Outcome refused =
      run_tool_in(run, "raingen-ensemble", {"--merge", "p1.nc", "short.nc", "p3.nc", "--output", "m.nc"});
  EXPECT_EQ(refused.exit_status, 1);
  EXPECT_EQ(
      refused.err,
      "raingen-ensemble: short.nc: the length (time) differs from that of p1.nc: the ensembles cannot be merged\n");
  EXPECT_FALSE(fs::exists(run / "m.nc"));
}

TEST(EnsembleParts, PartsThatDoNotExistAreRefusedBeforeAnyRun) {
  const std::vector<std::string> slurm{"--realizations", "7", "--part", "slurm"};
  const std::vector<std::tuple<std::vector<std::string>, Variables, int, std::string>> cases = {
      {{"--realizations", "7", "--part", "4/3"}, {}, 1, "--part 4/3: there is no part 4 of 3: the parts are 1 to 3"},
      {{"--realizations", "7", "--part", "0/3"}, {}, 1, "--part 0/3: there is no part 0 of 3: the parts are 1 to 3"},
      {{"--realizations", "7", "--part", "1/0"}, {}, 1, "--part 1/0: 0 parts: an ensemble is made in 1 part or more"},
      {{"--realizations", "7", "--part", "2/8"},
       {},
       1,
       "--part 2/8: 8 parts of 7 realizations: a part would hold none (at most 7 parts)"},
      {{"--realizations", "7", "--part", "2"},
       {},
       2,
       "--part: '2' is neither I/N (part I of N, as 2/8) nor slurm (see --help)"},
      {{"--realizations", "7", "--part", "2/3x"},
       {},
       2,
       "--part: '2/3x' is neither I/N (part I of N, as 2/8) nor slurm (see --help)"},
      {{"--part", "2/3"}, {}, 2, "--realizations is required (or --merge)"},
      {slurm,
       {},
       1,
       "--part slurm: SLURM_ARRAY_TASK_ID is not set: this is no task of a Slurm array job (sbatch --array=1-N)"},
      {slurm, array_task(12, 1, 12), 1,
       "--part slurm: 12 parts of 7 realizations: a part would hold none (at most 7 parts)"},
      {slurm,
       {{"SLURM_ARRAY_TASK_ID", "3"},
        {"SLURM_ARRAY_TASK_COUNT", "3"},
        {"SLURM_ARRAY_TASK_MIN", "1"},
        {"SLURM_ARRAY_TASK_MAX", "7"}},
       1,
       "--part slurm: this array's 3 tasks have ids 1 to 7: the parts are the tasks of an array of consecutive ids "
       "(--array=1-N or --array=0-M)"},
      {slurm,
       {{"SLURM_ARRAY_TASK_ID", "3"},
        {"SLURM_ARRAY_TASK_COUNT", "3"},
        {"SLURM_ARRAY_TASK_MIN", "1"},
        {"SLURM_ARRAY_TASK_MAX", "5"},
        {"SLURM_ARRAY_TASK_STEP", "2"}},
       1,
       "--part slurm: this array's 3 tasks have ids 1 to 5 by steps of 2: the parts are the tasks of an array of "
       "consecutive ids (--array=1-N or --array=0-M)"},
      {slurm,
       {{"SLURM_ARRAY_TASK_ID", "3"},
        {"SLURM_ARRAY_TASK_COUNT", "3"},
        {"SLURM_ARRAY_TASK_MIN", "-9223372036854775808"},
        {"SLURM_ARRAY_TASK_MAX", "9223372036854775807"}},
       1,
       "--part slurm: SLURM_ARRAY_TASK_MIN is -9223372036854775808, not a number Slurm gives an array task (0 to "
       "4000001)"},
      {slurm, array_task(3, 3, 3), 1,
       "--part slurm: this array's one task has id 3: the parts are numbered by an array of two tasks or more from 0 "
       "or "
       "from 1 (--array=1-N or --array=0-M); to make one part again, give it as --part I/N"},
  };
  TempDir dir;
  const fs::path run = example_run(dir.path(), "run", false);
  const auto before = files_in(run);
  for (const auto& [arguments, environment, status, message] : cases) {
    const Outcome outcome = run_tool_in(run, "raingen-ensemble", arguments, environment);
    EXPECT_EQ(outcome.exit_status, status) << message;
    EXPECT_EQ(outcome.err, "raingen-ensemble: " + message + "\n");
    EXPECT_EQ(files_in(run), before) << message;
  }
}

// Over every split of up to 60 realizations: the parts cover 1..K once, in order, with sizes that
// differ by at most one; and hand-worked splits.
TEST(EnsemblePartPieces, PartsCoverTheEnsembleOnceInOrder) {
  for (long k = 1; k <= 60; ++k)
    for (long n = 1; n <= k; ++n) {
      long next = 1, smallest = k, largest = 0;
      for (long i = 1; i <= n; ++i) {
        const auto range = split_range(k, i, n);
        ASSERT_EQ(range.first, next) << k << " " << n << " " << i;
        ASSERT_GE(range.size(), 1);
        smallest = std::min(smallest, range.size());
        largest = std::max(largest, range.size());
        next = range.last + 1;
      }
      ASSERT_EQ(next, k + 1) << k << " " << n;
      ASSERT_LE(largest - smallest, 1) << k << " " << n;
    }
  const std::vector<std::tuple<long, long, long, long, long>> worked = {
      {40, 1, 4, 1, 10}, {40, 4, 4, 31, 40}, {7, 1, 3, 1, 2}, {7, 3, 3, 5, 7},
      {10, 2, 3, 4, 6},  {5, 2, 4, 2, 2},    {5, 4, 4, 4, 5}, {2147483647, 2, 2, 1073741824, 2147483647}};
  for (const auto& [k, i, n, first, last] : worked) {
    EXPECT_EQ(split_range(k, i, n).first, first) << k << " " << i << "/" << n;
    EXPECT_EQ(split_range(k, i, n).last, last) << k << " " << i << "/" << n;
  }
  EXPECT_EQ((EnsemblePart{3, 4, 40, 101}.description()), "part 3 of 4 (realizations 21 to 30)");
  EXPECT_EQ((EnsemblePart{3, 4, 40, 101}.seed_of(21)), 121);
}

TEST(EnsemblePartPieces, MissingAndDoubledPartsAreNamed) {
  using raingen::ensemble::coverage_problems;
  const auto parts = [](long count, const std::map<long, std::vector<std::string>>& held) {
    std::vector<std::vector<std::string>> files_of(static_cast<std::size_t>(count));
    for (const auto& [index, files] : held) files_of[static_cast<std::size_t>(index - 1)] = files;
    return files_of;
  };
  EXPECT_EQ(coverage_problems(3, 7, parts(3, {{1, {"a"}}, {2, {"b"}}, {3, {"c"}}})), "");
  EXPECT_EQ(coverage_problems(4, 40, parts(4, {{1, {"a"}}, {2, {"b"}}, {4, {"d"}}})),
            "part 3 of 4 (realizations 21 to 30) is missing");
  EXPECT_EQ(coverage_problems(20, 22,
                              parts(20, {{1, {"a"}},
                                         {3, {"c"}},
                                         {4, {"d"}},
                                         {10, {"j"}},
                                         {11, {"k"}},
                                         {13, {"m"}},
                                         {14, {"n"}},
                                         {15, {"o"}},
                                         {16, {"p"}},
                                         {17, {"q"}},
                                         {18, {"r"}},
                                         {19, {"s"}},
                                         {20, {"t"}}})),
            "7 parts of 20 are missing: 2, 5 to 9 and 12 (realizations 2, 5 to 9 and 13)");
  EXPECT_EQ(coverage_problems(2, 2, parts(2, {{2, {"x", "y", "z"}}})),
            "part 1 of 2 (realization 1) is missing; part 2 of 2 is in 3 files: x, y and z");
  // A thousand tasks, every other one missing and each of the others twice: a line, not a page.
  std::map<long, std::vector<std::string>> half;
  for (long i = 2; i <= 1000; i += 2) half[i] = {"p" + std::to_string(i), "q" + std::to_string(i)};
  EXPECT_EQ(
      coverage_problems(1000, 1000, parts(1000, half)),
      "500 parts of 1000 are missing: 1, 3, 5, 7, 9, 11, 13, 15, ... (realizations 1, 3, 5, 7, 9, 11, 13, 15, ...); "
      "part 2 of 1000 is in both p2 and q2; part 4 of 1000 is in both p4 and q4; part 6 of 1000 is in both p6 and "
      "q6; part 8 of 1000 is in both p8 and q8; part 10 of 1000 is in both p10 and q10; part 12 of 1000 is in both "
      "p12 and q12; part 14 of 1000 is in both p14 and q14; part 16 of 1000 is in both p16 and q16; 492 more parts "
      "are in two files or more");
}

TEST(EnsemblePartPieces, ArrayTasksFromZeroOrOneGiveTheirParts) {
  using raingen::ensemble::parse_part_option;
  const auto from = [](const Variables& variables) {
    return [variables](const char* name) -> std::optional<std::string> {
      for (const auto& [key, value] : variables)
        if (key == name) return value;
      return std::nullopt;
    };
  };
  // (id, min, max) of a task, and the part it makes.
  const std::vector<std::tuple<int, int, int, long, long>> tasks = {
      {0, 0, 3, 1, 4}, {3, 0, 3, 4, 4}, {1, 1, 4, 1, 4}, {4, 1, 4, 4, 4}, {7, 1, 1000, 7, 1000}, {0, 0, 1, 1, 2}};
  for (const auto& [id, min, max, index, count] : tasks) {
    const auto place = parse_part_option("slurm", from(array_task(id, min, max)));
    EXPECT_EQ(place.index, index) << id << " of " << min << "-" << max;
    EXPECT_EQ(place.count, count) << id << " of " << min << "-" << max;
  }
  // Without SLURM_ARRAY_TASK_STEP (an older Slurm) all the same; with a number that is no number, not.
  Variables without_step = array_task(2, 1, 3);
  without_step.pop_back();
  EXPECT_EQ(parse_part_option("slurm", from(without_step)).index, 2);
  Variables garbled = array_task(2, 1, 3);
  garbled[0].second = "2x";
  EXPECT_THROW(parse_part_option("slurm", from(garbled)), raingen::common::ToolError);
  EXPECT_THROW(parse_part_option("slurm", from(array_task(2, 2, 3))), raingen::common::ToolError);  // from 2
  EXPECT_EQ(parse_part_option("12/40", from({})).index, 12);
  EXPECT_THROW(parse_part_option("12/", from({})), raingen::common::UsageError);
  EXPECT_THROW(parse_part_option("/40", from({})), raingen::common::UsageError);
}

}  // namespace
