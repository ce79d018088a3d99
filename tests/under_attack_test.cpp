// The tools as a hostile file and a careless user would meet them, end to end: every tool is run
// against each attack in a fresh directory, and its exit status, its whole standard error and
// every file of the directory before and after (byte for byte, hidden ones included: no stray
// file) are checked. Devices and FIFOs are made under the temporary directory (a character
// device only when the tests run as root); no system node is ever named as an output.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "common/output_file.h"
#include "support/child.h"
#include "support/crafted_ensemble.h"
#include "support/tool_runs.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ChildSetup;
using testing_support::Outcome;
using testing_support::TempDir;
using Tree = std::map<std::string, std::string>;

const fs::path tool_dir = RAINGEN_TOOL_DIR;

// Every entry under root: a regular file's bytes, or what the entry is.
Tree tree_of(const fs::path& root) {
  Tree tree;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const fs::path& p = it->path();
    const std::string name = fs::relative(p, root).string();
    const fs::file_status status = fs::symlink_status(p);
    if (fs::is_symlink(status))
      tree[name] = "-> " + fs::read_symlink(p).string();
    else if (fs::is_regular_file(status))
      tree[name] = testing_support::read_file(p);
    else if (fs::is_directory(status))
      tree[name] = "(dir)";
    else if (fs::is_fifo(status))
      tree[name] = "(fifo)";
    else if (fs::is_character_file(status))
      tree[name] = "(character device)";
    else if (fs::is_socket(status))
      tree[name] = "(socket)";
    else
      tree[name] = "(other)";
  }
  return tree;
}

// The first entry where two trees differ, or "".
std::string first_difference(const Tree& before, const Tree& after) {
  for (const auto& [name, content] : after) {
    const auto was = before.find(name);
    if (was == before.end()) return "new: " + name;
    if (was->second != content) return "changed: " + name;
  }
  for (const auto& [name, content] : before)
    if (!after.count(name)) return "gone: " + name;
  return "";
}

Outcome tool_in(const fs::path& dir, const std::string& tool, const std::vector<std::string>& arguments,
                const std::string& input = "") {
  ChildSetup setup;
  setup.directory = dir;
  setup.input = input;
  return testing_support::run_tool_program(setup, tool, arguments);
}

Outcome shell_in(const fs::path& dir, const std::string& command) {
  ChildSetup setup;
  setup.directory = dir;
  setup.environment = {{"PATH", tool_dir.string() + ":/usr/bin:/bin"}};
  return testing_support::run_program_file(setup, "/bin/bash", {"-c", command});
}

// A 15-minute csv record of two days, 0.2 mm at 09:45 of the first, as a gauge writes it.
std::string two_days(const std::string& at_0945 = "0.2") {
  std::string text = "time,rain\n";
  for (int k = 1; k <= 192; ++k) {
    const int minutes = 15 * k, day = 1 + minutes / 1440, of_day = minutes % 1440;
    char row[64];
    std::snprintf(row, sizeof row, "2001-01-%02d %02d:%02d,%s\n", day, of_day / 60, of_day % 60,
                  k == 39      ? at_0945.c_str()
                  : k % 7 == 0 ? "0.4"
                               : "0");
    text += row;
  }
  return text;
}

std::string noaa_day(const std::string& first_value) {
  std::string text = "STATION,DATE";
  for (int j = 1; j <= 96; ++j) text += ",V" + std::to_string(j);
  text += "\nUSC00012345,2001-01-01," + first_value;
  for (int j = 2; j <= 96; ++j) text += ",0";
  return text + "\n";
}

// The run directory of the example (INPUT.TXT names RESULTS.TXT; stations KARO, MELV, TWIN), run
// once, and records beside it.
void lay_out(const TempDir& dir) {
  fs::create_directory(dir / "run");
  fs::copy(RAINGEN_EXAMPLE_DATA, dir / "run");
  ChildSetup setup;
  setup.directory = dir / "run";
  setup.environment = {{"RAINGEN_SEED", "42"}};
  ASSERT_EQ(testing_support::run_raingen(setup).exit_status, 0);
  dir.write("rec.csv", two_days());
  fs::create_directory(dir / "out");
}

void make_fifo(const fs::path& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << path; }

void make_socket(const fs::path& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(path.string().size(), sizeof address.sun_path);
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
}

// A character device (the null device's numbers) made under the test's directory: root only.
std::string make_character_device(const fs::path& path) {
  if (::geteuid() != 0) return "making a character device needs root";
  if (::mknod(path.c_str(), S_IFCHR | 0600, ::makedev(1, 3)) != 0) return "mknod is refused here";
  return "";
}

