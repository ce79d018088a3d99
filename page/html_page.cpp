#include "page/html_page.h"

#include <fmt/format.h>

#include "common/numbers.h"
#include "page/svg_text.h"

namespace raingen::page {

namespace {

constexpr std::string_view style =
    R"(body{font-family:sans-serif;font-size:14px;color:#222;max-width:1400px;margin:1.5em auto;padding:0 1em;line-height:1.4}
h1{font-size:1.6em;margin-bottom:.2em}h2{font-size:1.25em;margin-top:1.8em;border-bottom:1px solid #ccc}h3{font-size:1.05em}
table{border-collapse:collapse;margin:.6em 0 1.2em}th,td{padding:.2em .7em;border-bottom:1px solid #e4e4e4;text-align:left;vertical-align:top}
th{background:#f3f3f3}td.n{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap}td.muted{color:#999}
p.note{font-size:.92em;color:#444;margin:.2em 0}
.figures{display:flex;flex-wrap:wrap;gap:14px;margin:.6em 0}.figures svg{border:1px solid #e4e4e4}
p{max-width:60em})";

bool looks_numeric(std::string_view cell) {
  if (cell == "-") return true;
  if (!cell.empty() && cell.back() == '%') cell.remove_suffix(1);
  return common::parse_real(cell).has_value();
}

}  // namespace

HtmlPage::HtmlPage(std::string title) : title_(std::move(title)) {}

void HtmlPage::heading(int level, std::string_view text) {
  body_ += fmt::format("<h{0}>{1}</h{0}>\n", level, escape(text));
}

void HtmlPage::paragraph(std::string_view text) { body_ += "<p>" + escape(text) + "</p>\n"; }

void HtmlPage::markup(std::string_view html) { body_ += html; }

void HtmlPage::table(const std::vector<std::string>& header, const std::vector<std::vector<std::string>>& rows) {
  body_ += "<table>\n<tr>";
  for (const std::string& h : header) body_ += "<th>" + escape(h) + "</th>";
  body_ += "</tr>\n";
  for (const auto& row : rows) {
    body_ += "<tr>";
    for (std::size_t c = 0; c < row.size(); ++c)
      body_ += (looks_numeric(row[c]) ? "<td class=\"n\">" : "<td>") + escape(row[c]) + "</td>";
    body_ += "</tr>\n";
  }
  body_ += "</table>\n";
}

void HtmlPage::figures(const std::vector<std::string>& svgs) {
  body_ += "<div class=\"figures\">\n";
  for (const std::string& svg : svgs) body_ += svg;
  body_ += "</div>\n";
}

std::string HtmlPage::finish() const {
  return fmt::format(
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta "
      "charset=\"utf-8\">\n<title>{}</title>\n<style>\n{}\n</style>\n"
      "</head>\n<body>\n{}</body>\n</html>\n",
      escape(title_), style, body_);
}

}  // namespace raingen::page
