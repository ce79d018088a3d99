#include "report/ensemble_section.h"

#include <fmt/format.h>

#include "report/report_charts.h"
#include "report/report_page.h"
#include "report/shortfall.h"

namespace raingen::report {

namespace {

constexpr const char* band_color = "#d62728";  // the generated series' colour: its spread

}  // namespace

void add_ensemble_bands(Chart& chart, stats::Statistic statistic, const EnsembleStatistics& ensemble,
                        const std::vector<ReportSeries>& series) {
  Band outer{"realizations 5-95%", band_color, {}, {}, {}, 0.18};
  Band inner{"realizations 25-75%", band_color, {}, {}, {}, 0.40};
  for (int minutes : stats::aggregation_levels) {
    const auto spread = spread_of(ensemble, minutes, statistic);
    if (!spread) continue;
    const double x = static_cast<double>(minutes);
    outer.x.push_back(x);
    outer.low.push_back(spread->p05);
    outer.high.push_back(spread->p95);
    inner.x.push_back(x);
    inner.low.push_back(spread->p25);
    inner.high.push_back(spread->p75);
  }
  chart.bands.push_back(std::move(outer));
  chart.bands.push_back(std::move(inner));
  for (std::size_t k = 0; k < series.size() && k < chart.lines.size(); ++k)
    if (series[k].role == SeriesRole::generated) chart.lines[k].width = 1.2;
}

void ensemble_section(HtmlPage& page, const EnsembleStatistics& ensemble, const stats::SeriesStatistics* weighted) {
  page.heading(2, "Ensemble");
  const long complete = static_cast<long>(ensemble.complete.size());
  std::string failed;
  if (!ensemble.failed.empty()) {
    failed =
        fmt::format(" {} failed and are left out (realization {}", ensemble.failed.size(), ensemble.failed.front());
    for (std::size_t k = 1; k < ensemble.failed.size() && k < 20; ++k)
      failed += fmt::format(", {}", ensemble.failed[k]);
    failed += ensemble.failed.size() > 20 ? ", ...)." : ").";
  }
  page.paragraph(fmt::format(
      "{} holds {} realizations of the generator on this run's inputs (seeds {} to {}); {} complete.{} Each is "
      "one series the generator could have given: for each statistic and level the table gives the "
      "realizations' quantiles (interpolated between order statistics) and where the weighted record falls among "
      "them, as the share of realizations below its value (ties count half). A share near 0% or 100% means the "
      "generator seldom gives the record's value; the charts of statistics against level below show the 5-95% and "
      "25-75% bands. "
      "statistics.csv holds each realization's statistics as the series realization:k.",
      ensemble.file.filename().string(), ensemble.realizations, ensemble.first_seed, ensemble.last_seed, complete,
      failed));
  std::vector<std::vector<std::string>> rows;
  for (int minutes : stats::aggregation_levels) {
    for (stats::Statistic statistic : stats::statistics_at(minutes)) {
      const auto spread = spread_of(ensemble, minutes, statistic);
      const auto reference = weighted ? weighted->level(minutes).value(statistic) : std::nullopt;
      const std::string unit = statistic_unit(statistic);
      std::vector<std::string> row{
          level_label(minutes), std::string(stats::statistic_name(statistic)) + (unit.empty() ? "" : " (" + unit + ")"),
          display_number(reference)};
      for (auto quantile : {&Spread::p05, &Spread::p25, &Spread::p50, &Spread::p75, &Spread::p95})
        row.push_back(display_number(spread ? std::optional<double>((*spread).*quantile) : std::nullopt));
      const auto share = reference ? share_below(ensemble, minutes, statistic, *reference) : std::nullopt;
      if (reference && !ranked(*weighted, minutes, statistic)) {
        // A mean of fewer years than a ranking takes: shown with its years, not placed among the realizations.
        const std::size_t years = record_years(*weighted, minutes);
        row[2] += fmt::format(" ({} year{})", years, years == 1 ? "" : "s");
        row.push_back("not ranked");
      } else {
        row.push_back(share ? fmt::format("{:.0f}%", 100 * *share) : "-");
      }
      row.push_back(spread ? std::to_string(spread->count) : "0");
      rows.push_back(std::move(row));
    }
  }
  page.table({"level", "statistic", "weighted-record", "5%", "25%", "median", "75%", "95%", "below the record",
              "realizations"},
             rows);
}

}  // namespace raingen::report
