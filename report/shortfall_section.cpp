#include "report/shortfall_section.h"

#include <algorithm>
#include <functional>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "calendar/time_text.h"
#include "report/banded_curves.h"
#include "report/design_charts.h"
#include "report/design_report.h"
#include "report/distribution_bands.h"
#include "report/ensemble_statistics.h"
#include "report/report_charts.h"
#include "report/report_page.h"
#include "report/season_section.h"
#include "report/shortfall.h"
#include "report/shortfall_figures.h"
#include "stations/seasons.h"
#include "stats/season_figures.h"
#include "report/page_names.h"

namespace raingen::report {

namespace {

std::string statistic_title(int minutes, stats::Statistic statistic) {
  const std::string unit = statistic_unit(statistic);
  return std::string(stats::statistic_name(statistic)) + (unit.empty() ? "" : " (" + unit + ")") + " of " +
         level_label(minutes) + " blocks";
}

Cell distance_cell(double distance, const char* unit) {
  if (std::isinf(distance)) return text_cell("beyond any");
  Cell c = text_cell(fmt::format("{:.2f} {}", distance, unit));
  c.numeric = true;
  return c;
}

// A share as a percentage; one that rounds to 0% or 100% but is not shows a decimal, so that a
// few maxima of a thousand do not read as none.
std::string percent_text(double share) {
  const double percent = 100 * share;
  if (share > 0 && percent < 0.05) return "<0.1%";
  if ((share > 0 && percent < 0.5) || (share < 1 && percent >= 99.5)) return fmt::format("{:.1f}%", percent);
  return fmt::format("{:.0f}%", percent);
}

// What is left out of the ranking for resting on too few years, or "".
std::string unranked_words(const stats::SeriesStatistics& record) {
  std::vector<std::string> levels;
  for (int minutes : stats::aggregation_levels)
    if (record.level(minutes).value(stats::Statistic::annual_max_mean) &&
        !ranked(record, minutes, stats::Statistic::annual_max_mean))
      levels.push_back(fmt::format("{} ({} year{})", duration_label(minutes), record_years(record, minutes),
                                   record_years(record, minutes) == 1 ? "" : "s"));
  if (levels.empty()) return "";
  return fmt::format(
      "annual_max_mean is not ranked at {}: the record's figure rests on fewer than {} calendar years at least 90% "
      "present, too few to set against the realizations' band.",
      fmt::join(levels, ", "), fewest_ranked_years);
}

void ensemble_list(HtmlPage& page, const ReportContent& content, const ReportSeries& record_series) {
  const EnsembleStatistics& ensemble = *content.ensemble;
  const stats::SeriesStatistics& record = *record_series.statistics;
  const auto [list, compared] = ensemble_shortfall_list(content);
  if (const std::string words = unranked_words(record); !words.empty()) page.paragraph(words);
  if (list.empty()) {
    page.paragraph(fmt::format(
        "For all {} figures the weighted record's value lies within the 5-95% band of the {} realizations: the "
        "generator gives values like the record's for each of them.",
        compared, ensemble.complete.size()));
    return;
  }
  page.paragraph(fmt::format(
      "{} of {} figures: the weighted record's value lies outside the 5-95% band of the {} realizations, so "
      "that the generator seldom gives a series like the record in that respect. Most distant first; \"outside "
      "by\" is the gap between the record's value and the band's nearer end in widths of the band.",
      list.size(), compared, ensemble.complete.size()));
  Table table;
  table.header = {"figure",      "weighted-record", "realizations' median", "realizations 5\u201395%",
                  "record lies", "outside by"};
  for (const Shortfall& s : list)
    table.rows.push_back({text_cell(s.name.empty() ? statistic_title(s.minutes, s.statistic) : s.name),
                          number_cell(s.record), number_cell(s.generated), band_cell(s.low, s.high),
                          text_cell(s.record > s.high ? "above" : "below"), distance_cell(s.distance, "band widths")});
  page.markup(table_html(table));
}

void ratio_list(HtmlPage& page, const stats::SeriesStatistics& generated, const stats::SeriesStatistics& record) {
  const std::vector<Shortfall> list = ratio_shortfalls(generated, record);
  const std::string range = fmt::format("{:g} to {:g}", 1 / ratio_range, ratio_range);
  if (list.empty()) {
    page.paragraph(fmt::format("{}: every ratio to the weighted record lies within {}.", generated.name, range));
    return;
  }
  page.paragraph(fmt::format(
      "{}: {} statistics whose ratio to the weighted record lies outside {} (a single series: no band to read its "
      "chance spread from; an ensemble gives one). Most distant first; \"beyond the range\" is the factor by "
      "which the ratio lies beyond its nearer end.",
      generated.name, list.size(), range));
  Table table;
  table.header = {"statistic", "weighted-record", generated.name, "ratio", "beyond the range"};
  for (const Shortfall& s : list)
    table.rows.push_back({text_cell(statistic_title(s.minutes, s.statistic)), number_cell(s.record),
                          number_cell(s.generated), number_cell(s.generated / s.record),
                          distance_cell(s.distance, "x")});
  page.markup(table_html(table));
}

// The table of the method's limits: a row a limit, the record's value beside each generated
// series' (and the realizations' band when there is an ensemble).
class LimitsTable {
 public:
  LimitsTable(const ReportContent& content, const ReportSeries& record) : content_(content), record_(record) {
    for (SeriesRole role : {SeriesRole::generated, SeriesRole::generated_weighted_site})
      if (const ReportSeries* s = find_role(content.series, role)) generated_.push_back(s);
    ensemble_ = content.ensemble;
    table_.header = {"limit", record.statistics->name};
    // With an ensemble the generated series is one realization of it: said, beside the realizations' band.
    for (const ReportSeries* g : generated_)
      table_.header.push_back(g->statistics->name +
                              (ensemble_ && g->role == SeriesRole::generated ? " (one realization)" : ""));
    if (ensemble_) table_.header.push_back("realizations 5\u201395%");
  }

