#include "stats/events.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "calendar/interval.h"
#include "stats/quantile.h"

namespace raingen::stats {

std::optional<double> Events::per_year() const {
  if (!(years > 0)) return std::nullopt;
  return static_cast<double>(events.size()) / years;
}

namespace {

// Whether interval k is taken as observed: present, or in a run of missing intervals no longer
// than the gap (a logger's few lost readings), which counts as dry as it does for the statistics;
// only a longer run leaves the extent of the events around it unknown. bridged[k] marks those.
std::vector<bool> bridged_missing(const gauge::CalendarSeries& series, std::size_t gap) {
  std::vector<bool> bridged(series.size(), false);
  for (std::size_t k = 0; k < series.size();) {
    if (series.present(k)) {
      ++k;
      continue;
    }
    std::size_t end = k;
    while (end < series.size() && !series.present(end)) ++end;
    // A run at either end of the series bounds no event on that side: it stays missing.
    if (end - k <= gap && k > 0 && end < series.size()) std::fill(bridged.begin() + k, bridged.begin() + end, true);
    k = end;
  }
  return bridged;
}

}  // namespace

Events events_of(const gauge::CalendarSeries& series, const EventRule& rule) {
  Events out;
  const std::size_t gap = static_cast<std::size_t>(std::max(1.0, std::round(rule.gap_hours * 4)));
  const std::size_t n = series.size();
  const std::vector<bool> bridged = bridged_missing(series, gap);
  std::size_t observed = 0;
  for (std::size_t k = 0; k < n; ++k) observed += series.present(k) || bridged[k];
  out.years = static_cast<double>(observed) / (calendar::days_per_year * calendar::intervals_per_day);

  // Dry intervals since the last wet one, and whether a missing interval or the start came closer
  // than the gap before the open event (or, with none open, since then).
  std::optional<Event> open;
  bool open_cut = false;         // the open event came closer than the gap to a missing interval or the start
  std::size_t dry_run = 0;       // present dry intervals since the last wet one, or since a missing one
  bool clear = false;            // at least gap present dry intervals since a missing interval or the start
  bool after_event = false;      // a kept event since the last missing interval
  std::size_t previous_end = 0;  // its last interval
  const auto close = [&](bool cut) {
    if (cut || open_cut) {
      ++out.censored;
    } else if (open->depth >= rule.min_depth) {
      if (after_event) out.between_hours.push_back(static_cast<double>(open->first - previous_end - 1) / 4.0);
      after_event = true;
      previous_end = open->last;
      out.events.push_back(*open);
    }
    open.reset();
  };
  for (std::size_t k = 0; k < n; ++k) {
    if (!series.present(k) && !bridged[k]) {
      if (open) close(true);
      after_event = false;
      dry_run = 0;
      clear = false;
      continue;
    }
    const double d = bridged[k] ? 0.0 : series.depth(k);
    if (d > 0) {
      if (!open) {
        open = Event{k, k, 0, 0};
        open_cut = !clear;
      }
      open->last = k;
      open->depth += d;
      open->peak = std::max(open->peak, d);
      dry_run = 0;
    } else {
      ++dry_run;
      if (dry_run >= gap) {
        clear = true;
        if (open) close(false);
      }
    }
  }
  if (open) close(true);  // the series ends before the gap does
  return out;
}

}  // namespace raingen::stats

namespace raingen::stats {

EventSummary summarize(const Events& events) {
  EventSummary s;
  s.count = events.events.size();
  s.censored = events.censored;
  s.per_year = events.per_year();
  for (std::size_t m = 0; m < 4; ++m) {
    std::vector<double> values;
    if (event_measures[m] == EventMeasure::between_hours) {
      values = events.between_hours;
    } else {
      for (const Event& e : events.events)
        values.push_back(event_measures[m] == EventMeasure::depth            ? e.depth
                         : event_measures[m] == EventMeasure::duration_hours ? e.duration_hours()
                                                                             : e.peak);
    }
    s.at_share[m].fill(std::numeric_limits<double>::quiet_NaN());
    if (values.empty()) continue;
    double sum = 0;
    for (double v : values) sum += v;
    s.mean[m] = sum / static_cast<double>(values.size());
    std::sort(values.begin(), values.end());
    for (std::size_t i = 0; i < event_share_count; ++i)
      if (event_shares[i] * static_cast<double>(values.size()) >= 1)
        s.at_share[m][i] = quantile(values, 1 - event_shares[i]);
  }
  return s;
}

}  // namespace raingen::stats
