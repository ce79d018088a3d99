// Fuzz target: the ensemble file as raingen-report --ensemble and --merge read it. A valid file
// is written with a layout the input picks (length, realizations, start, site, position, clock,
// checksum), some realizations complete and some failed; the input then corrupts it through the
// netCDF library (variables renamed, units and attributes replaced or removed, times, seeds,
// statuses, depths and the position overwritten, NaN and infinities among them), so that the
// reader meets what a file made or edited by another tool may hold. The bytes of the file are not
// mutated: that would fuzz the HDF5 library, not the tools. A ToolError is a normal outcome; a
// crash, a sanitizer report, another exception or a hang is a finding.
#include <fuzzer/FuzzedDataProvider.h>
#include <netcdf.h>

#include <array>
#include <filesystem>
#include <vector>

#include "calendar/interval.h"
#include "calendar/start_option.h"
#include "common/tool_error.h"
#include "ensemble_file/ensemble_file.h"
#include "fuzz_support.h"

namespace {

using raingen::ensemble_file::EnsembleLayout;

constexpr std::array<const char*, 10> variables{"rainfall", "time", "time_bnds", "seed", "status", "realization",
                                                "station_name", "nv", "lat", "lon"};

void write_valid(FuzzedDataProvider& in, const std::string& path) {
  EnsembleLayout layout;
  layout.start = raingen::calendar::default_start + in.ConsumeIntegralInRange<int>(-3, 3) * raingen::calendar::interval_length;
  layout.site = in.ConsumeRandomLengthString(16);
  if (in.ConsumeBool())  // the site's position and clock, as RAINGEN.TXT or --site-at give them
    layout.position = raingen::stations::Coordinates{in.ConsumeFloatingPointInRange<double>(-90, 90),
                                                     in.ConsumeFloatingPointInRange<double>(-180, 180)};
  if (in.ConsumeBool())
    layout.utc_offset = raingen::calendar::UtcOffset::from_minutes(in.ConsumeIntegralInRange<int>(-14 * 60, 14 * 60));
  layout.intervals = raingen::calendar::intervals_per_day * in.ConsumeIntegralInRange<std::size_t>(0, 3) +
                     in.ConsumeIntegralInRange<std::size_t>(0, 2);
  layout.realizations = in.ConsumeIntegralInRange<long>(1, 4);
  layout.source = "fuzz";
  layout.checksum = in.ConsumeRandomLengthString(20);
  raingen::ensemble_file::EnsembleWriter writer(path, path, layout);
  std::vector<float> depths(layout.intervals, 0.5f);
  for (long k = 0; k < layout.realizations; ++k) {
    if (in.ConsumeBool()) writer.put_failed(k, static_cast<int>(k) + 1);
    else writer.put_complete(k, static_cast<int>(k) + 1, depths);
  }
  writer.close();
}

// One change of the file, as the input picks it; the library's refusals are ignored.
void corrupt(FuzzedDataProvider& in, int id) {
  int variable = -1;
  const char* name = variables[in.ConsumeIntegralInRange<std::size_t>(0, variables.size() - 1)];
  nc_inq_varid(id, name, &variable);
  switch (in.ConsumeIntegralInRange<int>(0, 6)) {
    case 0:
      nc_redef(id);
      nc_rename_var(id, variable, (std::string("x") + name).c_str());
      nc_enddef(id);
      break;
    case 1: {
      const std::string text = in.ConsumeRandomLengthString(40);
      nc_redef(id);
      nc_put_att_text(id, in.ConsumeBool() ? NC_GLOBAL : variable, in.ConsumeBool() ? "units" : "raingen_inputs_checksum",
                      text.size(), text.data());
      nc_enddef(id);
      break;
    }
    case 2:
      nc_redef(id);
      nc_del_att(id, variable, in.ConsumeBool() ? "units" : "_FillValue");
      nc_enddef(id);
      break;
    case 3: {
      const std::size_t at = in.ConsumeIntegralInRange<std::size_t>(0, 300);
      const int value = in.ConsumeIntegral<int>();
      nc_put_var1_int(id, variable, &at, &value);
      break;
    }
    case 4: {
      const std::array<std::size_t, 2> at{in.ConsumeIntegralInRange<std::size_t>(0, 4),
                                          in.ConsumeIntegralInRange<std::size_t>(0, 300)};
      const float value = in.ConsumeBool() ? in.ConsumeFloatingPoint<float>()
                                           : std::array{NAN, INFINITY, -INFINITY, -1.0f, 1e30f}[in.ConsumeIntegralInRange(0, 4)];
      nc_put_var1_float(id, variable, at.data(), &value);
      break;
    }
    case 5: {
      const std::size_t at = in.ConsumeIntegralInRange<std::size_t>(0, 4);
      const signed char value = in.ConsumeIntegral<signed char>();
      nc_put_var1_schar(id, variable, &at, &value);
      break;
    }
    case 6: {
      const std::string text = in.ConsumeRandomLengthString(30);
      const std::array<std::size_t, 1> start{0}, count{text.size()};
      nc_put_vara_text(id, variable, start.data(), count.data(), text.data());
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_support::enter_private_directory();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string path = "ensemble.nc";
  std::filesystem::remove(path);
  try {
    write_valid(in, path);
  } catch (const raingen::common::ToolError&) {
    return 0;  // a layout the writer refuses
  }
  int id = -1;
  if (nc_open(path.c_str(), NC_WRITE, &id) != NC_NOERR) __builtin_trap();
  const int changes = in.ConsumeIntegralInRange<int>(0, 6);
  for (int k = 0; k < changes; ++k) corrupt(in, id);
  nc_close(id);
  try {
    const raingen::ensemble_file::EnsembleReader reader(path);
    std::vector<float> depths(reader.layout().intervals);
    for (long k = 0; k < reader.layout().realizations; ++k) {
      reader.seed(k);
      if (reader.complete(k)) reader.read(k, depths);
    }
  } catch (const raingen::common::ToolError&) {
  }
  return 0;
}
