// raingen-ensemble run as a user runs it, in a temporary directory: every realization against a
// plain run of the program with its seed, byte for byte through --keep and value for value through
// the netCDF file; the same file whatever --jobs; realizations that fail (a faulty day line that
// only some seeds reach, a signal, a table that does not parse) listed with the others written;
// ensembles split by seeds and merged; run directories refused before any run; an interruption.
#include <gtest/gtest.h>
#include <hdf5.h>
#include <sys/stat.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <vector>

#include "common/tool_error.h"
#include "ensemble/child_process.h"
#include "ensemble/progress.h"
#include "ensemble/realization_table.h"
#include "ensemble/run_ensemble.h"
#include "ensemble/running_children.h"
#include "ensemble_file/ensemble_file.h"
#include "netcdf/metadata_cache.h"
#include "results/results_table.h"
#include "support/tool_runs.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;
using raingen::ensemble_file::EnsembleReader;

constexpr std::size_t example_intervals = 365 * 96;

std::map<std::string, std::string> files_in(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    files[fs::relative(entry.path(), dir).string()] = entry.is_regular_file() ? read_file(entry.path()) : "(dir)";
  return files;
}

// examples/data in dir/run (with KAROF_2.TXT's day line `faulty_line` made unreadable, when given).
fs::path example_run(const fs::path& dir, int faulty_line = 0) {
  const fs::path run = dir / "run";
  fs::create_directories(run);
  fs::copy(RAINGEN_EXAMPLE_DATA, run);
  if (faulty_line > 0) {
    std::string text = read_file(run / "KAROF_2.TXT");
    std::size_t at = 0;
    for (int line = 1; line < faulty_line; ++line) at = text.find('\n', at) + 1;
    text.replace(at + 30, 5, "ab.cd");
    write_file(run / "KAROF_2.TXT", text);
  }
  return run;
}

// A plain run of the program with this seed on a fresh copy of run's inputs.
struct PlainRun {
  Outcome outcome;
  std::string source_out;
};
PlainRun plain_run(const fs::path& run, int seed) {
  TempDir copy;
  for (const auto& entry : fs::directory_iterator(run))
    if (entry.path().extension() == ".TXT" && entry.path().filename() != "RESULTS.TXT")
      fs::copy(entry.path(), copy.path());
  ChildSetup setup;
  setup.directory = copy.path();
  setup.environment = {{"RAINGEN_SEED", std::to_string(seed)}};
  PlainRun plain{run_raingen(setup), ""};
  if (copy.exists("SOURCE.OUT")) plain.source_out = copy.read("SOURCE.OUT");
  return plain;
}

// The summary line with its timing taken out.
std::string without_timing(const std::string& text) {
  static const std::regex timing(R"( in [0-9]+\.[0-9] s \([0-9]+\.[0-9] per s\))");
  return std::regex_replace(text, timing, " in T s (R per s)");
}

// Where two long texts first differ, shown briefly (gtest's own diff of megabytes takes minutes).
std::string first_difference(const std::string& a, const std::string& b) {
  if (a == b) return "";
  std::size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  const std::size_t from = at < 40 ? 0 : at - 40;
  return "differ at byte " + std::to_string(at) + ": '" + a.substr(from, 80) + "' against '" + b.substr(from, 80) + "'";
}

std::string ncdump(const fs::path& file) {
  ChildSetup setup;
  setup.directory = file.parent_path();
  const Outcome dump = run_in_child(setup, [&] {
    std::string name = file.filename().string();
    char* argv[] = {const_cast<char*>("ncdump"), name.data(), nullptr};
    execvp("ncdump", argv);
    _exit(126);
  });
  EXPECT_EQ(dump.exit_status, 0) << dump.err;
  return dump.out;
}

// An ncdump text without the global attribute name (which may run over several lines, one per
// line of its text): what differs between two files made alike at other times or by other commands.
std::string without_global(const std::string& dump, const std::string& name) {
  const std::size_t begin = dump.find("\t\t:" + name + " = ");
  if (begin == std::string::npos) return dump;
  const std::size_t end = dump.find(" ;\n", begin);
  return dump.substr(0, begin) + dump.substr(end + 3);
}

