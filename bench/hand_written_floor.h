// The unavoidable work of a whole run written as tight plain C++, with no field lists: the floor
// the program is measured against in bench/whole_run_bench.
//
// Reads the day files named (lines of 605 columns or more: 29 columns, then 96 values of a
// separating blank and 5 columns with 2 implied decimals) in 1 MiB blocks, converts every value
// of every line with a fixed-width parse, and writes the rows (t, the last line's value of the
// interval) of `days` days to both outputs in turn, each row formatted by hand as "(I12,F9.3)"
// and each file written 1 MiB at a time. The result is value_check summed over every value
// converted, so that a caller can check that the parse found the values the record layer finds.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace bench {

// A value's bits weighted by its interval (0..95): a change of any value or of its place shows.
inline std::uint64_t value_check(float value, int interval) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return std::uint64_t{bits} * static_cast<std::uint64_t>(interval + 1);
}

std::uint64_t hand_written_floor(const std::vector<std::string>& day_files, int days, const std::string& first_output,
                                 const std::string& second_output);

}  // namespace bench
