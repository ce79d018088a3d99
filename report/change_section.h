// The report's comparison of a changed climate with the present: a run directory that
// raingen-prepare --change made from the same records (--changed DIR, its realizations in
// --changed-ensemble FILE.nc) beside this run's realizations (--ensemble). The factor realised at
// each design duration and return period (the realizations' years pooled, empirical levels), in
// each month (mean totals and wet-day shares) and in the share of wet days, against the factor the
// change was asked for (RAINGEN.TXT's change = TERMS). Computed once; the page and statistics.csv
// both read it.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "report/design_report.h"
#include "report/ensemble_statistics.h"
#include "report/page_names.h"
#include "stats/statistics_csv.h"

namespace raingen::report {

inline constexpr const char* change_series_name = "change";  // statistics.csv's series of the comparison

// What the changed run directory's RAINGEN.TXT says was asked: the terms and what they did, the
// factor at the top of the wet 15-minute depths (which the short durations' annual maxima are made
// of) and the factor on the number of wet days. No terms: the directory records no change.
struct ChangeAsked {
  std::string terms, result;
  std::string tail;  // tail = REFERENCE: the pool widened beyond the record (--tail); empty: not
  double top_factor = 1, wet_days_factor = 1;
};

// Reads dir's RAINGEN.TXT: the first section with a change = TERMS (the site station's, else a
// station's). Throws ToolError naming the file when TERMS does not read.
ChangeAsked change_asked(const std::filesystem::path& dir);

// For each station or site station of dir's RAINGEN.TXT whose pool raingen-prepare --tail widened,
// the page's note that its depths beyond the record are extrapolated, and from what.
std::vector<std::string> widened_pool_notes(const std::filesystem::path& dir);

struct ChangeFigures {
  std::filesystem::path dir, file;
  ChangeAsked asked;
  std::size_t present_realizations = 0, changed_realizations = 0;
  std::size_t present_years = 0, changed_years = 0;  // pooled annual maxima behind the levels
  struct Level {
    int minutes = 0;
    double years = 0;
    std::optional<double> present, changed;  // mm
    bool at_ceiling = false;                 // the present level is the largest of its pooled years
  };
  std::vector<Level> levels{};  // each duration, each return period
  struct Month {
    std::optional<double> total_present, total_changed, wet_present, wet_changed;  // realizations' means
  };
  std::array<Month, 12> months{};
  std::optional<double> wet_present{}, wet_changed{};  // share of wet days, the realizations' median
};

ChangeFigures change_figures(const std::filesystem::path& dir, const std::filesystem::path& file, ChangeAsked asked,
                             const EnsembleStatistics& present, const EnsembleStatistics& changed,
                             const stats::YearRule& rule);

void change_section(HtmlPage& page, const ChangeFigures& figures);

// Rows change,MINUTES,return_level_ratio,RATIO,YEARS; change,,monthly_total_ratio,RATIO,MONTH;
// change,,monthly_wet_share_ratio,RATIO,MONTH; change,1440,wet_day_share_ratio,RATIO; and the factors
// asked: change,15,asked_top_factor,F and change,1440,asked_wet_days_factor,F.
std::vector<stats::CsvRow> change_csv_rows(const ChangeFigures& figures);

}  // namespace raingen::report
