#include "netcdf/netcdf_file.h"

#include "common/tool_error.h"

namespace raingen::netcdf {

File::File(const std::filesystem::path& path, std::string shown_name)
    : shown_name_(std::move(shown_name)) {
  check(nc_create(path.c_str(), NC_CLOBBER | NC_NETCDF4 | NC_CLASSIC_MODEL, &id_), "create");
}

File::File(const std::filesystem::path& path, std::string shown_name, ForReading)
    : shown_name_(std::move(shown_name)), reading_(true) {
  check(nc_open(path.c_str(), NC_NOWRITE, &id_), "open");
}

File::~File() {
  if (id_ >= 0) nc_close(id_);
}

void File::check(int status, const char* doing) const {
  if (status != NC_NOERR)
    throw common::ToolError(shown_name_, 0,
                           std::string(reading_ ? "cannot be read: " : "cannot be written: ") + doing + ": " +
                               nc_strerror(status));
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

void File::compress(int variable, int deflate_level, std::span<const std::size_t> chunk, bool shuffle) {
  check(nc_def_var_chunking(id_, variable, NC_CHUNKED, chunk.data()), "chunking");
  check(nc_def_var_deflate(id_, variable, shuffle ? 1 : 0, 1, deflate_level), "compression");
  // Chunks are written whole and in order, so one chunk in the cache is all a writer needs; the
  // library's default cache would hold megabytes of finished chunks.
  check(nc_set_var_chunk_cache(id_, variable, 1 << 20, 11, 1.0f), "chunk cache");
  check(nc_def_var_fill(id_, variable, 1, nullptr), "fill");
}

void File::end_definitions() { check(nc_enddef(id_), "definitions"); }

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

void File::close() {
  const int id = id_;
  id_ = -1;
  check(nc_close(id), "close");
}

}  // namespace raingen::netcdf