// Checks that realization index of the file is the plain run's table: each depth the float nearest
// to the row's value, and that float written with three decimals is the row's text again.
void expect_realization_is(const EnsembleReader& file, long index, const std::string& source_out) {
  std::vector<float> depths(file.layout().intervals);
  file.read(index, depths);
  std::size_t row = 0, wet = 0;
  for (std::size_t at = 0; at < source_out.size(); at += 23, ++row) {
    ASSERT_LT(row, depths.size());
    const std::string depth_text = source_out.substr(at + 12, 9);
    ASSERT_EQ(depths[row], std::strtof(depth_text.c_str(), nullptr))
        << "realization " << index + 1 << " row " << row + 1;
    char written[16];
    std::snprintf(written, sizeof written, "%9.3f", static_cast<double>(depths[row]));
    std::string expected = depth_text;
    const std::size_t point = expected.find('.');  // the program writes no 0 before the point
    if (point > 0 && expected[point - 1] == ' ') expected[point - 1] = '0';
    ASSERT_EQ(written, expected);
    wet += depths[row] > 0;
  }
  EXPECT_EQ(row, depths.size());
  EXPECT_GT(wet, 0u);
}

TEST(Ensemble, RealizationKIsThePlainRunWithSeedSPlusKMinus1) {
  TempDir dir;
  const fs::path run = example_run(dir.path());
  const auto inputs = files_in(run);
  fs::create_directories(dir / "a");
  fs::create_directories(dir / "b");

  const Outcome two =
      run_tool_in(run, "raingen-ensemble",
                  {"--realizations", "4", "--seed", "41", "--jobs", "2", "--output", "../a/e.nc", "--keep", "../kept"});
  EXPECT_EQ(two.exit_status, 0) << two.err;
  EXPECT_EQ(two.out, "");
  EXPECT_EQ(without_timing(two.err), "raingen-ensemble: 4 realizations in T s (R per s), 0 failed: ../a/e.nc\n");
  EXPECT_EQ(files_in(run), inputs) << "the run directory is as it was";
  EXPECT_EQ(fs::directory_iterator(dir / "a")->path().filename(), "e.nc") << "nothing but the file is left beside it";

  const EnsembleReader file(dir / "a/e.nc");
  ASSERT_EQ(file.layout().realizations, 4);
  ASSERT_EQ(file.layout().intervals, example_intervals);
  EXPECT_EQ(file.layout().site, "HILLCREST");
  for (long k = 1; k <= 4; ++k) {
    const PlainRun plain = plain_run(run, 40 + static_cast<int>(k));
    ASSERT_EQ(plain.outcome.exit_status, 0);
    char kept[32];
    std::snprintf(kept, sizeof kept, "SOURCE_%04ld.OUT", k);
    EXPECT_EQ(read_file(dir / "kept" / kept), plain.source_out) << kept;
    EXPECT_EQ(file.seed(k - 1), 40 + k);
    EXPECT_TRUE(file.complete(k - 1));
    expect_realization_is(file, k - 1, plain.source_out);
  }

  // The same seeds one at a time give the same file.
  const Outcome one = run_tool_in(run, "raingen-ensemble",
                                  {"--realizations", "4", "--seed", "41", "--jobs", "1", "--output", "../b/e.nc"});
  EXPECT_EQ(one.exit_status, 0) << one.err;
  EXPECT_EQ(first_difference(without_global(ncdump(dir / "a/e.nc"), "history"),
                             without_global(ncdump(dir / "b/e.nc"), "history")),
            "");
}

