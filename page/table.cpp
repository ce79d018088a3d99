#include "page/table.h"

#include <cmath>

#include <fmt/format.h>

#include "page/svg_text.h"

namespace raingen::page {

std::string display_number(std::optional<double> value) {
  if (!value) return "-";
  const double v = *value + 0.0;
  if (std::fabs(v) >= 1000) return fmt::format("{:.0f}", v);
  return fmt::format("{:.4g}", v);
}

Cell text_cell(std::string text) { return {std::move(text), false, "", false}; }

Cell number_cell(std::optional<double> value) { return {display_number(value), true, "", false}; }

Cell band_cell(std::optional<double> lower, std::optional<double> upper) {
  if (!lower || !upper) return {"-", true, "", false};
  return {display_number(lower) + "\u2013" + display_number(upper), true, "", false};
}

Cell percent_cell(std::optional<double> share) {
  if (!share) return {"-", true, "", false};
  return {fmt::format("{:.0f}%", 100 * *share + 0.0), true, "", false};
}

std::string table_html(const Table& table) {
  std::string html = "<table>\n<tr>";
  for (const std::string& h : table.header) html += "<th>" + escape(h) + "</th>";
  html += "</tr>\n";
  for (const auto& row : table.rows) {
    html += "<tr>";
    for (const Cell& cell : row) {
      std::string classes = cell.numeric ? "n" : "";
      if (cell.muted) classes += classes.empty() ? "muted" : " muted";
      html += classes.empty() ? "<td>" : "<td class=\"" + classes + "\">";
      html += escape(cell.text);
      if (!cell.mark.empty()) html += "<sup>" + escape(cell.mark) + "</sup>";
      html += "</td>";
    }
    html += "</tr>\n";
  }
  html += "</table>\n";
  for (const std::string& note : table.notes) html += "<p class=\"note\">" + escape(note) + "</p>\n";
  return html;
}

}  // namespace raingen::page