struct Attack {
  std::string name;
  std::function<std::string(const TempDir&)> arrange;  // returns why the case cannot run here, or ""
  std::string tool;
  std::vector<std::string> arguments;  // run in dir/run
  int status;
  std::string message;  // standard error, whole
};

std::string nothing(const TempDir&) { return ""; }

std::function<std::string(const TempDir&)> crafted(const std::string& name, testing_support::CraftedEnsemble craft) {
  return [=](const TempDir& dir) {
    testing_support::write_crafted_ensemble(dir / name, craft);
    return std::string();
  };
}

std::string with(const TempDir& dir, const std::string& name, const std::string& bytes) {
  dir.write(name, bytes);
  return "";
}

const std::vector<std::string> settings_use = {"--site",    "S",   "--days",    "10",  "--station", "A=1",
                                               "--station", "B=2", "--station", "C=3", "--dir",     "../out"};

std::vector<std::string> weighted_site_use() {
  return {"--weighted-site", "W",       "--site",       "S",       "--days",       "10",        "--gauge",
          "A=../rec.csv",    "--gauge", "B=../rec.csv", "--gauge", "C=../rec.csv", "--station", "A=1",
          "--station",       "B=2",     "--station",    "C=3",     "--dir",        "../out"};
}

std::string refused_node(const std::string& tool, const std::string& path, const std::string& kind) {
  return "raingen-" + tool + ": " + path + ": is " + kind +
         ", not a regular file: only a regular file is replaced by an output\n";
}