// A kept name that is taken (by a directory here, by an earlier ensemble's table in the end-to-end
// tests) is refused before any run: nothing is written.
TEST(Ensemble, KeptTablesAreWholeOrAbsent) {
  TempDir dir;
  const fs::path run = example_run(dir.path());
  fs::create_directories(dir / "kept/SOURCE_0002.OUT");
  write_file(dir / "kept/SOURCE_0002.OUT/note", "in the way");
  const Outcome outcome =
      run_tool_in(run, "raingen-ensemble", {"--realizations", "3", "--jobs", "1", "--keep", "../kept"});
  EXPECT_EQ(outcome.exit_status, 2);
  EXPECT_EQ(outcome.err,
            "raingen-ensemble: ../kept: already holds SOURCE_0002.OUT, kept by an earlier ensemble: --keep "
            "never replaces a kept table (give a new or an empty folder)\n");
  EXPECT_EQ(files_in(dir / "kept"),
            (std::map<std::string, std::string>{{"SOURCE_0002.OUT", "(dir)"}, {"SOURCE_0002.OUT/note", "in the way"}}));
  EXPECT_FALSE(fs::exists(run / "ensemble.nc"));
  EXPECT_EQ(std::distance(fs::directory_iterator(run), {}), 10) << "INPUT.TXT and the station files alone";
}

// Line 318 of KAROF_2.TXT is reached by the draws of seeds 1 and 3 only, among seeds 1 to 6.
TEST(Ensemble, RealizationsThatReachAFaultyDayLineAreListedAndTheOthersWritten) {
  TempDir dir;
  const fs::path run = example_run(dir.path(), 318);
  fs::create_directory(dir / "x");
  fs::create_directory(dir / "y");
  const std::string report =
      "    standard output: Program is Running, Please wait.\n"
      "    standard error:  run-time error F6103: READ(KAROF_2.TXT)\n"
      "                     - invalid real\n";

  const Outcome one =
      run_tool_in(run, "raingen-ensemble", {"--realizations", "6", "--jobs", "1", "--output", "../x/e.nc"});
  EXPECT_EQ(one.exit_status, 1);
  EXPECT_EQ(one.out, "");
  EXPECT_EQ(without_timing(one.err), "raingen-ensemble: realization 1 (seed 1) failed: exit status 1\n" + report +
                                         "raingen-ensemble: realization 3 (seed 3) failed: exit status 1\n" + report +
                                         "raingen-ensemble: 6 realizations in T s (R per s), 2 failed: ../x/e.nc\n");

  const EnsembleReader file(dir / "x/e.nc");
  std::vector<float> depths(example_intervals);
  for (int seed = 1; seed <= 6; ++seed) {
    const PlainRun plain = plain_run(run, seed);
    const bool fails = seed == 1 || seed == 3;
    EXPECT_EQ(plain.outcome.exit_status, fails ? 1 : 0) << "seed " << seed;
    EXPECT_EQ(file.complete(seed - 1), !fails);
    if (fails) {
      EXPECT_EQ(plain.outcome.err, "\r\nrun-time error F6103: READ(KAROF_2.TXT)\r\n- invalid real\r\n");
      file.read(seed - 1, depths);
      EXPECT_EQ(std::set<float>(depths.begin(), depths.end()),
                std::set<float>{raingen::ensemble_file::failed_fill_value});
    } else {
      expect_realization_is(file, seed - 1, plain.source_out);
    }
  }

  // Side by side: the same failures (in the order the runs end) and the same file.
  const Outcome two =
      run_tool_in(run, "raingen-ensemble", {"--realizations", "6", "--jobs", "2", "--output", "../y/e.nc"});
  EXPECT_EQ(two.exit_status, 1);
  const std::string first = "raingen-ensemble: realization 1 (seed 1) failed: exit status 1\n" + report;
  const std::string third = "raingen-ensemble: realization 3 (seed 3) failed: exit status 1\n" + report;
  const std::string summary = "raingen-ensemble: 6 realizations in T s (R per s), 2 failed: ../y/e.nc\n";
  EXPECT_TRUE(without_timing(two.err) == first + third + summary || without_timing(two.err) == third + first + summary)
      << two.err;
  EXPECT_EQ(first_difference(without_global(ncdump(dir / "x/e.nc"), "history"),
                             without_global(ncdump(dir / "y/e.nc"), "history")),
            "");
}

// The program replaced by a script beside a copy of raingen-ensemble: each seed ends another way.
struct FakeProgram {
  fs::path ensemble;
};
FakeProgram fake_program(const TempDir& dir, const std::string& cases) {
  const fs::path bin = dir / "bin";
  fs::create_directory(bin);
  fs::copy(fs::path(RAINGEN_TOOL_DIR) / "raingen-ensemble", bin);
  write_file(bin / "raingen", "#!/bin/sh\nreal=" + std::string(RAINGEN_PROGRAM) + "\ncase \"$RAINGEN_SEED\" in\n" +
                                  cases + "  *) exec \"$real\" ;;\nesac\n");
  fs::permissions(bin / "raingen", fs::perms::owner_all);
  return {bin / "raingen-ensemble"};
}

