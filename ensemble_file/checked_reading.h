// What both kinds of ensemble file are read with: the file open for reading, its variables found
// and their shapes checked before anything is read, its times' start and clock, and its time
// stamps checked; a fault refused as "FILE: is not a KIND: what".
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

#include "netcdf/cf_series.h"
#include "netcdf/netcdf_file.h"

namespace raingen::ensemble_file {

class CheckedReading {
 protected:
  // kind: "an ensemble file", "a network ensemble file".
  CheckedReading(const std::filesystem::path& path, std::string kind);

  [[noreturn]] void refuse(const std::string& what) const;
  int variable(const char* name) const;
  // The variable, refused unless it has this type and these dimensions.
  int shaped(const char* name, nc_type type, std::initializer_list<std::string_view> dimensions) const;
  // The start and clock of the times (netcdf/cf_series.h).
  netcdf::CfStart cf_start() const;
  // Refuses with why unless the first `intervals` stamps of variable time are stamp(0), stamp(1), ...
  void check_stamps(int time, std::size_t intervals, const std::function<double(std::size_t)>& stamp,
                    const std::string& why) const;

  netcdf::File file_;

 private:
  std::string kind_;
};

}  // namespace raingen::ensemble_file
