#include "ensemble/merge_differences.h"

#include <fmt/format.h>

namespace raingen::ensemble {

namespace {

std::string clock_text(const std::optional<calendar::UtcOffset>& offset) {
  return offset ? offset->text() : "not stated";
}

}  // namespace

std::string axis_difference(const SeriesAxis& a, const SeriesAxis& b) {
  if (a.start != b.start) return "the start (time units)";
  if (a.utc_offset != b.utc_offset)
    return fmt::format("the clock (UTC offset {}, theirs {})", clock_text(b.utc_offset), clock_text(a.utc_offset));
  if (a.intervals != b.intervals) return "the length (time)";
  return "";
}

std::string part_difference(const ensemble_file::EnsemblePart& a, const ensemble_file::EnsemblePart& b) {
  if (a.realizations != b.realizations)
    return fmt::format("the ensemble's number of realizations ({}, theirs {})", b.realizations, a.realizations);
  if (a.count != b.count) return fmt::format("the number of parts ({}, theirs {})", b.count, a.count);
  if (a.first_seed != b.first_seed)
    return fmt::format("the ensemble's first seed ({}, theirs {})", b.first_seed, a.first_seed);
  return "";
}

}  // namespace raingen::ensemble
