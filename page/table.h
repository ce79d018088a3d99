// A table of the page whose cells say what they hold: text, a number, or an interval (a band:
// lower to upper), each of which may carry a mark that notes under the table explain, and may be
// shown grey where it is no value to use as it stands.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace raingen::page {

// A statistic's value as the page's tables show it: four significant digits, whole numbers
// from 1000 up, "-" for no value.
std::string display_number(std::optional<double> value);

struct Cell {
  std::string text;
  bool numeric = false;  // right-aligned, its digits lined up with the column's
  std::string mark;      // after the text, explained in the table's notes ("‡")
  bool muted = false;    // grey
};

Cell text_cell(std::string text);
// display_number's text ("-" for none).
Cell number_cell(std::optional<double> value);
// "21.02–25.91" in display_number's digits; "-" unless both ends are given.
Cell band_cell(std::optional<double> lower, std::optional<double> upper);
// "24%" (whole percents; "-" for none).
Cell percent_cell(std::optional<double> share);

struct Table {
  std::vector<std::string> header;
  std::vector<std::vector<Cell>> rows;
  std::vector<std::string> notes;  // plain text under the table, one paragraph each
};

std::string table_html(const Table& table);

}  // namespace raingen::page
