// Transfers through a connection's buffers: reading ahead into the input buffer, gathering
// records in the output buffer, and cutting a file where writing starts.
#include "records/connection.h"

#include <fcntl.h>
#include <unistd.h>

#include "records/errors.h"
#include "records/raise.h"
#include "records/system_io.h"

namespace records {
namespace {

// Cuts the file at the position of the next record, where writing starts; the fd then stands
// there and the input read ahead is forgotten.
bool cut_at_position(Connection& c) {
  if (c.access == Access::read_only) return false;
  if (c.seekable) {
    const auto at = static_cast<off_t>(c.input.position());
    if (::ftruncate(c.fd, at) != 0 || ::lseek(c.fd, at, SEEK_SET) < 0) return false;
    c.input.discard(at);
  } else {
    c.input.discard();
  }
  c.write_mode = true;
  return true;
}

}  // namespace

long ReadAhead::refill(int fd, bool seekable) {
  if (!block_) block_ = std::make_unique_for_overwrite<char[]>(transfer_block_size);
  origin_ = position();
  next_ = end_ = 0;
  const std::size_t block = next_block_size_;
  next_block_size_ = std::min(2 * block, transfer_block_size);
  long n = seekable ? read_some_at(fd, block_.get(), block, origin_) : read_some(fd, block_.get(), block);
  if (n > 0) end_ = static_cast<std::size_t>(n);
  return n;
}

void ReadAhead::discard(std::int64_t origin) {
  next_ = end_ = 0;
  origin_ = origin;
}

void ReadAhead::moved_to(std::int64_t offset) {
  discard(offset);
  next_block_size_ = first_block_size_after_move;
}

bool ReadAhead::move_within(std::int64_t offset) {
  if (end_ == 0 || offset < origin_ || offset > origin_ + static_cast<std::int64_t>(end_)) return false;
  next_ = static_cast<std::size_t>(offset - origin_);
  return true;
}

namespace detail {

// Pending output exists only while records are written, when nothing is held read ahead: the
// position moves on with the bytes written.
bool write_out(Connection& c) {
  if (c.output.empty()) return true;
  bool ok = write_all(c.fd, c.output.bytes());
  if (ok) c.input.discard(c.input.position() + static_cast<std::int64_t>(c.output.size()));
  c.output.clear();
  return ok;
}

void move_input(Connection& c, std::int64_t offset) {
  if (!c.input.move_within(offset)) c.input.moved_to(offset);
}

bool add_file_record(Connection& c, std::string_view record) {
  c.output.drop_record();
  c.output.text().append(record);
  return end_file_record(c);
}

bool end_file_record(Connection& c) {
  if (!c.write_mode && !cut_at_position(c)) {
    c.output.drop_record();
    return false;
  }
  c.output.end_record();
  return c.output.size() < transfer_block_size || write_out(c);
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
  if (c.input.holds_byte()) return c.input.byte();
  if (c.device == Device::null || c.fd < 0) return end_of_input;
  long n = c.input.refill(c.fd, c.seekable);
  if (n < 0) return input_failure;
  if (n == 0) return end_of_input;
  return c.input.byte();
}

int fill_input(Connection& c) {
  int byte = try_fill_input(c);
  if (byte == input_failure) raise_error(error::read_failed, Statement::read, c.name);
  return byte;
}

}  // namespace records