  static std::optional<double> lag1(const ReportSeries& s) {
    return s.statistics->level(calendar::minutes_per_day).value(stats::Statistic::lag1_autocorrelation);
  }
  const ReportSeries& main() const { return *(generated_.empty() ? &record_ : generated_.front()); }
  const Table& table() const { return table_; }

  // Day-to-day persistence: the daily lag-1 autocorrelation and the days that run on wet past midnight.
  void persistence_rows() {
    std::vector<Cell> row{text_cell("daily lag-1 autocorrelation: one day's depth against the next's"),
                          number_cell(lag1(record_))};
    for (const ReportSeries* g : generated_) row.push_back(number_cell(lag1(*g)));
    if (ensemble_) {
      const auto spread = spread_of(*ensemble_, calendar::minutes_per_day, stats::Statistic::lag1_autocorrelation);
      row.push_back(spread ? band_cell(spread->p05, spread->p95) : band_cell(std::nullopt, std::nullopt));
    }
    table_.rows.push_back(std::move(row));
    row = {text_cell("of the days ending wet (last 15 minutes), the share whose next day begins wet"),
           percent_cell(record_.statistics->midnights.share())};
    for (const ReportSeries* g : generated_) row.push_back(percent_cell(g->statistics->midnights.share()));
    if (ensemble_) {
      const auto share = [](const stats::SeriesStatistics& s) { return s.midnights.share(); };
      const auto low = realizations_quantile(*ensemble_, 0.05, share),
                 high = realizations_quantile(*ensemble_, 0.95, share);
      Cell band = band_cell(low ? std::optional<double>(100 * *low) : std::nullopt,
                            high ? std::optional<double>(100 * *high) : std::nullopt);
      if (low && high) band.text += "%";
      row.push_back(band);
    }
    table_.rows.push_back(std::move(row));
  }

  // Events, which the cut at midnight splits (or, where stations drawn apart are averaged, joins).
  void event_rows() {
    const auto event_row = [&](std::string name,
                               const std::function<std::optional<double>(const stats::SeriesStatistics&)>& value) {
      std::vector<Cell> cells{text_cell(std::move(name)), number_cell(value(*record_.statistics))};
      for (const ReportSeries* g : generated_) cells.push_back(number_cell(value(*g->statistics)));
      if (ensemble_)
        cells.push_back(
            band_cell(realizations_quantile(*ensemble_, 0.05, value), realizations_quantile(*ensemble_, 0.95, value)));
      table_.rows.push_back(std::move(cells));
    };
    event_row(
        fmt::format("rain events a year (split by {:g} hours dry; see Rain events)", content_.options.events.gap_hours),
        [](const stats::SeriesStatistics& s) { return s.events.per_year; });
    event_row("mean duration of a rain event (h)", [](const stats::SeriesStatistics& s) { return s.events.mean[1]; });
  }