Outcome run_copy(const FakeProgram& fake, const fs::path& dir, const std::vector<std::string>& arguments) {
  ChildSetup setup;
  setup.directory = dir;
  setup.timeout_seconds = 600;
  return run_program_file(setup, fake.ensemble.string(), arguments);
}

TEST(Ensemble, RunsThatEndBadlyInOtherWays) {
  TempDir dir;
  const fs::path run = example_run(dir.path());
  const FakeProgram fake = fake_program(dir,
                                        "  2) kill -KILL $$ ;;\n"
                                        "  3) \"$real\" && printf 'garbage\\r\\n' > SOURCE.OUT ;;\n"
                                        "  4) \"$real\" && echo 'a word on standard error' >&2 ;;\n"
                                        "  5) \"$real\" && head -n 192 SOURCE.OUT > short && mv short SOURCE.OUT ;;\n");
  const Outcome outcome = run_copy(fake, run, {"--realizations", "5", "--jobs", "1", "--output", "e.nc"});
  EXPECT_EQ(outcome.exit_status, 1);
  const std::string running = "    standard output: Program is Running, Please wait.\n";
  const std::string no_error = "    standard error:  (nothing)\n";
  EXPECT_EQ(
      without_timing(outcome.err),
      "raingen-ensemble: realization 2 (seed 2) failed: ended by signal 9 (Killed)\n"
      "    standard output: (nothing)\n" +
          no_error +
          "raingen-ensemble: realization 3 (seed 3) failed: SOURCE.OUT:1: neither a results file (its first line "
          "would be 'SYNTHETIC RAINFALL GENERATION') nor SOURCE.OUT (a first row like '          15     .000')\n" +
          running + no_error +
          "raingen-ensemble: realization 4 (seed 4) failed: exit status 0, but standard error is not empty\n" +
          running +
          "    standard error:  a word on standard error\n"
          "raingen-ensemble: realization 5 (seed 5) failed: SOURCE.OUT: holds 192 rows (2 days), but INPUT.TXT asks "
          "for 365 days\n" +
          running + no_error + "raingen-ensemble: 5 realizations in T s (R per s), 4 failed: e.nc\n");
  const EnsembleReader file(run / "e.nc");
  for (long k = 0; k < 5; ++k) EXPECT_EQ(file.complete(k), k == 0) << k;
}

