#include "netcdf/metadata_cache.h"

#include <hdf5.h>

#include <string>
#include <vector>

namespace raingen::netcdf {

namespace {

// The HDF5 files open at path: netCDF-C keeps its HDF5 identifiers to itself, so the file is found
// among the open ones by its name.
std::vector<hid_t> open_files_at(const std::filesystem::path& path) {
  const ssize_t count = H5Fget_obj_count(H5F_OBJ_ALL, H5F_OBJ_FILE);
  std::vector<hid_t> files(count > 0 ? static_cast<std::size_t>(count) : 0);
  const ssize_t found = H5Fget_obj_ids(H5F_OBJ_ALL, H5F_OBJ_FILE, files.size(), files.data());
  files.resize(found > 0 ? static_cast<std::size_t>(found) : 0);
  std::vector<hid_t> at_path;
  for (const hid_t file : files) {
    std::string name(4096, '\0');
    const ssize_t length = H5Fget_name(file, name.data(), name.size());
    if (length > 0 && static_cast<std::size_t>(length) < name.size() && name.substr(0, length) == path.string())
      at_path.push_back(file);
  }
  return at_path;
}

}  // namespace

void bound_metadata_cache(const std::filesystem::path& path) {
  for (const hid_t file : open_files_at(path)) {
    H5AC_cache_config_t config{};
    config.version = H5AC__CURR_CACHE_CONFIG_VERSION;
    if (H5Fget_mdc_config(file, &config) < 0) continue;
    config.set_initial_size = true;
    config.initial_size = metadata_cache_bytes;
    config.min_size = metadata_cache_bytes;
    config.max_size = metadata_cache_bytes;
    config.incr_mode = H5C_incr__off;
    config.flash_incr_mode = H5C_flash_incr__off;
    config.decr_mode = H5C_decr__off;
    config.evictions_enabled = true;
    H5Fset_mdc_config(file, &config);
  }
}

}  // namespace raingen::netcdf
