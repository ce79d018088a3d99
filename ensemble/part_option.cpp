#include "ensemble/part_option.h"

#include <charconv>

#include <fmt/format.h>

#include "common/tool_error.h"

namespace raingen::ensemble {
using common::ToolError;
using common::UsageError;

namespace {

constexpr long largest_array_number = 4000001;

std::optional<long> whole_number(std::string_view text) {
  long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The Slurm array task's variable name, which must be set to a whole number.
long slurm_number(const Environment& environment, const char* name) {
  const std::optional<std::string> value = environment(name);
  if (!value)
    throw ToolError(
        fmt::format("--part slurm: {} is not set: this is no task of a Slurm array job (sbatch --array=1-N)", name));
  const std::optional<long> number = whole_number(*value);
  if (!number) throw ToolError(fmt::format("--part slurm: {} is '{}', not a whole number", name, *value));
  // Slurm's arrays hold at most 4,000,001 tasks (MaxArraySize); the arithmetic below stays within
  // a long only for numbers Slurm can give.
  if (*number < 0 || *number > largest_array_number)
    throw ToolError(fmt::format("--part slurm: {} is {}, not a number Slurm gives an array task (0 to {})", name,
                                *number, largest_array_number));
  return *number;
}

PartPlace slurm_place(const Environment& environment) {
  const long id = slurm_number(environment, "SLURM_ARRAY_TASK_ID");
  const long count = slurm_number(environment, "SLURM_ARRAY_TASK_COUNT");
  const long min = slurm_number(environment, "SLURM_ARRAY_TASK_MIN");
  const long max = slurm_number(environment, "SLURM_ARRAY_TASK_MAX");
  const std::string array = count == 1 && min == max
                                ? fmt::format("this array's one task has id {}", min)
                                : fmt::format("this array's {} tasks have ids {} to {}", count, min, max);
  const std::optional<std::string> step = environment("SLURM_ARRAY_TASK_STEP");
  if ((step && whole_number(*step) != 1) || max - min + 1 != count)
    throw ToolError(
        fmt::format("--part slurm: {}{}: the parts are the tasks of an array of consecutive ids "
                    "(--array=1-N or --array=0-M)",
                    array, step && whole_number(*step) != 1 ? " by steps of " + *step : ""));
  if ((min != 0 && min != 1) || count == 1)
    throw ToolError(
        fmt::format("--part slurm: {}: the parts are numbered by an array of two tasks or more from 0 or "
                    "from 1 (--array=1-N or --array=0-M); to make one part again, give it as --part I/N",
                    array));
  return PartPlace{id - min + 1, count};
}

}  // namespace

PartPlace parse_part_option(const std::string& text, const Environment& environment) {
  if (text == "slurm") return slurm_place(environment);
  const std::size_t slash = text.find('/');
  const std::optional<long> index = slash == std::string::npos ? std::nullopt : whole_number(text.substr(0, slash));
  const std::optional<long> count = slash == std::string::npos ? std::nullopt : whole_number(text.substr(slash + 1));
  if (!index || !count)
    throw UsageError(fmt::format("--part: '{}' is neither I/N (part I of N, as 2/8) nor slurm (see --help)", text));
  return PartPlace{*index, *count};
}

ensemble_file::EnsemblePart part_of_ensemble(const PartPlace& place, long realizations, int first_seed,
                                             const std::string& text) {
  const std::string fault = ensemble_file::part_fault(place.index, place.count, realizations, first_seed);
  if (!fault.empty()) throw ToolError(fmt::format("--part {}: {}", text, fault));
  return ensemble_file::EnsemblePart{place.index, place.count, realizations, first_seed};
}

}  // namespace raingen::ensemble