std::vector<Attack> attacks() {
  const auto fifo_at = [](std::string name) {
    return [name](const TempDir& dir) {
      make_fifo(dir / name);
      return std::string();
    };
  };
  const std::string too_long_line = std::string(3 << 20, 'x');
  const std::string begins =
      "is longer than 1048576 bytes, the longest line a record may have; it begins '" + std::string(40, 'x') + "'\n";
  std::vector<Attack> a = {
      // Outputs that are no regular file: refused before any work, with status 2.
      {"export to a FIFO",
       fifo_at("out/fifo"),
       "raingen-export",
       {"--format", "csv", "SOURCE.OUT", "../out/fifo"},
       2,
       refused_node("export", "../out/fifo", "a FIFO (named pipe)")},
      {"export to a directory",
       nothing,
       "raingen-export",
       {"--format", "swmm-rain", "SOURCE.OUT", "../out"},
       2,
       refused_node("export", "../out", "a directory")},
      {"export to a socket",
       [](const TempDir& dir) {
         make_socket(dir / "out/socket");
         return std::string();
       },
       "raingen-export",
       {"--format", "csv", "SOURCE.OUT", "../out/socket"},
       2,
       refused_node("export", "../out/socket", "a socket")},
      {"export to a character device",
       [](const TempDir& dir) { return make_character_device(dir / "out/null"); },
       "raingen-export",
       {"--format", "netcdf", "SOURCE.OUT", "../out/null"},
       2,
       refused_node("export", "../out/null", "a character device")},
      {"prepare a station file onto a FIFO",
       fifo_at("out/KAROD_3.TXT"),
       "raingen-prepare",
       {"--id", "KARO", "--dir", "../out", "../rec.csv"},
       2,
       refused_node("prepare", "../out/KAROD_3.TXT", "a FIFO (named pipe)")},
      {"prepare a season's station file onto a FIFO",
       [](const TempDir& dir) {
         fs::create_directory(dir / "out/Mar-May");
         make_fifo(dir / "out/Mar-May/KAROD_3.TXT");
         return std::string();
       },
       "raingen-prepare",
       {"--id", "KARO", "--seasons", "quarters", "--dir", "../out", "../rec.csv"},
       2,
       refused_node("prepare", "../out/Mar-May/KAROD_3.TXT", "a FIFO (named pipe)")},
      {"prepare a season's INPUT.TXT onto a FIFO",
       [](const TempDir& dir) {
         fs::create_directory(dir / "out/Jun-Aug");
         make_fifo(dir / "out/Jun-Aug/INPUT.TXT");
         return std::string();
       },
       "raingen-prepare",
       [] {
         std::vector<std::string> use = settings_use;
         use.insert(use.end(), {"--seasons", "quarters"});
         return use;
       }(),
       2, refused_node("prepare", "../out/Jun-Aug/INPUT.TXT", "a FIFO (named pipe)")},
      {"prepare INPUT.TXT onto a character device",
       [](const TempDir& dir) { return make_character_device(dir / "out/INPUT.TXT"); }, "raingen-prepare", settings_use,
       2, refused_node("prepare", "../out/INPUT.TXT", "a character device")},
      {"prepare a site station onto a FIFO", fifo_at("out/W   F_3.TXT"), "raingen-prepare", weighted_site_use(), 2,
       refused_node("prepare", "../out/W   F_3.TXT", "a FIFO (named pipe)")},
      {"report onto a FIFO",
       fifo_at("out/report.html"),
       "raingen-report",
       {"--gauge", "KARO=../rec.csv", "--output", "../out"},
       2,
       refused_node("report", "../out/report.html", "a FIFO (named pipe)")},
      {"report into a regular file",
       [](const TempDir& dir) { return with(dir, "out/x", "old"); },
       "raingen-report",
       {"--gauge", "KARO=../rec.csv", "--output", "../out/x"},
       2,
       "raingen-report: ../out/x: is a regular file, not a directory: the outputs go into a directory\n"},
      {"ensemble into an existing directory",
       nothing,
       "raingen-ensemble",
       {"--realizations", "2", "--output", "../out"},
       2,
       refused_node("ensemble", "../out", "a directory")},
      {"ensemble onto a FIFO",
       fifo_at("out/e.nc"),
       "raingen-ensemble",
       {"--realizations", "2", "--output", "../out/e.nc"},
       2,
       refused_node("ensemble", "../out/e.nc", "a FIFO (named pipe)")},
      {"ensemble merge onto a FIFO, before the files are read",
       [](const TempDir& dir) {
         make_fifo(dir / "out/merged.nc");
         return with(dir, "a.nc", "not an ensemble");
       },
       "raingen-ensemble",
       {"--merge", "../a.nc", "../a.nc", "--output", "../out/merged.nc"},
       2,
       refused_node("ensemble", "../out/merged.nc", "a FIFO (named pipe)")},
      {"ensemble keeping over an earlier kept table",
       [](const TempDir& dir) { return with(dir, "out/SOURCE_0002.OUT", "earlier"); },
       "raingen-ensemble",
       {"--realizations", "3", "--keep", "../out", "--output", "../e.nc"},
       2,
       "raingen-ensemble: ../out: already holds SOURCE_0002.OUT, kept by an earlier ensemble: --keep never replaces a "
       "kept table (give a new or an empty folder)\n"},
      {"SWMM gage line with a quote in the file name",
       nothing,
       "raingen-export",
       {"--format", "swmm-rain", "SOURCE.OUT", "../out/a\"b.dat"},
       2,
       "raingen-export: ../out/a\"b.dat: holds a double quote, which a SWMM gage line cannot name: give the file "
       "another name\n"},

      // A report never replaces its inputs, by name, symbolic link or hard link.
      {"report over its gauge record",
       [](const TempDir& dir) { return with(dir, "out/statistics.csv", two_days()); },
       "raingen-report",
       {"--gauge", "KARO=../out/statistics.csv", "--output", "../out"},
       2,
       "raingen-report: ../out/statistics.csv: is ../out/statistics.csv, the gauge record of KARO: a report never "
       "replaces its inputs\n"},
      {"report over its gauge record through a symbolic link",
       [](const TempDir& dir) {
         dir.write("out/statistics.csv", two_days());
         fs::create_symlink("out/statistics.csv", dir / "link.csv");
         return std::string();
       },
       "raingen-report",
       {"--gauge", "KARO=../link.csv", "--output", "../out"},
       2,
       "raingen-report: ../out/statistics.csv: is ../link.csv, the gauge record of KARO: a report never replaces its "
       "inputs\n"},
      {"report over its gauge record through a hard link",
       [](const TempDir& dir) {
         dir.write("out/report.html", two_days());
         fs::create_hard_link(dir / "out/report.html", dir / "hard.csv");
         return std::string();
       },
       "raingen-report",
       {"--gauge", "MELV=../hard.csv", "--output", "../out"},
       2,
       "raingen-report: ../out/report.html: is ../hard.csv, the gauge record of MELV: a report never replaces its "
       "inputs\n"},
      {"report over its results file",
       [](const TempDir& dir) {
         std::string settings = dir.read("run/INPUT.TXT");
         settings.replace(settings.find("RESULTS.TXT"), 11, "report.html");
         dir.write("run/INPUT.TXT", settings);
         fs::rename(dir / "run/RESULTS.TXT", dir / "run/report.html");
         return std::string();
       },
       "raingen-report",
       {"--gauge", "KARO=../rec.csv", "--output", "."},
       2,
       "raingen-report: ./report.html: is ./report.html, the run's results file: a report never replaces its inputs\n"},

      // Numbers: non-finite options, readings no rain reaches, spans past 300 years.
      {"report --dry-threshold nan",
       nothing,
       "raingen-report",
       {"--gauge", "KARO=../rec.csv", "--dry-threshold", "nan"},
       2,
       "raingen-report: --dry-threshold: 'nan' is not a finite decimal number (see --help)\n"},
      {"report --min-complete nan",
       nothing,
       "raingen-report",
       {"--gauge", "KARO=../rec.csv", "--min-complete", "nan"},
       2,
       "raingen-report: --min-complete: 'nan' is not a finite decimal number (see --help)\n"},
      {"prepare --wet-threshold inf",
       nothing,
       "raingen-prepare",
       {"--id", "T", "--wet-threshold", "inf", "../rec.csv"},
       2,
       "raingen-prepare: --wet-threshold: 'inf' is not a finite decimal number (see --help)\n"},
      {"prepare a depth of 1e17 mm",
       [](const TempDir& dir) { return with(dir, "big.csv", two_days("1e17")); },
       "raingen-prepare",
       {"--id", "T", "--dir", "../out", "../big.csv"},
       1,
       "raingen-prepare: ../big.csv:40: the 15-minute depth ending 2001-01-01 09:45 comes to 1e+17 mm; a depth of 100 "
       "mm "
       "or more cannot be written\n"},
      {"prepare a NOAA day of 1e300",
       [](const TempDir& dir) { return with(dir, "noaa.csv", noaa_day("1e300")); },
       "raingen-prepare",
       {"--id", "T", "--dir", "../out", "../noaa.csv"},
       1,
       "raingen-prepare: ../noaa.csv:2: the 15-minute depth ending 2001-01-01 00:15 comes to 2.54e+299 mm; a depth of "
       "100 mm or more cannot be written\n"},
      {"report a NOAA day of 1e300",
       [](const TempDir& dir) { return with(dir, "noaa.csv", noaa_day("1e300")); },
       "raingen-report",
       {"--gauge", "KARO=../noaa.csv", "--output", "../out"},
       1,
       "raingen-report: ../noaa.csv:2: the 15-minute depth ending 2001-01-01 00:15 comes to 2.54e+299 mm: no depth of "
       "1e+09 mm or more is taken\n"},
      {"report a depth of 1e308 mm",
       [](const TempDir& dir) { return with(dir, "big.csv", two_days("1e308")); },
       "raingen-report",
       {"--gauge", "KARO=../big.csv", "--output", "../out"},
       1,
       "raingen-report: ../big.csv:40: the 15-minute depth ending 2001-01-01 09:45 comes to 1e+308 mm: no depth of "
       "1e+09 mm or more is taken\n"},
      {"prepare from the year 1 to 9999",
       nothing,
       "raingen-prepare",
       {"--id", "T", "--from", "0001-01-01", "--to", "9999-12-31", "../rec.csv"},
       2,
       "raingen-prepare: from 0001-01-01 to 9999-12-31 is 3652059 days: a record is kept over at most 109800 days "
       "(300 years)\n"},
      {"prepare from the year 1",
       nothing,
       "raingen-prepare",
       {"--id", "T", "--from", "0001-01-01", "../rec.csv"},
       2,
       "raingen-prepare: ../rec.csv: --from/--to keep 0001-01-01 to 2001-01-02, 730487 days: a record is kept over at "
       "most 109800 days (300 years)\n"},
      {"prepare a SWMM file to the year 9999",
       [](const TempDir& dir) { return with(dir, "rain.dat", "RG1 2001 01 01 00 00 0.5\n"); },
       "raingen-prepare",
       {"--id", "T", "--to", "9999-12-31", "../rain.dat"},
       2,
       "raingen-prepare: ../rain.dat: --from/--to keep 2001-01-01 to 9999-12-31, 2921574 days: a record is kept over "
       "at most 109800 days (300 years)\n"},
      {"report a gauge from the year 1",
       nothing,
       "raingen-report",
       {"--gauge", "KARO=../rec.csv", "--from", "KARO:0001-01-01"},
       2,
       "raingen-report: ../rec.csv: --from/--to keep 0001-01-01 to 2001-01-02, 730487 days: a record is kept over at "
       "most 109800 days (300 years)\n"},

      // Lines without an end: an error naming the file and line, quoting a short excerpt.
      {"export a line of 3 MB",
       [=](const TempDir& dir) { return with(dir, "long.out", too_long_line); },
       "raingen-export",
       {"--format", "csv", "../long.out", "../out/x.csv"},
       1,
       "raingen-export: ../long.out:1: " + begins},
      {"prepare a line of 3 MB",
       [=](const TempDir& dir) { return with(dir, "long.csv", two_days() + too_long_line); },
       "raingen-prepare",
       {"--id", "T", "--format", "csv", "../long.csv"},
       1,
       "raingen-prepare: ../long.csv:194: " + begins},
      {"prepare a first line of 3 MB, its format to be told",
       [=](const TempDir& dir) { return with(dir, "long.csv", too_long_line); },
       "raingen-prepare",
       {"--id", "T", "../long.csv"},
       1,
       "raingen-prepare: ../long.csv:1: " + begins},
      {"report a gauge line of 3 MB",
       [=](const TempDir& dir) { return with(dir, "long.csv", too_long_line + "\n"); },
       "raingen-report",
       {"--gauge", "TWIN=../long.csv"},
       1,
       "raingen-report: ../long.csv:1: " + begins},

      // A run folder's own files are no tool's output, by name or through a symbolic link.
      {"ensemble over RAINGEN.TXT",
       nothing,
       "raingen-ensemble",
       {"--realizations", "2", "--output", "raingen.txt"},
       2,
       "raingen-ensemble: raingen.txt: is RAINGEN.TXT, a file a run folder holds for itself: an output never replaces "
       "it; give another name\n"},
      {"export over NETWORK.TXT through a link",
       [](const TempDir& dir) {
         dir.write("out/NETWORK.TXT", "old");
         fs::create_symlink("NETWORK.TXT", dir / "out/e.csv");
         return std::string();
       },
       "raingen-export",
       {"--format", "csv", "SOURCE.OUT", "../out/e.csv"},
       2,
       "raingen-export: ../out/e.csv: is NETWORK.TXT, a file a run folder holds for itself: an output never replaces "
       "it; give another name\n"},

      // Crafted ensemble files: every variable's shape checked before it is read, dimensions no
      // bigger than the file can hold, depths that are depths; refused by every reader.
      {"merge a one-site file whose seed is over another dimension",
       crafted("a.nc", {.seed_over = "name_strlen"}),
       "raingen-ensemble",
       {"--merge", "../a.nc", "../a.nc", "--output", "../out/m.nc"},
       1,
       "raingen-ensemble: ../a.nc: is not an ensemble file: seed is int over (name_strlen), not int over "
       "(realization)\n"},
      {"merge a network file whose seed is over its sites",
       crafted("n.nc", {.network = true, .seed_over = "site"}),
       "raingen-ensemble",
       {"--merge", "../n.nc", "../n.nc", "--output", "../out/m.nc"},
       1,
       "raingen-ensemble: ../n.nc: is not a network ensemble file: seed is int over (site), not int over "
       "(realization)\n"},
      {"merge a network file whose site names are over 100000 rows",
       crafted("n.nc", {.network = true, .name_rows = 100000}),
       "raingen-ensemble",
       {"--merge", "../n.nc", "../n.nc", "--output", "../out/m.nc"},
       1,
       "raingen-ensemble: ../n.nc: is not a network ensemble file: site_name is char over (rows, name_strlen), not "
       "char "
       "over (site, name_strlen)\n"},
      {"merge a network file declaring 10^8 realizations",
       crafted("n.nc", {.network = true, .realizations = 100000000}),
       "raingen-ensemble",
       {"--merge", "../n.nc", "../n.nc", "--output", "../out/m.nc"},
       1,
       "raingen-ensemble: ../n.nc: is not a network ensemble file: it declares 100000000 realizations at 2 sites, more "
       "than a file of its size can hold\n"},
      {"export a realization holding NaN",
       crafted("a.nc", {.odd_depth = NAN}),
       "raingen-export",
       {"--ensemble", "../a.nc", "--realization", "1", "--format", "csv", "../out/x.csv"},
       1,
       "raingen-export: ../a.nc: realization 1 holds nan at interval 3, no depth a run writes (0 to 99999.999 mm): the "
       "file is damaged\n"},

      // Bytes a terminal would act on are shown escaped, and a NUL does not cut the message.
      {"a time holding ESC and NUL",
       [](const TempDir& dir) {
         return with(dir, "esc.csv", std::string("time,rain\n2001-01-01 00:15\x1b[31m\0zz,0\n", 37));
       },
       "raingen-prepare",
       {"--id", "T", "../esc.csv"},
       1,
       "raingen-prepare: ../esc.csv:2: '2001-01-01 00:15\\x1b[31m\\x00zz' is not a time (YYYY-MM-DD hh:mm[:ss] or "
       "dd/mm/yyyy hh:mm[:ss])\n"},
  };
  return a;
}

