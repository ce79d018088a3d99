#include "support/crafted_ensemble.h"

#include <netcdf.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace testing_support {

namespace {

void check(int status) {
  if (status != NC_NOERR) throw std::runtime_error(nc_strerror(status));
}

int dimension(int id, const char* name, std::size_t length) {
  int found = -1;
  if (nc_inq_dimid(id, name, &found) == NC_NOERR) return found;
  check(nc_def_dim(id, name, length, &found));
  return found;
}

// Chunked, so that a file that declares huge dimensions stays as small as what is written.
int variable(int id, const char* name, nc_type type, std::vector<int> dimensions) {
  int found = -1;
  check(nc_def_var(id, name, type, static_cast<int>(dimensions.size()), dimensions.data(), &found));
  if (dimensions.empty()) return found;
  std::vector<std::size_t> chunks;
  for (int d : dimensions) {
    std::size_t length = 0;
    check(nc_inq_dimlen(id, d, &length));
    chunks.push_back(std::max<std::size_t>(1, std::min<std::size_t>(length, 96)));
  }
  check(nc_def_var_chunking(id, found, NC_CHUNKED, chunks.data()));
  return found;
}

}  // namespace

void write_crafted_ensemble(const std::filesystem::path& path, const CraftedEnsemble& c) {
  int id = -1;
  check(nc_create(path.c_str(), NC_CLOBBER | NC_NETCDF4 | NC_CLASSIC_MODEL, &id));
  const int time = dimension(id, "time", c.intervals), realization = dimension(id, "realization", c.realizations);
  const int site = c.network ? dimension(id, "site", c.sites) : -1;
  const int strlen = dimension(id, "name_strlen", c.name_length);
  const int time_var = variable(id, "time", NC_DOUBLE, {time});
  const std::string units = "minutes since 2001-01-01 00:00:00";
  check(nc_put_att_text(id, time_var, "units", units.size(), units.data()));
  const int number = variable(id, "realization", NC_INT, {realization});
  const int seed = variable(id, "seed", NC_INT, {dimension(id, c.seed_over.c_str(), 7)});
  std::vector<int> over{realization};
  if (c.network) over.push_back(site);
  const int status = variable(id, "status", NC_BYTE, over);
  over.insert(over.begin(), time);
  const int rainfall = variable(id, "rainfall", NC_FLOAT, over);
  check(nc_put_att_text(id, rainfall, "units", 2, "mm"));
  int name = -1, lat = -1, lon = -1;
  if (c.network) {
    const int rows = c.name_rows ? dimension(id, "rows", c.name_rows) : site;
    name = variable(id, "site_name", NC_CHAR, {rows, strlen});
    lat = variable(id, "lat", NC_DOUBLE, {site});
    lon = variable(id, "lon", NC_DOUBLE, {site});
  } else {
    name = variable(id, "station_name", NC_CHAR, {strlen});
  }
  check(nc_enddef(id));
  std::vector<double> times;
  for (std::size_t k = 0; k < c.intervals; ++k) times.push_back(15.0 * static_cast<double>(k) + 7.5);
  check(nc_put_var_double(id, time_var, times.data()));
  std::vector<int> numbers, seeds;
  for (std::size_t r = 0; r < std::min<std::size_t>(c.realizations, 16); ++r) {
    numbers.push_back(static_cast<int>(r + 1));
    const std::size_t at = r;
    check(nc_put_var1_int(id, number, &at, &numbers.back()));
    check(nc_put_var1_int(id, seed, &at, &numbers.back()));
    for (std::size_t s = 0; s < (c.network ? std::min<std::size_t>(c.sites, 16) : 1); ++s) {
      const std::size_t where[2] = {r, s};
      const signed char complete = 0;
      check(nc_put_var1_schar(id, status, where, &complete));
      std::vector<float> depths(c.intervals, 0.0f);
      if (r == 0 && s == 0 && c.odd_depth != 0 && depths.size() > 2) depths[2] = c.odd_depth;
      const std::size_t start[3] = {0, r, s}, count[3] = {c.intervals, 1, 1};
      check(nc_put_vara_float(id, rainfall, start, count, depths.data()));
    }
  }
  if (!c.network) {
    const std::string text(c.name_length, 'A');
    check(nc_put_var_text(id, name, text.data()));
  }
  for (std::size_t s = 0; c.network && !c.name_rows && s < std::min<std::size_t>(c.sites, 16); ++s) {
    std::string text = "S" + std::to_string(s + 1);
    text.resize(c.name_length, '\0');
    const std::size_t start[2] = {s, 0}, count[2] = {1, c.name_length};
    const double a = -2.5 - 0.01 * static_cast<double>(s), b = -79.2;
    check(nc_put_vara_text(id, name, start, count, text.data()));
    check(nc_put_var1_double(id, lat, &s, &a));
    check(nc_put_var1_double(id, lon, &s, &b));
  }
  check(nc_close(id));
}

}  // namespace testing_support
