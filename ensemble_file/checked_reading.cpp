#include "ensemble_file/checked_reading.h"

#include <algorithm>
#include <span>
#include <variant>
#include <vector>

#include "common/tool_error.h"

namespace raingen::ensemble_file {

CheckedReading::CheckedReading(const std::filesystem::path& path, std::string kind)
    : file_(path, path.string(), netcdf::File::ForReading{}), kind_(std::move(kind)) {}

void CheckedReading::refuse(const std::string& what) const {
  throw common::ToolError(file_.shown_name(), 0, "is not " + kind_ + ": " + what);
}

int CheckedReading::variable(const char* name) const {
  const auto found = file_.find_variable(name);
  if (!found) refuse(std::string("it has no variable ") + name);
  return *found;
}

int CheckedReading::shaped(const char* name, nc_type type, std::initializer_list<std::string_view> dimensions) const {
  const int found = variable(name);
  const std::span<const std::string_view> expected(dimensions.begin(), dimensions.size());
  if (const auto fault = file_.shape_fault(found, type, expected)) refuse(std::string(name) + " " + *fault);
  return found;
}

netcdf::CfStart CheckedReading::cf_start() const {
  const auto start = netcdf::read_cf_start(file_, variable("time"));
  if (const std::string* fault = std::get_if<std::string>(&start)) refuse(*fault);
  return std::get<netcdf::CfStart>(start);
}

void CheckedReading::check_stamps(int time, std::size_t intervals, const std::function<double(std::size_t)>& stamp,
                                  const std::string& why) const {
  file_.read_in_order(time);
  std::vector<double> stamps(netcdf::cf_time_chunk);
  for (std::size_t first = 0; first < intervals; first += stamps.size()) {
    const std::size_t count = std::min(stamps.size(), intervals - first);
    file_.check(nc_get_vara_double(file_.id(), time, &first, &count, stamps.data()), "time");
    for (std::size_t k = 0; k < count; ++k)
      if (stamps[k] != stamp(first + k)) refuse(why);
  }
}

}  // namespace raingen::ensemble_file