TEST(UnderAttack, EveryToolRefusesAndLeavesEveryFileAsItWas) {
  for (const Attack& attack : attacks()) {
    SCOPED_TRACE(attack.name);
    TempDir dir;
    lay_out(dir);
    const std::string cannot = attack.arrange(dir);
    if (!cannot.empty()) {
      std::printf("[ SKIPPED  ] %s: %s\n", attack.name.c_str(), cannot.c_str());
      continue;
    }
    const Tree before = tree_of(dir.path());
    const Outcome outcome = tool_in(dir / "run", attack.tool, attack.arguments);
    EXPECT_EQ(outcome.exit_status, attack.status);
    EXPECT_EQ(outcome.err, attack.message);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(first_difference(before, tree_of(dir.path())), "");
  }
}

// A record read through a pipe, standard input, a process substitution or a FIFO gives what the
// same bytes give from a file, its format told on the one stream.
TEST(UnderAttack, RecordsFromPipesAreReadWhole) {
  TempDir dir;
  fs::copy(fs::path(RAINGEN_EXAMPLE_RECORDS) / "iMHEA_PAU_01_PD_01_raw.csv", dir / "pd01.csv");
  dir.write("rec.csv", two_days());
  for (const char* d : {"file", "substitution", "stdin", "dash", "fifo"}) fs::create_directory(dir / d);
  ASSERT_EQ(tool_in(dir.path(), "raingen-prepare", {"--id", "PD01", "--dir", "file", "pd01.csv"}).exit_status, 0);
  // RAINGEN.TXT names the record as given (a pipe's name, or none for standard input): the station
  // files themselves must be the same.
  const auto station_files = [&](const char* where) {
    Tree tree = tree_of(dir / where);
    tree.erase("RAINGEN.TXT");
    return tree;
  };
  const Tree expected = station_files("file");
  ASSERT_EQ(expected.size(), 3u);
  make_fifo(dir / "pipe");
  const std::pair<const char*, std::string> ways[] = {
      {"substitution", "raingen-prepare --id PD01 --dir substitution <(cat pd01.csv)"},
      {"stdin", "cat pd01.csv | raingen-prepare --id PD01 --dir stdin /dev/stdin"},
      {"dash", "cat pd01.csv | raingen-prepare --id PD01 --dir dash -"},
      {"fifo", "(timeout 60 cat pd01.csv > pipe &) ; raingen-prepare --id PD01 --dir fifo pipe"},
  };
  for (const auto& [where, command] : ways) {
    const Outcome outcome = shell_in(dir.path(), command);
    EXPECT_EQ(outcome.exit_status, 0) << where << ": " << outcome.err;
    EXPECT_NE(outcome.out.find("(read as tips, 24678 readings)"), std::string::npos) << where << outcome.out;
    EXPECT_TRUE(station_files(where) == expected) << where;
  }

  // The report's gauges and a site station's records through FIFOs; the export's table too.
  fs::create_directory(dir / "run");
  fs::copy(RAINGEN_EXAMPLE_DATA, dir / "run");
  ChildSetup run;
  run.directory = dir / "run";
  run.environment = {{"RAINGEN_SEED", "7"}};
  ASSERT_EQ(testing_support::run_raingen(run).exit_status, 0);
  ASSERT_EQ(tool_in(dir / "run", "raingen-report", {"--gauge", "KARO=../rec.csv", "--output", "../r1"}).exit_status, 0);
  Outcome piped = shell_in(
      dir / "run", "(timeout 60 cat ../rec.csv > ../pipe &) ; raingen-report --gauge KARO=../pipe --output ../r2");
  EXPECT_EQ(piped.exit_status, 0) << piped.err;
  Tree r1 = tree_of(dir / "r1"), r2 = tree_of(dir / "r2");
  // The page names the record it read; everything else is the same.
  for (Tree* t : {&r1, &r2}) t->erase("report.html");
  EXPECT_EQ(r1, r2);
  ASSERT_EQ(tool_in(dir / "run", "raingen-export", {"--format", "csv", "SOURCE.OUT", "../e1.csv"}).exit_status, 0);
  piped =
      shell_in(dir / "run", "(timeout 60 cat SOURCE.OUT > ../pipe &) ; raingen-export --format csv ../pipe ../e2.csv");
  EXPECT_EQ(piped.exit_status, 0) << piped.err;
  EXPECT_EQ(dir.read("e1.csv"), dir.read("e2.csv"));
  const std::string weighted =
      "raingen-prepare --weighted-site W --site S --days 5 --gauge B=pd01.csv --gauge C=pd01.csv --station A=1 "
      "--station B=2 --station C=3 ";
  for (const char* d : {"wfile", "wpipe"}) fs::create_directory(dir / d);
  const Outcome whole = shell_in(dir.path(), weighted + "--gauge A=pd01.csv --dir wfile");
  ASSERT_EQ(whole.exit_status, 0) << whole.err;
  piped = shell_in(dir.path(), "(timeout 60 cat pd01.csv > pipe &) ; " + weighted + "--gauge A=pipe --dir wpipe");
  EXPECT_EQ(piped.exit_status, 0) << piped.err;
  // The summary names the record as given, and the folder.
  std::string told = piped.out;
  for (const auto& [from, to] : {std::pair<std::string, std::string>{"A: pipe ", "A: pd01.csv "}, {"wpipe/", "wfile/"}})
    for (std::size_t at = told.find(from); at != std::string::npos; at = told.find(from, at + to.size()))
      told.replace(at, from.size(), to);
  EXPECT_EQ(told, whole.out);
  EXPECT_TRUE(station_files("wpipe") == station_files("wfile"));
}

