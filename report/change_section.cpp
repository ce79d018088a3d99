#include "report/change_section.h"

#include <fmt/format.h>

#include "common/tool_error.h"
#include "report/banded_curves.h"
#include "stations/climate_change.h"
#include "stations/run_facts.h"

namespace raingen::report {

namespace {

const std::string* change_key(const stations::FactLines& lines, const char* key) {
  for (const auto& [k, value] : lines)
    if (k == key) return &value;
  return nullptr;
}

std::optional<double> ratio(std::optional<double> changed, std::optional<double> present) {
  if (!changed || !present || *present <= 0) return std::nullopt;
  return *changed / *present;
}

const DesignSeries& pooled_of(const DesignReport& report) {
  for (const DesignSeries& s : report.series)
    if (s.pooled) return s;
  throw common::ToolError("an ensemble file has no complete realization to compare");
}

// Each month's mean over the realizations that count it.
void monthly_means(const EnsembleStatistics& e, std::array<ChangeFigures::Month, 12>& months, bool changed) {
  for (std::size_t m = 0; m < 12; ++m) {
    double total = 0, wet = 0;
    long totals = 0, wets = 0;
    for (const stats::CalendarFigures& c : e.calendar) {
      if (c.monthly_totals[m]) total += *c.monthly_totals[m], ++totals;
      if (c.monthly_wet_shares[m]) wet += *c.monthly_wet_shares[m], ++wets;
    }
    auto& month = months[m];
    (changed ? month.total_changed : month.total_present) =
        totals ? std::optional<double>(total / static_cast<double>(totals)) : std::nullopt;
    (changed ? month.wet_changed : month.wet_present) =
        wets ? std::optional<double>(wet / static_cast<double>(wets)) : std::nullopt;
  }
}

std::optional<double> wet_share(const EnsembleStatistics& e) {
  const std::optional<Spread> dry = spread_of(e, calendar::minutes_per_day, stats::Statistic::probability_dry);
  return dry ? std::optional<double>(1 - dry->p50) : std::nullopt;
}

}  // namespace

ChangeAsked change_asked(const std::filesystem::path& dir) {
  const stations::RunFacts facts = stations::read_run_facts(dir);
  std::vector<const stations::FactLines*> sections;
  if (facts.site_station) sections.push_back(&facts.site_station->other);
  for (const stations::StationFacts& s : facts.stations) sections.push_back(&s.other);
  ChangeAsked asked;
  for (const stations::FactLines* lines : sections)
    if (const std::string* tail = change_key(*lines, "tail"); tail && asked.tail.empty()) asked.tail = *tail;
  for (const stations::FactLines* lines : sections) {
    const std::string* given = change_key(*lines, "change");
    if (!given) continue;
    asked.terms = *given;
    if (const std::string* result = change_key(*lines, "change_result")) asked.result = *result;
    try {
      const stations::ClimateChange parsed = stations::parse_change(*given);
      asked.top_factor = parsed.factor_at(1);
      asked.wet_days_factor = 1 + parsed.wet_days_percent / 100;
    } catch (const common::UsageError& error) {
      throw common::ToolError((dir / stations::run_facts_file_name).string(), 0, error.message());
    }
    break;
  }
  return asked;
}

std::vector<std::string> widened_pool_notes(const std::filesystem::path& dir) {
  const stations::RunFacts facts = stations::read_run_facts(dir);
  std::vector<std::pair<std::string, const stations::FactLines*>> sections;
  if (facts.site_station)
    sections.emplace_back("site station " + facts.site_station->id.text(), &facts.site_station->other);
  for (const stations::StationFacts& s : facts.stations) sections.emplace_back("station " + s.id.text(), &s.other);
  std::vector<std::string> notes;
  for (const auto& [name, lines] : sections)
    if (const std::string* reference = change_key(*lines, "tail"))
      notes.push_back(fmt::format(
          "The pool of {} was widened beyond the record by raingen-prepare --tail {}: {}. Generated depths above the "
          "record's largest are extrapolated from that reference (scaled copies of recorded days), not rain that "
          "fell; the design levels they make rest on the reference, not on the record's years.",
          name, *reference,
          change_key(*lines, "tail_result") ? *change_key(*lines, "tail_result") : "no result recorded"));
  return notes;
}

ChangeFigures change_figures(const std::filesystem::path& dir, const std::filesystem::path& file, ChangeAsked asked,
                             const EnsembleStatistics& present, const EnsembleStatistics& changed,
                             const stats::YearRule& rule) {
  ChangeFigures f{.dir = dir, .file = file, .asked = std::move(asked)};
  const DesignReport before = design_report({}, &present, rule), after = design_report({}, &changed, rule);
  const DesignSeries &p = pooled_of(before), &c = pooled_of(after);
  f.present_realizations = p.realizations;
  f.changed_realizations = c.realizations;
  f.present_years = p.design.years;
  f.changed_years = c.design.years;
  for (std::size_t d = 0; d < p.design.durations.size(); ++d) {
    const stats::DurationDesign& now = p.design.durations[d];
    for (std::size_t i = 0; i < stats::design_return_periods.size(); ++i) {
      const std::optional<double> level = now.empirical[i].value;
      f.levels.push_back({now.minutes, stats::design_return_periods[i], level, c.design.durations[d].empirical[i].value,
                          level && !now.maxima.empty() && *level >= now.maxima.back() - 1e-9});
    }
  }
  monthly_means(present, f.months, false);
  monthly_means(changed, f.months, true);
  f.wet_present = wet_share(present);
  f.wet_changed = wet_share(changed);
  return f;
}

namespace {

constexpr std::array<const char*, 12> month_names{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string ratio_text(std::optional<double> changed, std::optional<double> present) {
  const std::optional<double> r = ratio(changed, present);
  return r ? fmt::format("{:.2f}", *r) : "-";
}

// A row a duration, a column a return period: the ratio, and the two levels.
Table levels_table(const ChangeFigures& f) {
  Table table;
  table.header = {"duration"};
  for (double years : stats::design_return_periods) table.header.push_back(fmt::format("{:g} years", years));
  for (std::size_t k = 0; k < f.levels.size(); ++k) {
    const ChangeFigures::Level& level = f.levels[k];
    if (k % stats::design_return_periods.size() == 0) table.rows.push_back({text_cell(duration_label(level.minutes))});
    Cell cell = text_cell(level.present && level.changed
                              ? fmt::format("{} ({} → {})", ratio_text(level.changed, level.present),
                                            display_number(level.present), display_number(level.changed))
                              : "-");
    if (level.at_ceiling) {
      cell.mark = "‡";
      cell.muted = true;
    }
    table.rows.back().push_back(std::move(cell));
  }
  table.notes.push_back(fmt::format(
      "Each cell: the changed levels over the present ones, then the two levels in mm (Weibull plotting position on "
      "the realizations' years pooled: {} years of {} realizations now, {} of {} changed). Asked: x{:.3f} at the top "
      "of the wet 15-minute depths.",
      f.present_years, f.present_realizations, f.changed_years, f.changed_realizations, f.asked.top_factor));
  table.notes.push_back(
      "‡ The present level is the largest of its pooled years: the ceiling of the recorded days, the same at every "
      "longer return period; the ratio there is that of the two ceilings, not of two design levels.");
  return table;
}

Table months_table(const ChangeFigures& f) {
  Table table;
  table.header = {"month", "mean total now (mm)", "changed", "ratio", "wet days now", "changed", "ratio"};
  for (std::size_t m = 0; m < 12; ++m) {
    const ChangeFigures::Month& month = f.months[m];
    table.rows.push_back({text_cell(month_names[m]), number_cell(month.total_present), number_cell(month.total_changed),
                          text_cell(ratio_text(month.total_changed, month.total_present)),
                          percent_cell(month.wet_present), percent_cell(month.wet_changed),
                          text_cell(ratio_text(month.wet_changed, month.wet_present))});
  }
  table.rows.push_back({text_cell("year"), text_cell(""), text_cell(""), text_cell(""), percent_cell(f.wet_present),
                        percent_cell(f.wet_changed), text_cell(ratio_text(f.wet_changed, f.wet_present))});
  table.notes.push_back(fmt::format(
      "Means over the realizations of each month's total and share of wet days (months at least 90% present); the "
      "year's share of wet days is the realizations' median. Asked: wet days x{:.3f}.",
      f.asked.wet_days_factor));
  return table;
}

}  // namespace

void change_section(HtmlPage& page, const ChangeFigures& f) {
  page.heading(2, "The changed climate against the present");
  if (!f.asked.tail.empty())
    page.paragraph(fmt::format(
        "The pool of {} was widened beyond the record (--tail {}): its levels beyond the record's years are the "
        "reference's, extrapolated with scaled copies of recorded days; the ratios there compare that extrapolation "
        "with the present's ceiling.",
        f.dir.string(), f.asked.tail));
  page.paragraph(
      f.asked.terms.empty()
          ? fmt::format("The run directory {} records no --change in its RAINGEN.TXT: the factors below are what its "
                        "realizations ({}) give against this run's, with nothing asked to set them against.",
                        f.dir.string(), f.file.string())
          : fmt::format("The run directory {} was prepared with --change {} ({}). Its realizations ({}) beside this "
                        "run's: what the change gave, against what it asked. The short durations' annual maxima are "
                        "made of the heaviest 15-minute depths and take the factor asked at the top; longer "
                        "durations gather lighter intervals too and take less. A change scales recorded days: a level "
                        "at the pooled years' largest is each run's ceiling, and the ratio there is that of the two "
                        "ceilings, not a level beyond the record.",
                        f.dir.string(), f.asked.terms, f.asked.result, f.file.string()));
  page.markup(table_html(levels_table(f)));
  page.markup(table_html(months_table(f)));
}

std::vector<stats::CsvRow> change_csv_rows(const ChangeFigures& f) {
  std::vector<stats::CsvRow> rows;
  for (const ChangeFigures::Level& level : f.levels)
    if (const std::optional<double> r = ratio(level.changed, level.present))
      rows.push_back({change_series_name, level.minutes, "return_level_ratio", r, level.years, {}, {}});
  for (std::size_t m = 0; m < 12; ++m) {
    const ChangeFigures::Month& month = f.months[m];
    const double x = static_cast<double>(m + 1);
    if (const std::optional<double> r = ratio(month.total_changed, month.total_present))
      rows.push_back({change_series_name, {}, "monthly_total_ratio", r, x, {}, {}});
    if (const std::optional<double> r = ratio(month.wet_changed, month.wet_present))
      rows.push_back({change_series_name, {}, "monthly_wet_share_ratio", r, x, {}, {}});
  }
  if (const std::optional<double> r = ratio(f.wet_changed, f.wet_present))
    rows.push_back({change_series_name, calendar::minutes_per_day, "wet_day_share_ratio", r, {}, {}, {}});
  rows.push_back({change_series_name, 15, "asked_top_factor", f.asked.top_factor, {}, {}, {}});
  rows.push_back(
      {change_series_name, calendar::minutes_per_day, "asked_wet_days_factor", f.asked.wet_days_factor, {}, {}, {}});
  return rows;
}

}  // namespace raingen::report
