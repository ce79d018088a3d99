#include "report/season_section.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include <fmt/format.h>

#include "report/page_names.h"
#include "report/report_charts.h"
#include "report/report_page.h"

namespace raingen::report {

namespace {

using stats::CalendarFigures;
using stats::SeasonFigures;
using Pick = std::function<std::optional<double>(const CalendarFigures&)>;

constexpr const char* band_color = "#d62728";  // the generated series' colour: its spread

// The realizations' values of a figure, sorted.
std::vector<double> values_of(const EnsembleStatistics* ensemble, const Pick& pick) {
  std::vector<double> values;
  if (ensemble)
    for (const CalendarFigures& f : ensemble->calendar)
      if (const auto v = pick(f)) values.push_back(*v);
  std::sort(values.begin(), values.end());
  return values;
}

std::optional<double> quantile_of(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) return std::nullopt;
  return stats::quantile(sorted, p);
}

const ReportSeries* weighted_of(const std::vector<ReportSeries>& series, std::size_t& index) {
  for (std::size_t k = 0; k < series.size(); ++k)
    if (series[k].role == SeriesRole::weighted_record) {
      index = k;
      return &series[k];
    }
  return nullptr;
}

// Figure by series, then the realizations' median and 5-95% band and the share of them below the
// weighted record.
std::vector<Cell> figure_row(Cell first, const SeasonReport& report, const std::vector<ReportSeries>& series,
                             const EnsembleStatistics* ensemble, const Pick& pick, bool percent, int intervals = 1) {
  std::vector<Cell> row{std::move(first)};
  auto cell = [&](std::optional<double> v) { return percent ? percent_cell(v) : number_cell(v); };
  for (const CalendarFigures& f : report.series) row.push_back(cell(pick(f)));
  if (ensemble) {
    const std::vector<double> values = values_of(ensemble, pick);
    row.push_back(cell(quantile_of(values, 0.5)));
    if (percent) {
      const auto low = quantile_of(values, 0.05), high = quantile_of(values, 0.95);
      row.push_back(low && high ? text_cell(fmt::format("{:.0f}–{:.0f}%", 100 * *low, 100 * *high)) : text_cell("-"));
      row.back().numeric = true;
    } else {
      row.push_back(band_cell(quantile_of(values, 0.05), quantile_of(values, 0.95)));
    }
    std::size_t w = 0;
    std::optional<double> below;
    // Depths are compared at the resolution the program writes them in: 0.01 mm, a sum of
    // `intervals` of them within their roundings.
    if (weighted_of(series, w))
      if (const auto reference = pick(report.series[w]))
        below = percent ? share_below(values, *reference)
                        : share_below(values, *reference, 0.01, std::max(0.005, rounding_of(intervals)));
    row.push_back(percent_cell(below));
  }
  return row;
}

std::vector<std::string> header_of(std::string first, const std::vector<ReportSeries>& series,
                                   const EnsembleStatistics* ensemble) {
  std::vector<std::string> header{std::move(first)};
  for (const ReportSeries& s : series) header.push_back(s.statistics->name);
  if (ensemble)
    for (const char* h : {"realizations median", "realizations 5–95%", "realizations below weighted-record"})
      header.push_back(h);
  return header;
}

Chart month_chart(std::string title, std::string unit, const std::vector<ReportSeries>& series,
                  const SeasonReport& report, const EnsembleStatistics* ensemble,
                  const std::function<std::optional<double>(const CalendarFigures&, std::size_t)>& pick) {
  static constexpr std::array<const char*, 12> months{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  Chart chart;
  chart.title = std::move(title);
  chart.width = 560;
  chart.x.low = 0.5;
  chart.x.high = 12.5;
  for (std::size_t m = 0; m < 12; ++m) chart.x.ticks.push_back({static_cast<double>(m + 1), months[m]});
  chart.x.label = "month (how many months stand behind each value: the table below)";
  chart.y.label = std::move(unit);
  chart.y.include_zero = true;
  if (ensemble && !ensemble->calendar.empty()) {
    Band band{"realizations 5-95%", band_color, {}, {}, {}, 0.18};
    for (std::size_t m = 0; m < 12; ++m) {
      const std::vector<double> values = values_of(ensemble, [&](const CalendarFigures& f) { return pick(f, m); });
      if (values.empty()) continue;
      band.x.push_back(static_cast<double>(m + 1));
      band.low.push_back(stats::quantile(values, 0.05));
      band.high.push_back(stats::quantile(values, 0.95));
    }
    chart.bands.push_back(std::move(band));
  }
  for (std::size_t k = 0; k < series.size(); ++k) {
    Line line = series_line(series, k);
    line.markers = true;
    if (ensemble && series[k].role == SeriesRole::generated) line.width = 1.2;  // one realization among them
    for (std::size_t m = 0; m < 12; ++m) {
      const auto v = pick(report.series[k], m);
      line.points.push_back({static_cast<double>(m + 1), v ? *v : std::nan("")});
    }
    chart.lines.push_back(std::move(line));
  }
  return chart;
}

// How many months of each calendar month stand behind each series' values: rows series, columns
// months.
Table months_counted_table(const SeasonReport& report, const std::vector<ReportSeries>& series) {
  Table table{{"months behind each value"}, {}, {}};
  for (unsigned m = 1; m <= 12; ++m) table.header.push_back(std::string(stations::month_name(m)).substr(0, 3));
  for (std::size_t k = 0; k < series.size(); ++k) {
    std::vector<Cell> row{text_cell(series[k].statistics->name)};
    for (int count : report.series[k].months_counted) row.push_back(number_cell(static_cast<double>(count)));
    table.rows.push_back(std::move(row));
  }
  return table;
}

}  // namespace

std::vector<Chart> month_charts(const SeasonReport& report, const std::vector<ReportSeries>& series,
                                const EnsembleStatistics* ensemble) {
  if (ensemble && ensemble->calendar.empty()) ensemble = nullptr;
  return {month_chart("Mean monthly totals", "mean total of the month (mm)", series, report, ensemble,
                      [](const CalendarFigures& f, std::size_t m) { return f.monthly_totals[m]; }),
          month_chart("Share of wet days by month", "share of days wet", series, report, ensemble,
                      [](const CalendarFigures& f, std::size_t m) { return f.monthly_wet_shares[m]; })};
}

stations::Seasons table_seasons(const stations::Seasons& declared) {
  return declared.empty() ? stations::parse_seasons("quarters") : declared;
}

stats::SeasonGrouping grouping_of(const stations::Seasons& seasons) {
  stats::SeasonGrouping grouping;
  grouping.count = seasons.size();
  for (unsigned m = 1; m <= 12; ++m)
    for (std::size_t s = 0; s < seasons.size(); ++s)
      if (seasons[s].holds(m)) grouping.season_of[m - 1] = s;
  return grouping;
}

SeasonReport season_report(const std::vector<ReportSeries>& series, const stations::Seasons& declared,
                           double dry_threshold) {
  SeasonReport report;
  report.declared = !declared.empty();
  report.seasons = table_seasons(declared);
  const stats::SeasonGrouping grouping = grouping_of(report.seasons);
  for (const ReportSeries& s : series)
    report.series.push_back(stats::calendar_figures(*s.statistics, grouping, dry_threshold));
  return report;
}

namespace {

// What the section says first: which seasons the run directory declares, and how the figures are taken.
void season_words(HtmlPage& page, const SeasonReport& report, bool ensemble) {
  const std::string names = stations::season_names(report.seasons);
  if (report.declared)
    page.paragraph(fmt::format(
        "This run directory's RAINGEN.TXT declares the seasons {} (raingen-prepare --seasons {}): each season's "
        "generated days are drawn from that season's days of the records alone, and raingen-ensemble lays the "
        "series out along the calendar in runs of one season. The tables below take the same seasons.",
        names, stations::seasons_list(report.seasons)));
  else
    page.paragraph(fmt::format(
        "This run directory's RAINGEN.TXT declares no seasons: the program draws every wet day from the whole "
        "record and every dry spell from one table, so its months differ only by chance, however seasonal the "
        "records are (raingen-prepare --seasons prepares the stations season by season). The tables below group "
        "the months by quarters ({}).",
        names));
  page.paragraph(
      "A month's mean total and share of wet days are taken over the months with at least 90% of their days "
      "present. A season's figures are taken over its present days, 15-minute intervals and 1-hour blocks "
      "(aligned to midnight; a block belongs to the month it begins in); wet means above the dry threshold, "
      "the 99th percentile is linear between order statistics, and the largest depth is that of any present "
      "interval or block." +
      std::string(ensemble ? " The realizations' band is their 5-95% range; below weighted-record is the share of "
                             "realizations whose value is below the weighted record's (ties half)."
                           : ""));
}

// The months' tables: mean totals and shares of wet days.
void month_tables(HtmlPage& page, const SeasonReport& report, const std::vector<ReportSeries>& series,
                  const EnsembleStatistics* ensemble) {
  for (const bool share : {false, true}) {
    page.heading(3, share ? "Share of wet days by month" : "Mean monthly totals (mm)");
    Table table{header_of("month", series, ensemble), {}, {}};
    for (unsigned m = 1; m <= 12; ++m) {
      const std::size_t i = m - 1;
      const Pick pick = share ? Pick([i](const CalendarFigures& f) { return f.monthly_wet_shares[i]; })
                              : Pick([i](const CalendarFigures& f) { return f.monthly_totals[i]; });
      table.rows.push_back(
          figure_row(text_cell(std::string(stations::month_name(m))), report, series, ensemble, pick, share));
    }
    page.markup(table_html(table));
  }
}

// A table a season: its figures, and the present days behind them.
void season_tables(HtmlPage& page, const SeasonReport& report, const std::vector<ReportSeries>& series,
                   const EnsembleStatistics* ensemble) {
  const struct {
    const char* name;
    bool percent;
    std::optional<double> SeasonFigures::*member;
    int intervals = 1;  // 15-minute depths summed into the figure's, for its rounding
  } figures[] = {
      {"mean daily depth (mm)", false, &SeasonFigures::mean_daily},
      {"share of days wet", true, &SeasonFigures::wet_day_share},
      {"99th percentile of wet 15-minute depths (mm)", false, &SeasonFigures::wet_15min_p99},
      {"99th percentile of wet 1-hour depths (mm)", false, &SeasonFigures::wet_hour_p99, 4},
      {"largest 15-minute depth (mm)", false, &SeasonFigures::largest_15min},
      {"largest 1-hour depth (mm)", false, &SeasonFigures::largest_hour, 4},
  };
  for (std::size_t s = 0; s < report.seasons.size(); ++s) {
    page.heading(3, fmt::format("{} ({})", report.seasons[s].name(), report.seasons[s].months_text()));
    Table table{header_of("figure", series, ensemble), {}, {}};
    for (const auto& figure : figures) {
      const Pick pick = [s, member = figure.member](const CalendarFigures& f) -> std::optional<double> {
        return s < f.seasons.size() ? f.seasons[s].*member : std::nullopt;
      };
      table.rows.push_back(
          figure_row(text_cell(figure.name), report, series, ensemble, pick, figure.percent, figure.intervals));
    }
    std::vector<Cell> days{text_cell("present days")};
    for (const CalendarFigures& f : report.series)
      days.push_back(number_cell(s < f.seasons.size() ? std::optional<double>(static_cast<double>(f.seasons[s].days))
                                                      : std::nullopt));
    if (ensemble) days.insert(days.end(), 3, text_cell(""));
    table.rows.push_back(std::move(days));
    page.markup(table_html(table));
  }
}

}  // namespace

void season_section(HtmlPage& page, const SeasonReport& report, const std::vector<ReportSeries>& series,
                    const EnsembleStatistics* ensemble) {
  if (ensemble && ensemble->calendar.empty()) ensemble = nullptr;
  page.heading(2, "Seasons");
  season_words(page, report, ensemble != nullptr);
  std::vector<std::string> svgs;
  for (const Chart& c : month_charts(report, series, ensemble)) svgs.push_back(render_svg(c));
  page.figures(svgs);
  page.paragraph(
      "How many months stand behind each monthly value: the months of the series with at least 90% of "
      "their days present (a short or gappy record may leave some months with few, or none).");
  page.markup(table_html(months_counted_table(report, series)));
  month_tables(page, report, series, ensemble);
  season_tables(page, report, series, ensemble);
}

}  // namespace raingen::report