TEST(Ensemble, AnInterruptionStopsTheRunsAndWritesNothing) {
  TempDir dir;
  const fs::path run = example_run(dir.path());
  const auto inputs = files_in(run);
  const FakeProgram fake = fake_program(dir, "  1) exec sleep 300 ;;\n");
  const fs::path err = dir / "stderr";
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (chdir(run.c_str()) != 0 || !freopen(err.c_str(), "w", stderr)) _exit(125);
    execl(fake.ensemble.c_str(), fake.ensemble.c_str(), "--realizations", "3", "--jobs", "1",
          static_cast<char*>(nullptr));
    _exit(126);
  }
  // Until realization 1 is running (its directory is there).
  bool running = false;
  for (int wait = 0; wait < 6000 && !running; ++wait) {
    for (const auto& entry : fs::directory_iterator(run)) running = running || fs::exists(entry.path() / "1/run");
    if (!running) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(running);
  kill(pid, SIGTERM);
  // The stand-in sleeps 300 s: an ensemble that saw the signal only when its run ended would
  // still be there after 150.
  int status = 0;
  pid_t ended = 0;
  for (int wait = 0; wait < 15000 && ended == 0; ++wait) {
    ended = waitpid(pid, &status, WNOHANG);
    if (ended == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (ended == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  ASSERT_EQ(ended, pid) << "the ensemble did not end on SIGTERM";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  EXPECT_EQ(read_file(err),
            "raingen-ensemble: interrupted by signal 15 after 0 of 3 realizations: ensemble.nc is not written\n");
  EXPECT_EQ(files_in(run), inputs) << "no output, no scratch directory";
}

// The runs get the signal mask the tool was started with (the tool holds its signals back while it
// works, and a run that held back SIGTERM could not be stopped).
TEST(Ensemble, TheRunsGetTheSignalMaskTheToolWasStartedWith) {
  TempDir dir;
  const fs::path run = example_run(dir.path());
  const FakeProgram fake = fake_program(dir, "  1) exec grep SigBlk /proc/self/status >&2 ;;\n");
  std::string own = read_file("/proc/self/status");
  own = own.substr(own.find("SigBlk:"));
  own = own.substr(0, own.find('\n'));
  std::replace(own.begin(), own.end(), '\t', ' ');
  const Outcome outcome = run_copy(fake, run, {"--realizations", "1"});
  EXPECT_EQ(outcome.exit_status, 1);
  EXPECT_NE(outcome.err.find("\n    standard error:  " + own + "\n"), std::string::npos) << outcome.err;
}

// The ensemble's wait, when a signal comes after its look at the flag and before it waits (a
// SIGTERM may come at any moment): the signal is held, so that the flag cannot change between the
// look and the wait, and it ends the wait at once, not when the run ends (a sleep of 300 s); the
// run, started with the mask the process had, ends on the SIGTERM it is then sent.
TEST(EnsemblePieces, ASignalJustBeforeTheWaitEndsItAtOnce) {
  using namespace raingen::ensemble;
  TempDir dir;
  write_file(dir / "sleeper", "#!/bin/sh\nexec sleep 300\n");
  fs::permissions(dir / "sleeper", fs::perms::owner_all);
  fs::create_directory(dir / "run");
  const RealizationFiles files{dir.path(), dir / "run", dir / "out", dir / "err"};
  ChildSetup setup;
  setup.timeout_seconds = 150;  // a wait that missed the signal, or a sleeper that held it back, lasts 300 s
  const Outcome outcome = run_in_child(setup, [&] {
    const InterruptFlag interrupt;
    RunningChildren running;
    ChildEnvironment environment;
    running.add(start_program(dir / "sleeper", files, environment.with_seed(1), interrupt.mask_for_runs()),
                RunningRealization{0, 0, 1, files});
    std::printf("%s, ", interrupt.raised() ? "raised" : "not raised");
    ::kill(::getpid(), SIGTERM);
    std::printf("%s, ", interrupt.raised() ? "raised" : "held");
    const ChildEnd end = interrupt.wait_for_child();
    std::printf("%d %d\n", static_cast<int>(end.pid), interrupt.signal());
  });  // running's end stops the sleeper and waits for it
  EXPECT_EQ(outcome.signal, 0);
  EXPECT_EQ(outcome.exit_status, 0);
  EXPECT_EQ(outcome.out, "not raised, held, -1 15\n");
}

struct Refusal {
  const char* name;
  std::function<void(const fs::path&)> change;
  std::vector<std::string> arguments;
  int status;
  std::string message;
};

TEST(Ensemble, RunDirectoriesAndRequestsItRefusesBeforeAnyRun) {
  const std::string days_zero =
      "RESULTS FILE: RESULTS.TXT\nSITE NAME:    HILLCREST\nSTATION 1:    KARO\nSTATION 2:    MELV\n"
      "STATION 3:    TWIN\nDISTANCE 1:     4\nDISTANCE 2:     7\nDISTANCE 3:    11\nNUMBER DAYS:     0\n";
  const std::vector<Refusal> cases = {
      {"no INPUT.TXT",
       [](const fs::path& run) { fs::remove(run / "INPUT.TXT"); },
       {"--realizations", "2"},
       1,
       "INPUT.TXT: not found: a run directory holds INPUT.TXT"},
      {"a station file missing",
       [](const fs::path& run) { fs::remove(run / "MELVF_3.TXT"); },
       {"--realizations", "2"},
       1,
       "MELVF_3.TXT: not found: INPUT.TXT names this station file"},
      {"a station file that is a FIFO",
       [](const fs::path& run) {
         fs::remove(run / "MELVF_3.TXT");
         ::mkfifo((run / "MELVF_3.TXT").c_str(), 0600);
       },
       {"--realizations", "2"},
       1,
       "MELVF_3.TXT: is a FIFO (named pipe), not a regular file: INPUT.TXT names this station file"},
      {"no days",
       [&](const fs::path& run) { write_file(run / "INPUT.TXT", days_zero); },
       {"--realizations", "2"},
       1,
       "INPUT.TXT:9: the number of days is 0: an ensemble needs 1 to 2000"},
      {"results outside",
       [&](const fs::path& run) {
         std::string text = read_file(run / "INPUT.TXT");
         text.replace(text.find("RESULTS.TXT"), 11, "../R.TXT   ");
         write_file(run / "INPUT.TXT", text);
       },
       {"--realizations", "2"},
       1,
       "INPUT.TXT: the results name '../R.TXT' holds a '/': every realization runs in a directory of its own, and this "
       "name would reach outside it"},
      {"output over an input",
       [](const fs::path&) {},
       {"--realizations", "2", "--output", "KAROF_2.TXT"},
       2,
       "KAROF_2.TXT: is KAROF_2.TXT (a station file), a file a run folder holds for itself: an output never replaces "
       "it; "
       "give another name"},
      {"seeds past the largest",
       [](const fs::path&) {},
       {"--realizations", "2", "--seed", "2147483647"},
       2,
       "--seed plus --realizations goes past 2147483647, the largest seed"},
      {"no realizations", [](const fs::path&) {}, {"--jobs", "2"}, 2, "--realizations is required (or --merge)"},
      {"output '-'",
       [](const fs::path&) {},
       {"--realizations", "2", "--output", "-"},
       2,
       "--output -: the ensemble file is netCDF, which the library writes to a file: give it a name"},
      {"no jobs",
       [](const fs::path&) {},
       {"--realizations", "2", "--jobs", "0"},
       2,
       "--jobs: Value 0 not in range 1 to 2147483647 (see --help)"},
  };
  for (const Refusal& refusal : cases) {
    TempDir dir;
    const fs::path run = example_run(dir.path());
    refusal.change(run);
    const auto inputs = files_in(run);
    const Outcome outcome = run_tool_in(run, "raingen-ensemble", refusal.arguments);
    EXPECT_EQ(outcome.exit_status, refusal.status) << refusal.name;
    EXPECT_EQ(outcome.out, "") << refusal.name;
    EXPECT_EQ(outcome.err, "raingen-ensemble: " + refusal.message + "\n") << refusal.name;
    EXPECT_EQ(files_in(run), inputs) << refusal.name;
  }
}

// Every line of an ncdump but the first (the file's name) and the source attribute (which files).
std::string dumped_contents(const fs::path& file) {
  const std::string dump = without_global(without_global(ncdump(file), "source"), "history");
  return dump.substr(dump.find('\n') + 1);
}

TEST(Ensemble, EnsemblesSplitBySeedsMergeIntoTheWhole) {
  TempDir dir;
  const fs::path run = example_run(dir.path(), 318);  // seeds 1 and 3 fail: failures merge too
  for (const auto& [output, seed, count, status] :
       {std::tuple{"a.nc", "1", "3", 1}, {"b.nc", "4", "2", 0}, {"whole.nc", "1", "5", 1}})
    EXPECT_EQ(
        run_tool_in(run, "raingen-ensemble", {"--realizations", count, "--seed", seed, "--output", output}).exit_status,
        status);
  const Outcome merged = run_tool_in(run, "raingen-ensemble", {"--merge", "a.nc", "b.nc", "--output", "merged.nc"});
  EXPECT_EQ(merged.exit_status, 0) << merged.err;
  EXPECT_EQ(merged.err, "raingen-ensemble: 5 realizations from 2 files, 2 failed: merged.nc\n");
  EXPECT_EQ(first_difference(dumped_contents(run / "merged.nc"), dumped_contents(run / "whole.nc")), "");
  EXPECT_NE(ncdump(run / "merged.nc").find(":source = \"merged by raingen-ensemble from: a.nc (raingen on "),
            std::string::npos);
  // The merge's command above the history of the first part, as NCO's operators add theirs.
  const std::string history = EnsembleReader(run / "merged.nc").layout().history;
  EXPECT_TRUE(history.ends_with(": raingen-ensemble --merge a.nc b.nc --output merged.nc\n" +
                                EnsembleReader(run / "a.nc").layout().history))
      << history;

  const Outcome twice = run_tool_in(run, "raingen-ensemble", {"--merge", "a.nc", "merged.nc", "-o", "m2.nc"});
  EXPECT_EQ(twice.exit_status, 1);
  EXPECT_EQ(twice.err, "raingen-ensemble: seed 1 is in more than one realization: the files overlap\n");

  const fs::path other = example_run(dir / "other");
  EXPECT_EQ(run_tool_in(other, "raingen-ensemble", {"--realizations", "1", "--seed", "9", "--output", "../../run/c.nc"})
                .exit_status,
            0);
  const Outcome mixed = run_tool_in(run, "raingen-ensemble", {"--merge", "a.nc", "c.nc", "-o", "m3.nc"});
  EXPECT_EQ(mixed.exit_status, 1);
  EXPECT_EQ(mixed.err,
            "raingen-ensemble: c.nc: the checksum of the inputs (raingen_inputs_checksum) differs from that of a.nc: "
            "the ensembles cannot be merged\n");
  EXPECT_FALSE(fs::exists(run / "m2.nc") || fs::exists(run / "m3.nc"));
}

// A merge copies a column in parts of 2,010 days: columns of 4,100 days (two whole parts and a
// short one) merge into the whole ensemble's file.
TEST(Ensemble, LongColumnsMergePartByPart) {
  TempDir dir;
  const fs::path run = example_run(dir.path());
  for (const auto& [output, seed, count] : {std::tuple{"a.nc", "1", "1"}, {"b.nc", "2", "1"}, {"whole.nc", "1", "2"}})
    ASSERT_EQ(run_tool_in(run, "raingen-ensemble",
                          {"--realizations", count, "--seed", seed, "--days", "4100", "--output", output})
                  .exit_status,
              0);
  const Outcome merged = run_tool_in(run, "raingen-ensemble", {"--merge", "a.nc", "b.nc", "--output", "merged.nc"});
  EXPECT_EQ(merged.err, "raingen-ensemble: 2 realizations from 2 files, 0 failed: merged.nc\n");
  EXPECT_EQ(first_difference(dumped_contents(run / "merged.nc"), dumped_contents(run / "whole.nc")), "");

  // A file read and a file written each keep the small metadata cache, however large their index.
  const raingen::netcdf::File read(run / "merged.nc", "merged.nc", raingen::netcdf::File::ForReading{});
  const raingen::netcdf::File written(run / "new.nc", "new.nc");
  std::vector<hid_t> files(4);
  files.resize(static_cast<std::size_t>(H5Fget_obj_ids(H5F_OBJ_ALL, H5F_OBJ_FILE, files.size(), files.data())));
  ASSERT_EQ(files.size(), 2u);
  for (const hid_t file : files) {
    H5AC_cache_config_t config{};
    config.version = H5AC__CURR_CACHE_CONFIG_VERSION;
    ASSERT_GE(H5Fget_mdc_config(file, &config), 0);
    EXPECT_EQ(config.max_size, raingen::netcdf::metadata_cache_bytes);
    EXPECT_FALSE(config.incr_mode == H5C_incr__threshold);
  }
}

// Every value up to 2000 mm and random ones up to the table's largest: the nearest float, and below
// 16384 mm that float written with three decimals is the table's value again.
TEST(EnsemblePieces, DepthsAreTheFloatsNearestToTheTablesDecimals) {
  std::mt19937_64 pick(15);
  std::uniform_int_distribution<long> any(0, 99999999);
  for (long k = 0; k < 3000000; ++k) {
    const long thousandths = k < 2000000 ? k : any(pick);
    char text[32], again[32];
    std::snprintf(text, sizeof text, "%ld.%03ld", thousandths / 1000, thousandths % 1000);
    const float depth = raingen::ensemble::depth_as_float(thousandths);
    ASSERT_EQ(depth, std::strtof(text, nullptr)) << text;
    std::snprintf(again, sizeof again, "%.3f", static_cast<double>(depth));
    if (thousandths < 16384000) {
      ASSERT_STREQ(again, text);
    }
  }
  // Above, two neighbouring values of the table can share a float.
  EXPECT_EQ(raingen::ensemble::depth_as_float(16384001), raingen::ensemble::depth_as_float(16384002));
}

// The table read straight from its bytes takes only tables the results reader takes, with the
// same values: a table as the program writes it and thousands of damaged copies of it.
TEST(EnsemblePieces, TablesTakenStraightFromTheirBytesReadAsTheReaderReadsThem) {
  using raingen::ensemble::read_rows_as_written;
  std::mt19937_64 pick(23);
  const std::size_t rows = 2 * 96;
  std::string table;
  std::vector<float> written;
  for (std::size_t i = 1; i <= rows; ++i) {
    const long thousandths = pick() % 3 == 0 ? 0 : static_cast<long>(pick() % (i == 7 ? 100000000 : 30000));
    char depth[16], row[32];
    std::snprintf(depth, sizeof depth, "%ld.%03ld", thousandths / 1000, thousandths % 1000);
    std::snprintf(row, sizeof row, "%12zu%9s\r\n", 15 * i, depth[0] == '0' ? depth + 1 : depth);  // ".069"
    table += row;
    written.push_back(raingen::ensemble::depth_as_float(thousandths));
  }
  std::vector<float> depths(rows);
  ASSERT_TRUE(read_rows_as_written(table, depths));
  EXPECT_EQ(depths, written);

  TempDir dir;
  const auto through_reader = [&](const std::string& bytes) -> std::optional<std::vector<float>> {
    write_file(dir / "SOURCE.OUT", bytes);
    try {
      raingen::results::ResultsTable reader((dir / "SOURCE.OUT").string());
      std::vector<float> values;
      for (raingen::results::TableRow row; reader.next(row);)
        values.push_back(raingen::ensemble::depth_as_float(row.thousandths));
      return values;
    } catch (const raingen::common::ToolError&) {
      return std::nullopt;
    }
  };
  const std::string alphabet = " 0123456789.-*\r\nx";
  int taken = 0, refused = 0;
  for (int k = 0; k < 4000; ++k) {
    std::string damaged = table;
    const std::size_t at = pick() % damaged.size();
    const char c = alphabet[pick() % alphabet.size()];
    switch (k % 4) {
      case 0: damaged.erase(at, 1); break;
      case 1: damaged.insert(damaged.begin() + static_cast<long>(at), c); break;
      default: damaged[at] = c;
    }
    if (!read_rows_as_written(damaged, depths)) {
      ++refused;
      continue;
    }
    ++taken;
    const auto expected = through_reader(damaged);
    ASSERT_TRUE(expected) << "taken, but the reader refuses the table damaged at byte " << at;
    ASSERT_EQ(depths, *expected) << "damaged at byte " << at;
  }
  EXPECT_GT(taken, 100);  // a digit for a digit, a blank for a leading zero
  EXPECT_GT(refused, 1000);
}

TEST(EnsemblePieces, ProgressAndNames) {
  using namespace raingen::ensemble;
  EXPECT_EQ(progress_text(0, 10, 0, 0.0), "0/10 realizations");
  EXPECT_EQ(progress_text(5, 10, 0, 10.0), "5/10 realizations, 0.5 per s, 0:10 left");
  EXPECT_EQ(progress_text(3, 1000, 2, 1.5), "3/1000 realizations, 2 failed, 2.0 per s, 8:19 left");
  EXPECT_EQ(duration_text(2 * 3600 + 5 * 60 + 9.2), "2:05:10");
  EXPECT_EQ(summary_text(1000, 2, 81.44, "e.nc"), "1000 realizations in 81.4 s (12.3 per s), 2 failed: e.nc");
  EXPECT_EQ(kept_table_name(7, 12), "SOURCE_0007.OUT");
  EXPECT_EQ(kept_table_name(7, 12345), "SOURCE_00007.OUT");
}

}  // namespace
