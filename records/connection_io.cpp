// Transfers through a connection's buffers: reading ahead into the input buffer, gathering
// records in the output buffer, and cutting a file where writing starts.
#include <fcntl.h>
#include <unistd.h>

#include "records/connection_parts.h"
#include "records/console.h"
#include "records/run_end.h"
#include "records/system_io.h"

namespace records {
namespace {

constexpr std::size_t buffer_size = 64 * 1024;
constexpr std::size_t moved_block_size = 4 * 1024;

// Cuts the file at the position of the next record, where writing starts; the fd then stands
// there and the input read ahead is forgotten.
bool cut_at_position(Connection& c) {
  if (c.access == Access::read_only) return false;
  if (c.seekable) {
    off_t at = ::lseek(c.fd, 0, SEEK_CUR);
    if (at < 0) return false;
    at -= static_cast<off_t>(c.input_end - c.input_next);
    if (::ftruncate(c.fd, at) != 0 || ::lseek(c.fd, at, SEEK_SET) < 0) return false;
    c.input_origin = at;
  }
  detail::discard_input(c);
  c.write_mode = true;
  return true;
}

}  // namespace

namespace detail {

bool write_out(Connection& c) {
  if (c.output.empty()) return true;
  bool ok = write_all(c.fd, std::string_view(c.output.data(), c.output.size()));
  c.output.clear();
  return ok;
}

void discard_input(Connection& c) {
  c.input_next = c.input_end = 0;
  c.input_at_end = false;
}

bool move_input(Connection& c, std::int64_t offset) {
  if (offset >= c.input_origin && offset <= c.input_origin + static_cast<std::int64_t>(c.input_end) &&
      c.input_end > 0) {
    c.input_next = static_cast<std::size_t>(offset - c.input_origin);
    c.input_at_end = false;
    return true;
  }
  if (::lseek(c.fd, static_cast<off_t>(offset), SEEK_SET) < 0) return false;
  c.input_next = c.input_end = 0;
  c.input_origin = offset;
  c.input_at_end = false;
  c.input_moved = true;
  return true;
}

bool release(Connection& c) {
  bool ok = write_out(c);
  if (c.device == Device::file && ::close(c.fd) != 0) ok = false;
  return ok;
}

}  // namespace detail

// A read after a write gives the written records to the system first; the next write then cuts
// the file again at its position.
int try_fill_input(Connection& c) {
  if (!detail::write_out(c)) return input_failure;
  c.write_mode = false;
  if (c.input_next < c.input_end) return static_cast<unsigned char>(c.input[c.input_next]);
  if (c.device == Device::null || c.fd < 0) {
    c.input_at_end = true;
    return end_of_input;
  }
  if (!c.input) c.input = std::make_unique<char[]>(buffer_size);
  if (c.seekable) {
    // Where this block comes from; written records may have moved the file on since the last.
    off_t at = ::lseek(c.fd, 0, SEEK_CUR);
    if (at < 0) return input_failure;
    c.input_origin = at;
  }
  c.input_next = c.input_end = 0;
  const std::size_t block = c.input_moved ? moved_block_size : buffer_size;
  c.input_moved = false;
  long n = read_some(c.fd, c.input.get(), block);
  if (n < 0) return input_failure;
  c.input_at_end = n == 0;
  if (n == 0) return end_of_input;
  c.input_end = static_cast<std::size_t>(n);
  return static_cast<unsigned char>(c.input[0]);
}

std::int64_t read_position(const Connection& c) {
  return c.input_origin + static_cast<std::int64_t>(c.input_next);
}

int fill_input(Connection& c) {
  int byte = try_fill_input(c);
  if (byte == input_failure) raise_error(error::read_failed, Statement::read, c.name);
  return byte;
}

void write_record(Connection& c, std::string_view record) {
  switch (c.device) {
    case Device::null: return;
    case Device::console: console::show_record(record); return;
    case Device::error_stream: {
      std::string line(record);
      line += "\r\n";
      if (!write_all(c.fd, line)) raise_error(error::write_failed, Statement::write, c.name);
      return;
    }
    case Device::file: break;
  }
  if (!c.write_mode && !cut_at_position(c))
    raise_error(error::write_failed, Statement::write, c.name);
  c.output.insert(c.output.end(), record.begin(), record.end());
  c.output.push_back('\r');
  c.output.push_back('\n');
  if (c.output.size() >= buffer_size && !detail::write_out(c))
    raise_error(error::write_failed, Statement::write, c.name);
}

}  // namespace records
