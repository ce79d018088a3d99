#include "ensemble_file/run_directory.h"

#include <algorithm>
#include <cstdint>

#include <fmt/format.h>

#include "calendar/interval.h"
#include "common/program_files.h"
#include "common/tool_error.h"
#include "common/whole_file.h"

namespace raingen::ensemble_file {
namespace fs = std::filesystem;
using common::ToolError;

namespace {

void check_inside(const fs::path& input, const std::string& what, const std::string& name) {
  if (name.find('/') != std::string::npos)
    throw ToolError(input.string(), 0,
                    fmt::format("{} '{}' holds a '/': every realization runs in a directory of its own, and "
                                "this name would reach outside it",
                                what, name));
}

// A file of the run directory as messages name it: as given, without "./" for the current one.
std::string shown_path(const fs::path& dir, const std::string& name) {
  return dir == "." || dir.empty() ? name : (dir / name).string();
}

}  // namespace

std::size_t RunDirectory::intervals() const {
  return static_cast<std::size_t>(settings.day_count) * calendar::intervals_per_day;
}

RunDirectory read_run_directory(const fs::path& dir) {
  RunDirectory run;
  run.dir = fs::absolute(dir).lexically_normal();
  const fs::path input = shown_path(dir, std::string(common::settings_file_name));
  std::error_code error;
  if (!fs::is_regular_file(input, error)) throw ToolError(input.string(), 0, "not found: a run directory holds INPUT.TXT");
  run.settings = stations::read_settings(input);
  const stations::Settings& settings = run.settings;
  if (settings.day_count < 1 || settings.day_count > common::most_days)
    throw ToolError(input.string(), 9,
                    fmt::format("the number of days is {}: an ensemble needs 1 to {}", settings.day_count,
                                common::most_days));

  run.input_names.emplace_back(common::settings_file_name);
  for (const stations::StationSetting& station : settings.stations) {
    for (std::string name : station.id.file_names()) {
      if (std::find(run.input_names.begin(), run.input_names.end(), name) != run.input_names.end()) continue;
      if (!fs::is_regular_file(dir / name, error))
        throw ToolError(shown_path(dir, name), 0, "not found: INPUT.TXT names this station file");
      run.input_names.push_back(std::move(name));
    }
  }
  check_inside(input, "the results name", settings.results_name);
  const bool names_input =
      std::find(run.input_names.begin(), run.input_names.end(), settings.results_name) != run.input_names.end();
  if (names_input || settings.results_name == common::source_out_name)
    throw ToolError(input.string(), 1,
                    fmt::format("the results name '{}' names another file of the run: the program refuses it",
                                settings.results_name));
  run.checksum = inputs_checksum(dir, run.input_names);
  return run;
}

std::string inputs_checksum(const fs::path& dir, const std::vector<std::string>& names) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  const auto mix = [&hash](const unsigned char* bytes, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) hash = (hash ^ bytes[k]) * 0x100000001b3ULL;
  };
  for (const std::string& name : names) {
    mix(reinterpret_cast<const unsigned char*>(name.c_str()), name.size() + 1);
    const std::string bytes = common::read_whole_file(dir / name);
    mix(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  }
  return fmt::format("{:016x}", hash);
}

}  // namespace raingen::ensemble_file
