#include "report/design_section.h"

#include <cmath>
#include <optional>
#include <utility>

#include <fmt/format.h>

#include "calendar/time_text.h"
#include "report/banded_curves.h"
#include "report/design_charts.h"
#include "report/page_names.h"
#include "report/reference_section.h"

namespace raingen::report {

namespace {

constexpr std::size_t durations = stats::design_durations.size();
constexpr const char* ceiling_mark = "\u2021";  // ‡
constexpr const char* beyond_mark = "\u2020";   // †
constexpr const char* narrow_mark = "\u00a7";   // §

std::string plain_number(double value) { return fmt::format("{:g}", value); }

// "1 January 00:00": where each year begins.
std::string year_start_text(calendar::TimePoint start) {
  const std::string text = calendar::minute_text(start);  // "2001-01-01 00:00"
  static constexpr const char* months[] = {"January", "February", "March",     "April",   "May",      "June",
                                           "July",    "August",   "September", "October", "November", "December"};
  const date::year_month_day date{calendar::day_of(start)};
  return fmt::format("{} {} {}", static_cast<unsigned>(date.day()), months[static_cast<unsigned>(date.month()) - 1],
                     text.substr(11));
}

void method_paragraphs(HtmlPage& page, const DesignReport& report) {
  page.paragraph(fmt::format(
      "The depths a drainage design is signed off on: for each duration from 15 minutes to 24 hours, the depth "
      "reached on average once in T years. Annual maxima are taken by sliding window: the largest sum over any run "
      "of consecutive 15-minute intervals of that duration within the year, so that a storm across midnight counts "
      "whole (a storm across the year's end counts in each year with its part there). A year begins on {} (the "
      "date and time of --start, every year) and counts when at least {}% of its 15-minute intervals are present "
      "(--year-complete); its missing intervals count as dry, so its maxima are lower bounds. The realizations of an "
      "ensemble count their years from --start the same way, and their years are pooled.",
      year_start_text(report.rule.start), plain_number(report.rule.complete_percent)));
  page.paragraph(fmt::format(
      "Return levels by two methods. Weibull: the i-th smallest of n annual maxima has the non-exceedance "
      "probability i / (n + 1), and the T-year level lies at position (n + 1)(1 - 1/T), linear between "
      "neighbours; beyond n + 1 years the maxima do not reach and there is none. GEV: a generalized extreme-value "
      "distribution fitted by L-moments (Hosking's estimators), from {} years of maxima on. Intervals: 90%, the 5% "
      "and 95% quantiles of the levels of {} bootstrap resamples of the years (drawn with replacement, all "
      "durations of a year together), from the fixed seed {}, so that the same data give the same intervals. "
      "Beside every table the number of years of maxima behind it. statistics.csv holds every value with its "
      "interval, the GEV parameters and each year's maxima.",
      stats::gev_min_years, stats::bootstrap_resamples, stats::bootstrap_seed));
}

// One row per series: years counted and the mean annual maximum at each duration.
void maxima_table(HtmlPage& page, const DesignReport& report) {
  page.heading(3, "Annual maxima by sliding window");
  Table table;
  table.header = {"series", "years counted", "of years touched"};
  for (int minutes : stats::design_durations) table.header.push_back("mean " + duration_label(minutes) + " (mm)");
  for (const DesignSeries& s : report.series) {
    std::vector<Cell> row{text_cell(design_series_title(s)), number_cell(static_cast<double>(s.design.years)),
                          number_cell(static_cast<double>(s.years_seen))};
    for (const stats::DurationDesign& d : s.design.durations) {
      std::optional<double> mean;
      if (!d.maxima.empty()) {
        double sum = 0;
        for (double m : d.maxima) sum += m;
        mean = sum / static_cast<double>(d.maxima.size());
      }
      row.push_back(number_cell(mean));
    }
    table.rows.push_back(std::move(row));
  }
  table.notes.push_back(
      "The years touched but not counted are the ones with too few intervals present: a record's first and last "
      "years and its gaps, and the last, part year of each realization.");
  page.markup(table_html(table));
}

// The weighted record's maxima year by year, and its largest depths over all its data.
void record_maxima_table(HtmlPage& page, const DesignSeries& record) {
  page.heading(3, "The record's own annual maxima: " + record.name);
  Table table;
  table.header = {"year from", "present"};
  for (int minutes : stats::design_durations) table.header.push_back(duration_label(minutes) + " (mm)");
  for (const stats::WindowYear& y : record.years) {
    std::vector<Cell> row{text_cell(calendar::minute_text(y.begins)), percent_cell(y.present_share)};
    for (std::size_t i = 0; i < durations; ++i) {
      Cell c = number_cell(y.counted ? std::optional(y.maxima[i]) : std::nullopt);
      c.muted = !y.counted;
      row.push_back(c);
    }
    if (!y.counted) row[1].muted = true;
    table.rows.push_back(std::move(row));
  }
  std::vector<Cell> largest{text_cell("largest in all its data"), text_cell("")};
  for (double v : record.largest) largest.push_back(number_cell(v));
  table.rows.push_back(std::move(largest));
  table.notes.push_back(fmt::format("{} of {} years counted; a year with fewer intervals present shows none.",
                                    record.design.years, record.years_seen));
  page.markup(table_html(table));
}

// " Its largest annual maxima are 53% (15 min) to 62% (24 h) of the record's largest." when none reaches it.
std::string top_share_text(const DesignSeries& s) {
  std::optional<std::pair<double, int>> low, high;
  for (std::size_t i = 0; i < durations; ++i) {
    const stats::Ceiling& c = s.ceilings[i];
    if (c.reaching > 0 || c.above > 0 || s.design.durations[i].maxima.empty() || !(c.largest > 0)) return "";
    const std::pair<double, int> share{s.design.durations[i].maxima.back() / c.largest, stats::design_durations[i]};
    if (!low || share.first < low->first) low = share;
    if (!high || share.first > high->first) high = share;
  }
  if (!low) return "";
  if (std::round(100 * low->first) == std::round(100 * high->first))
    return fmt::format(
        " In {} years its largest annual maxima are {:.0f}% of the record's largest depths at every duration.",
        s.design.years, 100 * low->first);
  return fmt::format(
      " In {} years its largest annual maxima are {:.0f}% ({}) to {:.0f}% ({}) of the record's largest depths.",
      s.design.years, 100 * low->first, duration_label(low->second), 100 * high->first, duration_label(high->second));
}

// A generated series' ceilings, a row a duration, with notes on where its maxima plateau at the
// record's largest depth and where they pass it.
Table ceiling_table(const DesignSeries& s, const DesignSeries& record) {
  Table table;
  table.header = {"duration",
                  "largest in " + record.name + " (mm)",
                  "largest annual maximum of " + s.name + " (mm)",
                  "annual maxima at it",
                  "above it",
                  "of years",
                  "share at it",
                  "the ceiling from (years)",
                  "to (years)"};
  std::vector<std::string> plateaus, above;
  for (std::size_t i = 0; i < durations; ++i) {
    const stats::Ceiling& c = s.ceilings[i];
    const auto from = c.plateau_from();
    table.rows.push_back(
        {text_cell(duration_label(stats::design_durations[i])), number_cell(c.largest),
         number_cell(s.design.durations[i].maxima.empty() ? std::nullopt
                                                          : std::optional(s.design.durations[i].maxima.back())),
         number_cell(static_cast<double>(c.reaching)), number_cell(static_cast<double>(c.above)),
         number_cell(static_cast<double>(c.years)), percent_cell(c.years ? std::optional(c.share()) : std::nullopt),
         number_cell(from), number_cell(c.plateau_to())});
    const std::string label = duration_label(stats::design_durations[i]);
    if (from && *from <= stats::design_return_periods.back()) {
      if (const auto to = c.plateau_to())
        plateaus.push_back(
            fmt::format("{} from {:.3g} to {:.3g} years ({} of {})", label, *from, *to, c.reaching, c.years));
      else
        plateaus.push_back(fmt::format("{} from {:.3g} years ({} of {})", label, *from, c.reaching, c.years));
    }
    if (c.above > 0) above.push_back(fmt::format("{} of {} at {}", c.above, c.years, label));
  }
  if (!plateaus.empty())
    table.notes.push_back(fmt::format("{}: the annual maxima plateau at the record's largest depth at {}.",
                                      design_series_title(s), fmt::join(plateaus, ", ")));
  else
    table.notes.push_back(fmt::format("{}: no design return period {} the record's largest depth.{}",
                                      design_series_title(s), above.empty() ? "reaches" : "lies at",
                                      top_share_text(s)));
  if (!above.empty())
    table.notes.push_back(fmt::format(
        "{}: annual maxima above the record's largest depth, {}: recorded days joined across midnight or stations' "
        "days combined, not depths the record holds.",
        design_series_title(s), fmt::join(above, ", ")));
  return table;
}

void limits(HtmlPage& page, const DesignReport& report) {
  page.heading(3, "What the generated rain cannot tell");
  const DesignSeries* record = report.reference_series();
  if (!record) {
    page.paragraph(
        "There is no weighted record with data to measure the generated rain's limits against, so the tables below "
        "flag nothing: read their long return periods with the caution the next paragraphs would give them.");
    return;
  }
  page.paragraph(fmt::format(
      "The generator copies whole recorded days, so however many years it generates, their extremes hold no more "
      "than the record's own years do, and its depths stay at or near the record's largest. A window across "
      "midnight joins two recorded days that need never have followed each other, and a site weighted from three "
      "stations drawn apart can combine their largest days: such a generated maximum can pass the record's "
      "largest depth, and the table counts it as above it. {} holds "
      "{:.1f} years of data: a return level beyond twice that, {:.1f} years, is an extrapolation of the record's "
      "tail, whatever distribution is fitted (a common limit for annual maxima at one site), and is marked {} "
      "below. Where annual maxima pile up at the record's largest depth (within {}%, the station files' "
      "rounding), k of n of them with m above it, the Weibull levels from (n + 1) / (k + m) years on (up to "
      "(n + 1) / (m + 1) years when m > 0) are that depth: the ceiling of the method, not a design value; they are "
      "marked {}.",
      record->name, report.record_years, stats::record_length_factor * report.record_years, beyond_mark,
      plain_number(100 * stats::ceiling_tolerance), ceiling_mark));
  for (std::size_t k : report.designs) page.markup(table_html(ceiling_table(report.series[k], *record)));
}

// Whether a generated level's interval claims more than the record's years support: narrower
// than the record's own at that return period (the same method where the record has it, else its
// Weibull levels), or given where the record's years give none.
bool narrower_than_record(const stats::ReturnLevel& level, const stats::DurationDesign& record,
                          stats::DesignMethod method, std::size_t p) {
  const stats::ReturnLevel& own = record.levels(method)[p].lower ? record.levels(method)[p] : record.empirical[p];
  if (!level.lower || !level.upper) return false;
  if (!own.lower || !own.upper) return true;
  return *level.upper - *level.lower < *own.upper - *own.lower;
}

// The levels of one method: a value and its interval per return period, the flags marked.
Table levels_table(const DesignReport& report, const DesignSeries& s, stats::DesignMethod method, bool per_hour) {
  Table table;
  table.header = {"duration", "years"};
  for (double years : stats::design_return_periods) {
    table.header.push_back(fmt::format("{:g} years{}", years, per_hour ? " (mm/h)" : " (mm)"));
    table.header.push_back("90%");
  }
  bool any_ceiling = false, any_beyond = false, any_missing = false, any_narrow = false;
  const DesignSeries* record = s.role == SeriesRole::record ? nullptr : report.reference_series();
  for (std::size_t i = 0; i < durations; ++i) {
    const stats::DurationDesign& d = s.design.durations[i];
    const double hours = per_hour ? d.minutes / 60.0 : 1.0;
    auto scaled = [&](const std::optional<double>& v) { return v ? std::optional(*v / hours) : std::nullopt; };
    std::vector<Cell> row{text_cell(duration_label(d.minutes)), number_cell(static_cast<double>(d.maxima.size()))};
    for (std::size_t p = 0; p < stats::design_return_periods.size(); ++p) {
      const stats::ReturnLevel& level = d.levels(method)[p];
      Cell value = number_cell(scaled(level.value)), band = band_cell(scaled(level.lower), scaled(level.upper));
      any_missing |= !level.value;
      if (record && record != &s && narrower_than_record(level, record->design.durations[i], method, p)) {
        band.mark = narrow_mark;
        any_narrow = true;
      }
      if (level.value) {
        const bool ceiling = DesignReport::at_ceiling(s, i, level.years);
        const bool beyond = s.role != SeriesRole::record && report.beyond_record(level.years);
        value.mark = std::string(beyond ? beyond_mark : "") + (ceiling ? ceiling_mark : "");
        value.muted = band.muted = ceiling || beyond;
        any_ceiling |= ceiling;
        any_beyond |= beyond;
      }
      row.push_back(std::move(value));
      row.push_back(std::move(band));
    }
    table.rows.push_back(std::move(row));
  }
  if (any_beyond)
    table.notes.push_back(
        fmt::format("{} beyond twice the record's {:.1f} years: an extrapolation, not a design value.", beyond_mark,
                    report.record_years));
  if (any_ceiling)
    table.notes.push_back(fmt::format(
        "{} at the ceiling: at this return period the annual maxima are the record's largest depth.", ceiling_mark));
  if (any_narrow)
    table.notes.push_back(fmt::format(
        "{} narrower than the record's own 90% interval at that return period (from its {} years), or where those "
        "years give none: this interval resamples the generated years, which redraw the record's few; the record's "
        "own interval, where it has one, is the one its data support.",
        narrow_mark, record->design.years));
  if (method == stats::DesignMethod::empirical && any_missing)
    table.notes.push_back(
        fmt::format("- : beyond n + 1 = {} years, where {} maxima do not reach.", s.design.years + 1, s.design.years));
  return table;
}

// How a generated series' levels compare with the record's own 2-year depths: "Against the
// record's own 2-year depths ... 47% (2 h) to 66% (24 h) of them; at 30 min, 1 h ... even its
// 100-year depth lies below the record's 2-year depth." Empty without a record or its 2-year depths.
std::string against_record(const DesignReport& report, const DesignSeries& s, stats::DesignMethod method) {
  const DesignSeries* record = report.reference_series();
  if (!record || &s == record) return "";
  std::optional<std::pair<double, int>> low, high;
  std::vector<std::string> below;
  for (std::size_t i = 0; i < durations; ++i) {
    const auto recorded = record->design.durations[i].empirical[0].value;  // 2 years
    const auto two = s.design.durations[i].levels(method)[0].value,
               hundred = s.design.durations[i].levels(method).back().value;
    if (!recorded || !(*recorded > 0) || !two) return "";
    const std::pair<double, int> ratio{*two / *recorded, stats::design_durations[i]};
    if (!low || ratio.first < low->first) low = ratio;
    if (!high || ratio.first > high->first) high = ratio;
    if (hundred && *hundred < *recorded) below.push_back(duration_label(stats::design_durations[i]));
  }
  std::string text = fmt::format(
      "Against the record's own 2-year depths (Weibull, from its {} years): this series' "
      "2-year depths are ",
      record->design.years);
  if (std::round(100 * low->first) == std::round(100 * high->first))
    text += fmt::format("{:.0f}% of them at every duration", 100 * low->first);
  else
    text += fmt::format("{:.0f}% ({}) to {:.0f}% ({}) of them", 100 * low->first, duration_label(low->second),
                        100 * high->first, duration_label(high->second));
  if (below.size() == durations)
    text += "; at every duration even its 100-year depth lies below the record's 2-year depth";
  else if (!below.empty())
    text += fmt::format("; at {} even its 100-year depth lies below the record's 2-year depth", fmt::join(below, ", "));
  return text + ".";
}

void design_tables(HtmlPage& page, const DesignReport& report, const DesignSeries& s) {
  const bool own = s.role == SeriesRole::weighted_record;
  page.heading(3, fmt::format("Depth-duration-frequency: {}{}, {} years", design_series_title(s),
                              own ? " (the record's own)" : "", s.design.years));
  const bool gev = s.design.years >= stats::gev_min_years;
  if (const std::string text =
          against_record(report, s, gev ? stats::DesignMethod::gev : stats::DesignMethod::empirical);
      !text.empty())
    page.paragraph(text);
  for (stats::DesignMethod method : stats::design_methods) {
    if (method == stats::DesignMethod::gev && !gev) {
      page.paragraph(fmt::format("No GEV: {} years of maxima, fewer than the {} a fit needs.", s.design.years,
                                 stats::gev_min_years));
      continue;
    }
    page.paragraph(method == stats::DesignMethod::gev
                       ? "Depth (mm), GEV fitted by L-moments, with its 90% interval:"
                       : "Depth (mm), Weibull plotting position, with its 90% interval:");
    page.markup(table_html(levels_table(report, s, method, false)));
  }
  page.paragraph(fmt::format("Intensity-duration-frequency: mean intensity over the duration (mm/h), {}:",
                             gev ? "GEV" : "Weibull plotting position"));
  page.markup(
      table_html(levels_table(report, s, gev ? stats::DesignMethod::gev : stats::DesignMethod::empirical, true)));
}

std::vector<std::string> svgs(const std::vector<Chart>& charts) {
  std::vector<std::string> out;
  for (const Chart& c : charts) out.push_back(render_svg(c));
  return out;
}

}  // namespace

void design_section(HtmlPage& page, const DesignReport& report) {
  page.heading(2, "Design rainfall");
  method_paragraphs(page, report);
  maxima_table(page, report);
  if (const DesignSeries* record = report.reference_series()) record_maxima_table(page, *record);
  limits(page, report);
  for (std::size_t k : report.designs) design_tables(page, report, report.series[k]);
  if (const DesignSeries* record = report.reference_series()) design_tables(page, report, *record);
  reference_section(page, report);

  std::vector<Chart> charts;
  for (std::size_t k : report.designs) charts.push_back(ddf_chart(report, report.series[k]));
  page.heading(3, "Charts");
  page.paragraph(
      "Depth against duration for each return period (log-log): the lines and their shaded 90% intervals are the "
      "levels of the series named; dashed lines are beyond twice the record's years. The record's own levels are "
      "points in the colour of their return period, and its largest depths the dashed black line: a generated "
      "line that meets it has reached the ceiling. Then, at each duration, the annual maxima against their "
      "return period with the fitted GEV: a flat end at the dashed line is the plateau. The grey band there is the "
      "record's own 90% interval (GEV from ten years of maxima, else Weibull, none beyond its years), what its "
      "years support beside the generated one; large dots are the points of --reference-ddf, when given.");
  page.figures(svgs(charts));
  std::vector<Chart> curves;
  for (std::size_t i = 0; i < durations; ++i) curves.push_back(return_level_chart(report, i));
  page.figures(svgs(curves));
}

}  // namespace raingen::report
