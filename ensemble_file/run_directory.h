// The run directory an ensemble is made from: INPUT.TXT and the nine station files it names,
// read and checked once before any realization runs, so that a fault every realization would
// meet is told once instead of K times.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "stations/settings_file.h"

namespace raingen::ensemble_file {

struct RunDirectory {
  std::filesystem::path dir;  // absolute
  stations::Settings settings;
  // INPUT.TXT, then the station files, each once, by the names the program opens them.
  std::vector<std::string> input_names;
  std::string checksum;  // of the inputs' names and bytes: 16 hexadecimal digits
  std::size_t intervals() const;  // the rows of the table a run writes: 96 per day
};

// Reads dir/INPUT.TXT as the program does and checks what the ensemble relies on: 1 to 2000 days,
// identifiers of the tools' rule (whose files stay inside a realization's own directory), every
// station file present, and a results name that stays inside too (no '/') and is none of the
// inputs. Throws ToolError naming the file at fault.
RunDirectory read_run_directory(const std::filesystem::path& dir);

// 64-bit FNV-1a over each file's name (with a terminating 0) and bytes, in the given order, as
// 16 lower-case hexadecimal digits: tells ensembles made from different inputs apart.
std::string inputs_checksum(const std::filesystem::path& dir, const std::vector<std::string>& names);

}  // namespace raingen::ensemble_file
