#include "stations/climate_change.h"

#include <fmt/format.h>

#include <cmath>
#include <optional>
#include <string_view>

#include "common/numbers.h"
#include "common/text.h"
#include "common/tool_error.h"

namespace raingen::stations {

namespace {

using common::UsageError;

[[noreturn]] void refuse(const std::string& what) { throw UsageError("--change: " + what); }

double number_of(std::string_view key, std::string_view value) {
  const std::optional<double> number = common::parse_real(value);
  if (!number) refuse(fmt::format("{}={} is not a number", key, value));
  return *number;
}

using Terms = std::vector<std::pair<std::string, std::string>>;  // KEY, VALUE in the order given

Terms terms_of(const std::string& text) {
  Terms terms;
  for (std::string_view term : common::split(text, ',')) {
    const std::size_t equals = term.find('=');
    if (equals == std::string_view::npos || equals == 0)
      refuse(fmt::format("'{}' is not KEY=VALUE (factor=F, pQ=F, warming=D, rate=R, from=Q, wet-days=P%)", term));
    const std::string key(term.substr(0, equals));
    for (const auto& seen : terms)
      if (seen.first == key) refuse(fmt::format("{} is given twice", key));
    terms.emplace_back(key, term.substr(equals + 1));
  }
  return terms;
}

bool is_quantile(const std::string& key) { return key.size() > 1 && key[0] == 'p'; }

const std::string* value_of(const Terms& terms, std::string_view key) {
  for (const auto& [k, value] : terms)
    if (k == key) return &value;
  return nullptr;
}

// The pQ=F points, their quantiles rising as given.
std::vector<std::pair<double, double>> quantile_points(const Terms& terms) {
  std::vector<std::pair<double, double>> points;
  for (const auto& [key, value] : terms) {
    if (!is_quantile(key)) continue;
    const double q = number_of(key, std::string_view(key).substr(1));
    if (!(q >= 0 && q <= 100)) refuse(fmt::format("{}: a quantile lies within 0-100", key));
    if (!points.empty() && q * 0.01 <= points.back().first)
      refuse(fmt::format("{} comes after p{:g}: give the quantiles rising", key, points.back().first * 100));
    points.emplace_back(q * 0.01, number_of(key, value));
  }
  return points;
}

std::vector<std::pair<double, double>> warming_points(const Terms& terms) {
  const auto value = [&](const char* key, double otherwise) {
    const std::string* given = value_of(terms, key);
    return given ? number_of(key, *given) : otherwise;
  };
  const double degrees = value("warming", 0), rate = value("rate", 7), from = value("from", 90);
  if (degrees < 0) refuse(fmt::format("warming={:g}: give the degrees of warming, 0 or more", degrees));
  if (rate < 0) refuse(fmt::format("rate={:g}: give the percent per degree, 0 or more", rate));
  if (!(from >= 0 && from < 99)) refuse(fmt::format("from={:g}: the scaling starts at a quantile below 99", from));
  return {{from * 0.01, 1.0}, {0.99, std::pow(1 + rate / 100, degrees)}};
}

void check_factors(const std::vector<std::pair<double, double>>& points) {
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (!(points[i].second > 0) || !std::isfinite(points[i].second))
      refuse(
          fmt::format("the factor at p{:g} is {:g}: a factor lies above 0", points[i].first * 100, points[i].second));
    if (i > 0 && points[i].second < points[i - 1].second)
      refuse(
          fmt::format("the factor falls from {:g} at p{:g} to {:g} at p{:g}: factors rise (or stay) with the "
                      "quantile, so that a heavier interval never becomes lighter than a lighter one",
                      points[i - 1].second, points[i - 1].first * 100, points[i].second, points[i].first * 100));
  }
}

}  // namespace

double ClimateChange::factor_at(double q) const {
  if (points.empty()) return 1;
  if (q <= points.front().first) return points.front().second;
  for (std::size_t i = 1; i < points.size(); ++i)
    if (q <= points[i].first) {
      const auto& [q0, f0] = points[i - 1];
      const auto& [q1, f1] = points[i];
      return f0 + (f1 - f0) * (q - q0) / (q1 - q0);
    }
  return points.back().second;
}

ClimateChange parse_change(const std::string& text) {
  if (text.empty()) refuse("give terms such as factor=1.2, p50=1,p99=1.3, warming=2 or wet-days=-10%");
  const Terms terms = terms_of(text);
  ClimateChange climate{.text = text};
  bool warming = false, quantiles = false;
  for (const auto& term : terms) {
    const std::string& key = term.first;
    if (key == "warming" || key == "rate" || key == "from")
      warming = true;
    else if (is_quantile(key))
      quantiles = true;
    else if (key != "factor" && key != "wet-days")
      refuse(fmt::format("'{}' is no term of --change (factor, pQ, warming, rate, from, wet-days)", key));
  }
  const std::string* factor = value_of(terms, "factor");
  if (warming + quantiles + (factor != nullptr) > 1) refuse("give factor=F, pQ=F points or warming=D, one of them");
  if (warming && !value_of(terms, "warming")) refuse("rate and from shape a warming: give warming=D with them");
  if (factor) climate.points = {{0.0, number_of("factor", *factor)}};
  if (quantiles) climate.points = quantile_points(terms);
  if (warming) climate.points = warming_points(terms);
  check_factors(climate.points);
  if (const std::string* wet = value_of(terms, "wet-days")) {
    const std::string_view value = !wet->empty() && wet->back() == '%'
                                       ? std::string_view(*wet).substr(0, wet->size() - 1)
                                       : std::string_view(*wet);
    climate.wet_days_percent = number_of("wet-days", value);
    if (!(climate.wet_days_percent > -100))
      refuse(fmt::format("wet-days={}: a change above -100% leaves wet days to draw from", *wet));
  }
  return climate;
}

}  // namespace raingen::stations