// A CSV of a hundred gauges is a CSV, whatever its number of columns.
TEST(UnderAttack, AHundredGaugeCsvIsNoNoaaFile) {
  TempDir dir;
  std::string text = "time";
  for (int g = 1; g <= 100; ++g) text += ",g" + std::to_string(g);
  text += "\n";
  // Thirty days (as few as a station may keep): rain in the third interval of every third day,
  // dry days between.
  for (int k = 1; k <= 30 * 96; ++k) {
    const int minutes = 15 * k;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "2001-01-%02d %02d:%02d", 1 + minutes / 1440, minutes % 1440 / 60, minutes % 60);
    text += stamp;
    for (int g = 1; g <= 100; ++g) text += g == 50 && k % 288 == 3 ? ",1.5" : ",0";
    text += "\n";
  }
  dir.write("wide.csv", text);
  const Outcome outcome = tool_in(dir.path(), "raingen-prepare", {"--id", "G50", "--column", "g50", "wide.csv"});
  EXPECT_EQ(outcome.exit_status, 0) << outcome.err;
  EXPECT_NE(outcome.out.find("(read as csv, 15-minute step, 2880 readings)"), std::string::npos) << outcome.out;
  EXPECT_NE(dir.read("G50 F_2.TXT").find("  1.50"), std::string::npos);
}