  // Seasons: the months whose recorded mean total lies outside the realizations' band.
  void month_row() {
    if (!ensemble_) return;
    static constexpr const char* names[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const Band band =
        realizations_band(*ensemble_, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
                          [](const stats::SeriesStatistics& s, std::size_t m) { return s.monthly_totals[m]; });
    std::vector<std::string> outside;
    std::size_t compared = 0;
    for (std::size_t m = 0; m < 12; ++m) {
      const double v = record_.statistics->monthly_totals[m];
      if (std::isnan(v) || std::isnan(band.low[m])) continue;
      ++compared;
      if (v < band.low[m] || v > band.high[m])
        outside.push_back(fmt::format("{} {:.0f} ({:.0f}\u2013{:.0f})", names[m], v, band.low[m], band.high[m]));
    }
    std::vector<Cell> cells{text_cell("months whose mean total (mm) lies outside the realizations' 5\u201395%: seasons "
                                      "the generated series does not keep"),
                            text_cell(fmt::format("{} of {}{}{}", outside.size(), compared, outside.empty() ? "" : ": ",
                                                  fmt::join(outside, ", ")))};
    for (std::size_t g = 0; g < generated_.size(); ++g) cells.push_back(text_cell(""));
    cells.push_back(text_cell(""));
    table_.rows.push_back(std::move(cells));
  }

  // The ceiling: the share of annual maxima at the record's largest depth, at 1 and 24 hours.
  // Returns what the words say of it at 24 hours.
  std::string ceiling_rows() {
    const DesignReport* design = content_.design;
    const DesignSeries* reference = design ? design->reference_series() : nullptr;
    std::string words;
    if (!reference) return words;
    for (int minutes : {60, calendar::minutes_per_day}) {
      const auto at = std::find(stats::design_durations.begin(), stats::design_durations.end(), minutes);
      if (at == stats::design_durations.end()) continue;
      const std::size_t d = static_cast<std::size_t>(at - stats::design_durations.begin());
      std::vector<Cell> row{text_cell(fmt::format("annual maxima of {} at the record's largest {} depth (the ceiling)",
                                                  duration_label(minutes), duration_label(minutes))),
                            text_cell(fmt::format("{} mm", display_number(reference->largest[d])))};
      row.back().numeric = true;
      for (const ReportSeries* g : generated_) row.push_back(ceiling_cell(*design, g->role, d));
      if (minutes == calendar::minutes_per_day && !design->designs.empty())
        words = ceiling_words(design->series[design->designs.front()], d);
      if (ensemble_) row.push_back(pooled_ceiling_cell(*design, d));
      table_.rows.push_back(std::move(row));
    }
    return words;
  }

 private:
  // The realizations' own figure, their years pooled: a single realization's is one draw of it.
  static Cell pooled_ceiling_cell(const DesignReport& design, std::size_t d) {
    Cell cell = text_cell("-");
    for (const DesignSeries& s : design.series)
      if (s.pooled && d < s.ceilings.size() && s.ceilings[d].years > 0)
        cell = text_cell(fmt::format("all {} years pooled: {} at it, {} above", s.ceilings[d].years,
                                     percent_text(s.ceilings[d].share()), percent_text(s.ceilings[d].share_above())));
    cell.numeric = true;
    return cell;
  }

  static Cell ceiling_cell(const DesignReport& design, SeriesRole role, std::size_t d) {
    Cell cell = text_cell("-");
    for (const DesignSeries& s : design.series)
      if (!s.pooled && s.role == role && d < s.ceilings.size() && s.ceilings[d].years > 0)
        cell = text_cell(fmt::format("{} at it, {} above", percent_text(s.ceilings[d].share()),
                                     percent_text(s.ceilings[d].share_above())));
    cell.numeric = true;
    return cell;
  }

  static std::string ceiling_words(const DesignSeries& lead, std::size_t d) {
    const auto& maxima = lead.design.durations[d].maxima;  // ascending
    if (d >= lead.ceilings.size() || lead.ceilings[d].years == 0 || maxima.empty()) return "";
    const stats::Ceiling& c = lead.ceilings[d];
    if (c.reaching + c.above > 0)
      return fmt::format(
          " At 24 hours, of the {} annual maxima of {}, {} ({}) are at the record's largest 24-hour depth of {} "
          "mm and {} ({}) above it{}: the record's largest days bound the generated ones, however many years are "
          "generated.",
          c.years, design_series_title(lead), c.reaching, percent_text(c.share()), display_number(c.largest), c.above,
          percent_text(c.share_above()), c.above > 0 ? " (a window across midnight joins two recorded days)" : "");
    return fmt::format(
        " None of the {} annual maxima of {} reaches the record's largest 24-hour depth of {} mm; the "
        "largest is {} mm ({:.0f}% of it): the generated days stay below the record's largest.",
        c.years, design_series_title(lead), display_number(c.largest), display_number(maxima.back()),
        100 * maxima.back() / c.largest);
  }

  const ReportContent& content_;
  const ReportSeries& record_;
  std::vector<const ReportSeries*> generated_;
  const EnsembleStatistics* ensemble_ = nullptr;
  Table table_;
};

// The method's limits: one row each, the record's value beside each generated series' (and the
// realizations' band), then what they mean in plain words with these numbers.
void limits(HtmlPage& page, const ReportContent& content, const ReportSeries& record) {
  page.heading(3, "The method's limits, measured on these data");
  LimitsTable limits(content, record);
  limits.persistence_rows();
  limits.event_rows();
  limits.month_row();
  const std::string ceiling_words = limits.ceiling_rows();
  page.markup(table_html(limits.table()));

  const ReportSeries& main = limits.main();
  const auto rl = LimitsTable::lag1(record), gl = LimitsTable::lag1(main);
  const auto rm = record.statistics->midnights.share(), gm = main.statistics->midnights.share();
  std::string words =
      "The generator draws each wet day whole from the record and each dry spell from a table, one after another: "
      "it keeps the rain within a day, not from one day to the next.";
  if (rl && gl)
    words += fmt::format(
        " The record's daily lag-1 autocorrelation is {}, {}'s {}: wet and dry weeks are not kept together.",
        display_number(rl), main.statistics->name, display_number(gl));
  if (rm && gm)
    words += fmt::format(
        " Of the record's days that end wet, {:.0f}% run on into a wet next day; of {}'s, {:.0f}%: storms are cut "
        "at midnight.",
        100 * *rm, main.statistics->name, 100 * *gm);
  page.paragraph(words + ceiling_words);
}

// What every figure below rests on: the record's length and its largest depths, the ceiling of
// days resampled whole.
std::string record_words(const ReportContent& content, const ReportSeries& record) {
  const std::size_t years = record_years(*record.statistics, calendar::minutes_per_day);
  std::string words = fmt::format(
      "The weighted record behind every figure below runs from {} to {}; {} calendar year{} of it {} at least 90% "
      "present",
      calendar::minute_text(record.series->start()), calendar::minute_text(record.series->end()), years,
      years == 1 ? "" : "s", years == 1 ? "is" : "are");
  const DesignReport* design = content.design;
  const DesignSeries* reference = design ? design->reference_series() : nullptr;
  if (!reference) return words + ".";
  // The design section counts a year at --year-complete, another share: both counts are given.
  words += fmt::format(
      " ({} at least {:g}% present, as the design rainfall counts a year), {:.1f} years of data in all. Its largest "
      "depths "
      "bound the generated ones (the generator copies recorded days whole): ",
      reference->design.years, design->rule.complete_percent, design->record_years);
  std::vector<std::string> depths;
  for (int minutes : {15, 60, calendar::minutes_per_day}) {
    const auto at = std::find(stats::design_durations.begin(), stats::design_durations.end(), minutes);
    if (at != stats::design_durations.end())
      depths.push_back(fmt::format(
          "{} mm in {}",
          display_number(reference->largest[static_cast<std::size_t>(at - stats::design_durations.begin())]),
          duration_label(minutes)));
  }
  return words + fmt::format("{}.", fmt::join(depths, ", "));
}

}  // namespace

void shortfall_section(HtmlPage& page, const ReportContent& content) {
  page.heading(2, "Where the generated series falls short");
  const ReportSeries* record = find_role(content.series, SeriesRole::weighted_record);
  if (!record) {
    page.paragraph(
        "There is no weighted record to measure the generated series against: give --gauge for each station the "
        "weighting uses (see the notes above).");
    return;
  }
  page.paragraph(record_words(content, *record));
  if (content.ensemble) ensemble_list(page, content, *record);
  for (SeriesRole role : {SeriesRole::generated, SeriesRole::generated_weighted_site})
    if (const ReportSeries* g = find_role(content.series, role);
        g && !(content.ensemble && role == SeriesRole::generated))
      ratio_list(page, *g->statistics, *record->statistics);
  limits(page, content, *record);
}

}  // namespace raingen::report
