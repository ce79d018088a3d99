// Fuzz target: the ensemble files, one-site and network, as raingen-report --ensemble, --merge and
// raingen-export read them. A valid file of either layout is written with what the input picks
// (length, realizations, sites, start, site names, positions, clock, checksum), some runs complete
// and some failed; the input then corrupts it through the netCDF library (variables renamed,
// units and attributes replaced or removed, times, seeds, statuses, depths and positions
// overwritten, NaN and infinities among them, and variables redefined with another type or over
// other dimensions, new ones among them up to 100,000 long), so that the reader meets what a file
// made or edited by another tool may hold. The bytes of the file are not mutated: that would fuzz
// the HDF5 library, not the tools. A ToolError is a normal outcome; a crash, a sanitizer report,
// another exception or a hang is a finding.
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

constexpr std::array<const char*, 13> variables{
    "rainfall", "time", "time_bnds", "seed", "status", "realization", "station_name", "site_name",
    "nv",       "lat",  "lon",       "x",    "y"};

void write_valid(FuzzedDataProvider& in, const std::string& path) {
  EnsembleLayout layout;
  layout.start =
      raingen::calendar::default_start + in.ConsumeIntegralInRange<int>(-3, 3) * raingen::calendar::interval_length;
  layout.site = in.ConsumeRandomLengthString(16);
  if (in.ConsumeBool())  // the site's position and clock, as RAINGEN.TXT or --site-at give them
    layout.position = raingen::places::Coordinates{in.ConsumeFloatingPointInRange<double>(-90, 90),
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
    if (in.ConsumeBool()) {
      writer.put_seed(k, static_cast<int>(k) + 1);
      writer.put_failed(k, 0);
    } else {
      writer.put_complete(k, static_cast<int>(k) + 1, depths);
    }
  }
  writer.close();
}

void write_valid_network(FuzzedDataProvider& in, const std::string& path) {
  raingen::ensemble_file::EnsembleLayout layout;
  layout.start =
      raingen::calendar::default_start + in.ConsumeIntegralInRange<int>(-3, 3) * raingen::calendar::interval_length;
  if (in.ConsumeBool()) layout.coordinates = raingen::places::CoordinateSystem::planar;
  if (in.ConsumeBool())
    layout.utc_offset = raingen::calendar::UtcOffset::from_minutes(in.ConsumeIntegralInRange<int>(-14 * 60, 14 * 60));
  const long sites = in.ConsumeIntegralInRange<long>(1, 3);
  for (long s = 0; s < sites; ++s)
    layout.sites.push_back(
        {in.ConsumeRandomLengthString(8),
         {in.ConsumeFloatingPointInRange<double>(-90, 90), in.ConsumeFloatingPointInRange<double>(-180, 180)}});
  layout.intervals = raingen::calendar::intervals_per_day * in.ConsumeIntegralInRange<std::size_t>(0, 2) +
                     in.ConsumeIntegralInRange<std::size_t>(0, 2);
  layout.realizations = in.ConsumeIntegralInRange<long>(1, 3);
  layout.source = "fuzz";
  layout.checksum = in.ConsumeRandomLengthString(20);
  raingen::ensemble_file::EnsembleWriter writer(path, path, layout);
  std::vector<float> depths(layout.intervals, 0.5f);
  for (long k = 0; k < layout.realizations; ++k)
    for (long s = 0; s < sites; ++s) {
      if (in.ConsumeBool()) {
        writer.put_failed(k, s);
      } else {
        writer.put_depths(k, s, 0, depths);
        writer.put_complete(k, s);
      }
    }
  writer.close();
}

// The variable redefined as the input picks: another type, over dimensions of the file or a new
// one of up to 100,000 (declared only: nothing is written into it).
void reshape(FuzzedDataProvider& in, int id, int variable, const char* name) {
  constexpr std::array<nc_type, 5> types{NC_BYTE, NC_CHAR, NC_INT, NC_FLOAT, NC_DOUBLE};
  int count = 0;
  nc_inq_ndims(id, &count);
  nc_redef(id);
  if (variable >= 0) nc_rename_var(id, variable, (std::string("old_") + name).c_str());
  std::vector<int> dimensions(in.ConsumeIntegralInRange<std::size_t>(0, 3));
  for (int& d : dimensions) {
    d = in.ConsumeIntegralInRange<int>(0, count);
    if (d == count) {
      const std::string big = "big" + std::to_string(count);
      if (nc_def_dim(id, big.c_str(), in.ConsumeIntegralInRange<std::size_t>(1, 100000), &d) != NC_NOERR) d = 0;
    }
  }
  int made = -1;
  nc_def_var(id, name, types[in.ConsumeIntegralInRange<std::size_t>(0, types.size() - 1)],
             static_cast<int>(dimensions.size()), dimensions.data(), &made);
  nc_enddef(id);
}

// One change of the file, as the input picks it; the library's refusals are ignored.
void corrupt(FuzzedDataProvider& in, int id) {
  int variable = -1;
  const char* name = variables[in.ConsumeIntegralInRange<std::size_t>(0, variables.size() - 1)];
  nc_inq_varid(id, name, &variable);
  switch (in.ConsumeIntegralInRange<int>(0, 7)) {
    case 0:
      nc_redef(id);
      nc_rename_var(id, variable, (std::string("x") + name).c_str());
      nc_enddef(id);
      break;
    case 1: {
      const std::string text = in.ConsumeRandomLengthString(40);
      nc_redef(id);
      nc_put_att_text(id, in.ConsumeBool() ? NC_GLOBAL : variable,
                      in.ConsumeBool() ? "units" : "raingen_inputs_checksum", text.size(), text.data());
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
      const float value = in.ConsumeBool()
                              ? in.ConsumeFloatingPoint<float>()
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
    case 7: reshape(in, id, variable, name); break;
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
  const bool network = in.ConsumeBool();
  try {
    if (network)
      write_valid_network(in, path);
    else
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
    if (network) {
      const raingen::ensemble_file::NetworkReader reader(path);
      std::vector<float> depths(reader.layout().intervals);
      for (long k = 0; k < reader.layout().realizations; ++k) {
        reader.seed(k);
        for (long s = 0; s < reader.sites(); ++s)
          if (reader.complete(k, s)) reader.read(k, s, depths);
      }
    } else {
      const raingen::ensemble_file::EnsembleReader reader(path);
      std::vector<float> depths(reader.layout().intervals);
      for (long k = 0; k < reader.layout().realizations; ++k) {
        reader.seed(k);
        if (reader.complete(k)) reader.read(k, depths);
      }
    }
  } catch (const raingen::common::ToolError&) {
  }
  return 0;
}
