// A table that raingen-ensemble --keep kept (SOURCE_0001.OUT, ...): a realization laid out from day
// 1 of the ensemble's --start, which the table itself does not hold. A tool that takes day 1 from
// --start must then be given it: the default (2001-01-01) would put every day of an ensemble that
// began on another date into the wrong month and season, without a word.
#pragma once

#include <filesystem>
#include <string_view>

namespace raingen::results {

// Whether the file's name is that of a kept table: SOURCE_, four or more digits, .OUT.
bool is_kept_table_name(const std::filesystem::path& table);

// Throws UsageError "TABLE: is a table kept by raingen-ensemble --keep ..., give --start" for a kept
// table read without start_given; what, when not empty, names another way the tool has.
void check_kept_table_start(const std::filesystem::path& table, bool start_given, std::string_view what);

}  // namespace raingen::results
