#include "report/reference_section.h"

#include <string>
#include <vector>

#include <fmt/format.h>

#include "report/banded_curves.h"
#include "report/design_charts.h"

namespace raingen::report {

namespace {

stats::DesignMethod method_of(const DesignSeries& s) {
  return s.design.years >= stats::gev_min_years ? stats::DesignMethod::gev : stats::DesignMethod::empirical;
}

std::string method_label(stats::DesignMethod method) { return method == stats::DesignMethod::gev ? "GEV" : "Weibull"; }

// A row a point: the reference, then each series' level, its interval and where the reference
// lies against that interval.
Table reference_table(const ReferenceCurve& curve, const std::vector<const DesignSeries*>& series) {
  Table table;
  table.header = {"duration", "return period (years)", "reference (mm)", "its interval"};
  for (const DesignSeries* s : series)
    for (std::string h : {fmt::format("{}, {} (mm)", design_series_title(*s), method_label(method_of(*s))),
                          std::string("90%"), std::string("reference lies")})
      table.header.push_back(std::move(h));
  std::vector<std::size_t> outside(series.size()), compared(series.size());
  for (const ReferencePoint& p : curve.points) {
    std::vector<Cell> row{text_cell(duration_label(p.minutes)), number_cell(p.years), number_cell(p.depth),
                          band_cell(p.lower, p.upper)};
    for (std::size_t k = 0; k < series.size(); ++k) {
      const stats::ReturnLevel level = level_at(series[k]->design, method_of(*series[k]), p.minutes, p.years);
      const std::string lies = reference_lies(p.depth, level);
      compared[k] += !lies.empty();
      outside[k] += !lies.empty() && lies != "inside";
      row.push_back(number_cell(level.value));
      row.push_back(band_cell(level.lower, level.upper));
      row.push_back(text_cell(lies.empty() ? "-" : lies));
    }
    table.rows.push_back(std::move(row));
  }
  for (std::size_t k = 0; k < series.size(); ++k)
    table.notes.push_back(fmt::format("{}: {} of the {} points with an interval lie outside it.",
                                      design_series_title(*series[k]), outside[k], compared[k]));
  table.notes.push_back(
      "A duration the report does not compute (15 min to 24 h: 15, 30, 60, 120, 180, 360, 720, 1440 minutes) has no "
      "level; at a return period other than 2, 5, 10, 20, 50 or 100 years the GEV gives a level without an "
      "interval, and the Weibull levels none.");
  return table;
}

}  // namespace

void reference_section(HtmlPage& page, const DesignReport& report) {
  if (!report.curve) return;
  const DesignSeries* generated = report.designs.empty() ? nullptr : &report.series[report.designs.front()];
  const DesignSeries* record = report.reference_series();
  page.heading(3, "Against the reference curve " + report.curve->file);
  page.paragraph(fmt::format(
      "The {} points of --reference-ddf beside the levels of {} and of the record's own years. The generated "
      "interval resamples the generated years, which redraw the record's {:.1f} years of data; the record's own "
      "interval is what its data support. A reference outside both says the record, not the generator, differs "
      "from it.",
      report.curve->points.size(), generated ? design_series_title(*generated) : std::string("no generated series"),
      report.record_years));
  std::vector<const DesignSeries*> series;
  for (const DesignSeries* s : {generated, record})
    if (s) series.push_back(s);
  page.markup(table_html(reference_table(*report.curve, series)));
}

}  // namespace raingen::report