// A tool started on a FIFO that waits for more, so that a signal finds it at work.
class WaitingTool {
 public:
  WaitingTool(const fs::path& dir, const std::string& tool, const std::vector<std::string>& arguments,
              const std::string& fifo, const std::string& first_bytes)
      : err_(dir / "stderr") {
    pid_ = ::fork();
    if (pid_ == 0) {
      const int err = ::open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(err, STDERR_FILENO);
      if (::chdir(dir.c_str()) != 0) ::_exit(126);
      std::string program = (tool_dir / tool).string();
      std::vector<std::string> copies = arguments;
      std::vector<char*> argv{program.data()};
      for (std::string& argument : copies) argv.push_back(argument.data());
      argv.push_back(nullptr);
      ::execv(program.c_str(), argv.data());
      ::_exit(126);
    }
    // Opened once the tool has opened it for reading (at most a minute), then written in full.
    for (int k = 0; k < 600 && writer_ < 0; ++k) {
      writer_ = ::open((dir / fifo).c_str(), O_WRONLY | O_NONBLOCK);
      if (writer_ < 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (writer_ >= 0) ::fcntl(writer_, F_SETFL, ::fcntl(writer_, F_GETFL) & ~O_NONBLOCK);
    if (writer_ >= 0 && ::write(writer_, first_bytes.data(), first_bytes.size()) < 0) {
      ::close(writer_);
      writer_ = -1;
    }
  }
  ~WaitingTool() {
    if (writer_ >= 0) ::close(writer_);
  }
  // Sends the signal and waits for the end: the exit status (or 128 + a signal) and standard error.
  std::pair<int, std::string> stop(int signal) {
    ::kill(pid_, signal);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    const std::string err = testing_support::read_file(err_);
    fs::remove(err_);
    return {code, err};
  }

 private:
  pid_t pid_ = -1;
  int writer_ = -1;
  fs::path err_;
};

// Waits (at most a minute) until a file whose name holds `part` appears in dir.
bool appears(const fs::path& dir, const std::string& part) {
  for (int k = 0; k < 600; ++k) {
    for (const auto& entry : fs::directory_iterator(dir))
      if (entry.path().filename().string().find(part) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

// Interrupted, each tool removes what it had written aside and changes nothing; killed outright,
// it leaves its aside file, which the next tool writing into that folder removes, while the aside
// file of a writer that is still at work stays.
TEST(UnderAttack, InterruptedToolsLeaveNothingAndKilledOnesAreCleanedUpAfter) {
  TempDir dir;
  lay_out(dir);
  make_fifo(dir / "run/pipe");
  dir.write("out/x.csv", "old");
  const std::string table = dir.read("run/SOURCE.OUT");
  const std::string head = table.substr(0, 96 * 23 * 3);  // three whole days of rows
  const Tree before = tree_of(dir.path());
  {
    WaitingTool exporting(dir / "run", "raingen-export", {"--format", "csv", "pipe", "../out/x.csv"}, "pipe", head);
    ASSERT_TRUE(appears(dir / "out", ".x.csv.partial-"));
    const auto [status, err] = exporting.stop(SIGTERM);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, "raingen-export: interrupted by signal 15: no file is written or changed\n");
  }
  EXPECT_EQ(first_difference(before, tree_of(dir.path())), "");
  const std::pair<std::string, std::vector<std::string>> readers[] = {
      {"raingen-prepare", {"--id", "T", "--dir", "../out", "pipe"}},
      {"raingen-report", {"--gauge", "KARO=pipe", "--output", "../out"}},
  };
  for (const auto& [tool, arguments] : readers) {
    WaitingTool reading(dir / "run", tool, arguments, "pipe", two_days().substr(0, 500));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto [status, err] = reading.stop(SIGINT);
    EXPECT_EQ(status, 1) << tool;
    EXPECT_EQ(err, tool + ": interrupted by signal 2: no file is written or changed\n");
    EXPECT_EQ(first_difference(before, tree_of(dir.path())), "") << tool;
  }

  {
    WaitingTool killed(dir / "run", "raingen-export", {"--format", "csv", "pipe", "../out/x.csv"}, "pipe", head);
    ASSERT_TRUE(appears(dir / "out", ".x.csv.partial-"));
    EXPECT_EQ(killed.stop(SIGKILL).first, 128 + SIGKILL);
  }
  EXPECT_NE(first_difference(before, tree_of(dir.path())), "") << "the killed tool's aside file is left";
  // A writer at work in the same folder (this process), whose aside file must stay.
  raingen::common::OutputFile live(dir / "out/live.txt");
  live.write("at work");
  live.finish();
  const Outcome next = tool_in(dir / "run", "raingen-export", {"--format", "csv", "SOURCE.OUT", "../out/y.csv"});
  EXPECT_EQ(next.exit_status, 0) << next.err;
  Tree after = tree_of(dir.path());
  std::size_t live_asides = 0;
  for (auto it = after.begin(); it != after.end();) {
    if (it->first.find(".live.txt.partial-") != std::string::npos) {
      ++live_asides;
      it = after.erase(it);
    } else {
      ++it;
    }
  }
  EXPECT_EQ(live_asides, 1u);
  after.erase("out/y.csv");
  EXPECT_EQ(first_difference(before, after), "") << "the killed tool's aside file is removed";
}

// The scratch directory of an ensemble killed outright is removed by the next ensemble made
// beside it; that of an ensemble still at work (here a lock this test holds) stays.
TEST(UnderAttack, AKilledEnsemblesScratchIsRemovedByTheNext) {
  TempDir dir;
  lay_out(dir);
  fs::create_directories(dir / "run/.e.nc.scratch-Abc123/1/run");
  dir.write("run/.e.nc.scratch-Abc123/1/stdout", "left");
  fs::create_directories(dir / "run/.e.nc.scratch-Live12");
  const int held = ::open((dir / "run/.e.nc.scratch-Live12").c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  const Outcome outcome = tool_in(dir / "run", "raingen-ensemble", {"--realizations", "2", "--output", "e.nc"});
  EXPECT_EQ(outcome.exit_status, 0) << outcome.err;
  EXPECT_FALSE(fs::exists(dir / "run/.e.nc.scratch-Abc123"));
  EXPECT_TRUE(fs::exists(dir / "run/.e.nc.scratch-Live12"));
  ::close(held);
}

// On a full disk a failed realization's report says that its capture may have been lost, instead
// of showing an empty standard error as if the run had said nothing.
TEST(UnderAttack, AFailedRealizationOnAFullDiskSaysSo) {
  TempDir dir;
  lay_out(dir);
  fs::create_directory(dir / "small");
  if (::geteuid() != 0) GTEST_SKIP() << "a small file system of its own needs root to mount";
  const Outcome mounted = shell_in(dir.path(), "mount -t tmpfs -o size=256k tmpfs small");
  if (mounted.exit_status != 0) GTEST_SKIP() << "tmpfs cannot be mounted here: " << mounted.err;
  const Outcome outcome =
      tool_in(dir / "run", "raingen-ensemble", {"--realizations", "1", "--output", "../small/e.nc"});
  shell_in(dir.path(), "umount small");
  EXPECT_EQ(outcome.exit_status, 1);
  EXPECT_NE(outcome.err.find("(nothing captured: the disk holding "), std::string::npos) << outcome.err;
  EXPECT_EQ(outcome.err.find("(nothing)"), std::string::npos) << outcome.err;
}

}  // namespace
