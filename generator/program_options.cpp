#include "generator/program_options.h"

#include <unistd.h>

#include <cstring>
#include <string_view>

#ifndef RAINGEN_VERSION
#define RAINGEN_VERSION "unknown"
#endif

namespace raingen {

namespace {

constexpr std::string_view help_text = R"(Usage: raingen [NAME ...]
       raingen --help | --version

Generates a synthetic rainfall series at a 15-minute step for a site without a rain gauge, from
the records of three nearby stations, and writes it as a table of time and rainfall. It runs
once, in the current directory, without questions (unless a file name is blank).

Reads:
  INPUT.TXT     nine records, the value of each from column 15: the results file's name
                (record 1), the site's name (2), the three stations' identifiers (3-5, four
                characters, blank-padded), their distances to the site (6-8, whole numbers; 0:
                the site lies at that station) and the number of days, 1 to 2000 (9)
  IDD_3.TXT     for each station ID: its table of dry-spell lengths
  IDF_2.TXT     its historical wet days, 96 values of 15 minutes each
  IDF_3.TXT     the count of those days
Writes:
  the results file named in INPUT.TXT: a heading, then one row per 15-minute interval, the
                minutes from the start of day 1 to the end of the interval and the rainfall
  SOURCE.OUT    the same rows without the heading
  Every record ends in CR LF; an existing output file is cut at the first record written.

A blank file name in INPUT.TXT takes the next argument NAME, in order, else a name typed at the
console prompt; arguments are not read otherwise. RAINGEN_SEED, when set to a 32-bit integer,
seeds the run (the same seed, the same series); otherwise the time of day seeds it.
The console shows "Program is Running, Please wait."; a missing INPUT.TXT shows "INPUT FILE NOT
FOUND." and a stop. Exit status: 0 after a complete run, 1 after a stop, a run-time error report
(on standard error) or an invalid RAINGEN_SEED.
The companion tools raingen-prepare, raingen-report, raingen-export and raingen-ensemble make
the station files from gauge records and read, export and repeat the runs.
)";

constexpr std::string_view version_text = "raingen " RAINGEN_VERSION "\n";

// Written whole with write(2), as every byte the program shows.
int print(std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(STDOUT_FILENO, text.data(), text.size());
    if (written <= 0) return 1;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return 0;
}

}  // namespace

std::optional<int> answer_program_option(int argc, char** argv) {
  if (argc < 2) return std::nullopt;
  if (std::strcmp(argv[1], "--help") == 0) return print(help_text);
  if (std::strcmp(argv[1], "--version") == 0) return print(version_text);
  return std::nullopt;
}

}  // namespace raingen
