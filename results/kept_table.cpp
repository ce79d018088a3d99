#include "results/kept_table.h"

#include <algorithm>
#include <string>

#include "common/tool_error.h"

namespace raingen::results {

bool is_kept_table_name(const std::filesystem::path& table) {
  const std::string name = table.filename().string();
  constexpr std::string_view prefix = "SOURCE_", suffix = ".OUT";
  if (name.size() < prefix.size() + 4 + suffix.size() || !name.starts_with(prefix) || !name.ends_with(suffix))
    return false;
  const std::string_view digits =
      std::string_view(name).substr(prefix.size(), name.size() - prefix.size() - suffix.size());
  return std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void check_kept_table_start(const std::filesystem::path& table, bool start_given, std::string_view what) {
  if (start_given || !is_kept_table_name(table)) return;
  throw common::UsageError(table.string(),
                           "is a table kept by raingen-ensemble --keep, whose day 1 is the ensemble's "
                           "--start, which the table does not hold: give it with --start" +
                               (what.empty() ? std::string() : ", or " + std::string(what)));
}

}  // namespace raingen::results
