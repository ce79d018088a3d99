// The run directory an ensemble is made from: INPUT.TXT and the nine station files it names,
// read and checked once before any realization runs, so that a fault every realization would
// meet is told once instead of K times.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "stations/seasons.h"
#include "stations/settings_file.h"

namespace raingen::run_directory {

struct RunDirectory {
  std::filesystem::path dir;  // absolute
  stations::Settings settings;
  // INPUT.TXT, then the station files, each once, by the names the program opens them.
  std::vector<std::string> input_names;
  std::string checksum;           // of the inputs' names and bytes: 16 hexadecimal digits
  std::size_t intervals() const;  // the rows of the table a run writes: 96 per day
};

// Reads dir/INPUT.TXT as the program does and checks what the ensemble relies on: 1 to 2000 days
// (when the day count is the series' length: day_count_needed), identifiers of the tools' rule
// (whose files stay inside a realization's own directory), every station file present, and a
// results name that stays inside too (no '/') and is none of the inputs. Throws ToolError naming
// the file at fault.
RunDirectory read_run_directory(const std::filesystem::path& dir, bool day_count_needed = true);

// A folder the program runs in and the months it serves: the run directory itself (every month),
// or the folder of one of its seasons.
struct RunFolder {
  std::optional<stations::Season> season;
  RunDirectory run;
};

// A run directory as a series along the calendar is made from it.
struct RunFolders {
  std::filesystem::path dir;       // absolute
  stations::Seasons seasons;       // empty: a plain run directory
  std::vector<RunFolder> folders;  // the directory itself, or one per season in the order of seasons
  std::string checksum;            // of every input of every folder: 16 hexadecimal digits
  int day_count = 0;               // INPUT.TXT's (every season's)
  const stations::Settings& settings() const { return folders.front().run.settings; }
};

// Reads a run directory: when its RAINGEN.TXT lists seasons, the INPUT.TXT and station files of
// each season's folder (read_run_directory), each checked against the checksum RAINGEN.TXT holds
// for it; else the directory's own. A plain directory has the checksum it always had; a seasonal
// one's covers its folders' inputs by the names DIR/SEASON/NAME. Throws ToolError naming the file
// at fault: a season's folder missing, a file changed since raingen-prepare wrote it or not
// written by it, INPUT.TXTs of different day counts (when day_count_needed).
RunFolders read_run_folders(const std::filesystem::path& dir, bool day_count_needed = true);

// 64-bit FNV-1a over each file's name (with a terminating 0) and bytes, in the given order, as
// 16 lower-case hexadecimal digits: tells ensembles made from different inputs apart.
std::string inputs_checksum(const std::filesystem::path& dir, const std::vector<std::string>& names);

}  // namespace raingen::run_directory
