#include "netcdf/netcdf_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <iostream>

#include "common/tool_error.h"
#include "netcdf/metadata_cache.h"

namespace raingen::netcdf {

namespace {

bool a_close_failed = false;

// What an HDF error means here. The HDF5 library keeps the system's reason to itself, but leaves
// it in errno, which check() clears after every call that succeeds.
std::string reason_of(int status, bool reading, int system_error) {
  if (status != NC_EHDFERR) return nc_strerror(status);
  if (reading)
    return std::string("its stored data fail their checksum or do not decompress: the file is damaged (") +
           nc_strerror(status) + ")";
  if (system_error != 0) return std::string(std::strerror(system_error)) + " (" + nc_strerror(status) + ")";
  return nc_strerror(status);
}

}  // namespace

File::File(const std::filesystem::path& path, std::string shown_name) : shown_name_(std::move(shown_name)) {
  errno = 0;
  check(nc_create(path.c_str(), NC_CLOBBER | NC_NETCDF4 | NC_CLASSIC_MODEL, &id_), "create");
  bound_metadata_cache(path);
}

File::File(const std::filesystem::path& path, std::string shown_name, ForReading)
    : shown_name_(std::move(shown_name)), reading_(true) {
  errno = 0;
  const int status = nc_open(path.c_str(), NC_NOWRITE, &id_);
  // A file that opens no further than its HDF5 signature is cut short or damaged; it holds no
  // data a checksum could speak of.
  if (status == NC_EHDFERR)
    throw common::ToolError(shown_name_, 0,
                            std::string("cannot be read: the HDF5 library cannot read its structure: the file is cut "
                                        "short or damaged (") +
                                nc_strerror(status) + ")");
  check(status, "open");
  bound_metadata_cache(path);
  std::error_code ignored;
  size_ = std::filesystem::file_size(path, ignored);
  if (ignored) size_ = 0;
}

File::~File() {
  if (id_ >= 0 && nc_close(id_) != NC_NOERR) a_close_failed = true;
}

void File::check(int status, const char* doing) const {
  const int system_error = errno;
  if (status == NC_NOERR) {
    errno = 0;
    return;
  }
  throw common::ToolError(shown_name_, 0,
                          std::string(reading_ ? "cannot be read: " : "cannot be written: ") + doing + ": " +
                              reason_of(status, reading_, system_error));
}

int File::define_dimension(const char* name, std::size_t length) {
  int dimension = -1;
  check(nc_def_dim(id_, name, length == 0 ? NC_UNLIMITED : length, &dimension), name);
  return dimension;
}

int File::define_variable(const char* name, nc_type type, std::span<const int> dimensions) {
  int variable = -1;
  check(nc_def_var(id_, name, type, static_cast<int>(dimensions.size()), dimensions.data(), &variable), name);
  return variable;
}

void File::put_text(int variable, const char* name, std::string_view text) {
  check(nc_put_att_text(id_, variable, name, text.size(), text.data()), name);
}

void File::put_numbers(int variable, const char* name, nc_type type, std::span<const double> values) {
  check(nc_put_att_double(id_, variable, name, type, values.size(), values.data()), name);
}

void File::compress(int variable, int deflate_level, std::span<const std::size_t> chunk, bool shuffle) {
  check(nc_def_var_chunking(id_, variable, NC_CHUNKED, chunk.data()), "chunking");
  check(nc_def_var_deflate(id_, variable, shuffle ? 1 : 0, 1, deflate_level), "compression");
  // Chunks are written whole and in order, so one chunk in the cache is all a writer needs; the
  // library's default cache would hold megabytes of finished chunks.
  check(nc_set_var_chunk_cache(id_, variable, 1 << 20, 11, 1.0f), "chunk cache");
  check(nc_def_var_fill(id_, variable, 1, nullptr), "fill");
}

void File::checksum(int variable, std::span<const std::size_t> chunk) {
  check(nc_def_var_chunking(id_, variable, NC_CHUNKED, chunk.data()), "chunking");
  check(nc_def_var_fletcher32(id_, variable, NC_FLETCHER32), "checksum");
}

void File::end_definitions() { check(nc_enddef(id_), "definitions"); }

void File::read_in_order(int variable) const {
  check(nc_set_var_chunk_cache(id_, variable, 1 << 20, 521, 1.0f), "chunk cache");
}

std::optional<std::size_t> File::dimension_length(const char* name) const {
  int dimension = -1;
  if (nc_inq_dimid(id_, name, &dimension) != NC_NOERR) return std::nullopt;
  std::size_t length = 0;
  check(nc_inq_dimlen(id_, dimension, &length), name);
  return length;
}

std::optional<int> File::find_variable(const char* name) const {
  int variable = -1;
  if (nc_inq_varid(id_, name, &variable) != NC_NOERR) return std::nullopt;
  return variable;
}

std::optional<std::string> File::text_attribute(int variable, const char* name) const {
  nc_type type = NC_NAT;
  std::size_t length = 0;
  if (nc_inq_att(id_, variable, name, &type, &length) != NC_NOERR || type != NC_CHAR) return std::nullopt;
  std::string text(length, '\0');
  check(nc_get_att_text(id_, variable, name, text.data()), name);
  return text;
}

bool File::has_attribute(int variable, const char* name) const {
  int number = -1;
  return nc_inq_attid(id_, variable, name, &number) == NC_NOERR;
}

std::optional<long long> File::integer_attribute(int variable, const char* name) const {
  nc_type type = NC_NAT;
  std::size_t length = 0;
  if (nc_inq_att(id_, variable, name, &type, &length) != NC_NOERR || length != 1) return std::nullopt;
  if (type != NC_BYTE && type != NC_SHORT && type != NC_INT && type != NC_INT64) return std::nullopt;
  long long value = 0;
  check(nc_get_att_longlong(id_, variable, name, &value), name);
  return value;
}

std::vector<std::string> File::dimension_names(int variable) const {
  int count = 0;
  check(nc_inq_varndims(id_, variable, &count), "dimensions");
  std::vector<int> dimensions(static_cast<std::size_t>(count));
  check(nc_inq_vardimid(id_, variable, dimensions.data()), "dimensions");
  std::vector<std::string> names;
  for (int dimension : dimensions) {
    char name[NC_MAX_NAME + 1] = {};
    check(nc_inq_dimname(id_, dimension, name), "dimensions");
    names.emplace_back(name);
  }
  return names;
}

nc_type File::type_of(int variable) const {
  nc_type type = NC_NAT;
  check(nc_inq_vartype(id_, variable, &type), "type");
  return type;
}

namespace {

const char* type_name(nc_type type) {
  switch (type) {
    case NC_BYTE: return "byte";
    case NC_CHAR: return "char";
    case NC_SHORT: return "short";
    case NC_INT: return "int";
    case NC_FLOAT: return "float";
    case NC_DOUBLE: return "double";
    default: return "of another type";
  }
}

template <typename Names>
std::string shape_text(nc_type type, const Names& dimensions) {
  std::string text = type_name(type);
  if (dimensions.empty()) return text + " (a scalar)";
  text += " over (";
  for (std::size_t k = 0; k < dimensions.size(); ++k) text += (k ? ", " : "") + std::string(dimensions[k]);
  return text + ")";
}

}  // namespace

std::optional<std::string> File::shape_fault(int variable, nc_type type,
                                             std::span<const std::string_view> dimensions) const {
  const nc_type found_type = type_of(variable);
  const std::vector<std::string> found = dimension_names(variable);
  if (found_type == type && std::equal(found.begin(), found.end(), dimensions.begin(), dimensions.end()))
    return std::nullopt;
  return "is " + shape_text(found_type, found) + ", not " + shape_text(type, dimensions);
}

void File::close() {
  const int id = id_;
  id_ = -1;
  const int status = nc_close(id);
  if (status != NC_NOERR) a_close_failed = true;
  check(status, "close");
}

int exit_status_after_files(int status) {
  if (!a_close_failed) return status;
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  std::_Exit(status);
}

}  // namespace raingen::netcdf
