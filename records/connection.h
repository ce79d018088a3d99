// One connection: a unit connected to a file or device, and the buffers of its transfers.
//
// Reading goes through the bytes read ahead of the position, a byte or a run at a time
// (peek_byte, take_byte, bytes_ahead, take_bytes); writing gathers whole records in the pending
// output, which reaches the file when it fills and when the unit is closed, rewound or the run
// ends. The buffers are reached only through the functions here.
#pragma once

#include <sys/types.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "records/field_list.h"
#include "records/record_text.h"

namespace records {

inline constexpr int lowest_unit = -32767;
inline constexpr int highest_unit = 32767;
// The console: always there, never in the table, outside the range of unit numbers.
inline constexpr int console_unit = -32768;

inline constexpr int end_of_input = -1;   // what peek_byte gives at the end of the file
inline constexpr int input_failure = -2;  // what try_fill_input gives when the system read fails

// The size of a block read ahead, and of the pending output that is written at once; after a
// move a block starts at the smaller size and doubles.
inline constexpr std::size_t transfer_block_size = 64 * 1024;
inline constexpr std::size_t first_block_size_after_move = 4 * 1024;

enum class Device { file, null, console, error_stream };
enum class Access { read_write, read_only, write_only };

// Bytes read ahead of a connection's position: block[next .. end), of which block[0] lies at
// offset origin of a seekable file. In a seekable file the position (origin + next) is where
// the next transfer takes place, whatever the system's file position: blocks are read from it
// with pread, and while records are written it follows the writes.
class ReadAhead {
 public:
  bool holds_byte() const { return next_ < end_; }
  int byte() const { return static_cast<unsigned char>(block_[next_]); }  // when holds_byte
  std::string_view held() const { return {block_.get() + next_, end_ - next_}; }
  void take(std::size_t n) { next_ += n; }
  std::int64_t position() const { return origin_ + static_cast<std::int64_t>(next_); }

  // Reads the next block into the buffer: a seekable file's from the position, another's from
  // where the system stands. The count, 0 at the end of the file, -1 when the read fails.
  // After a move the blocks start small and grow: a move is usually followed by a line or two.
  long refill(int fd, bool seekable);
  // Forgets what is held; origin: the offset the next block starts at.
  void discard(std::int64_t origin);
  void discard() { discard(origin_); }
  // Moves the position to offset when the bytes held reach it; false otherwise.
  bool move_within(std::int64_t offset);
  void moved_to(std::int64_t offset);

 private:
  std::unique_ptr<char[]> block_;
  std::size_t next_ = 0;
  std::size_t end_ = 0;
  std::int64_t origin_ = 0;
  std::size_t next_block_size_ = transfer_block_size;
};

// Records written but not yet given to the system, each ended with CR LF, and after them the
// record a write statement is building, which becomes pending when it is ended: a file's record
// is built where it will be written from.
class PendingOutput {
 public:
  bool empty() const { return pending_ == 0; }
  std::size_t size() const { return pending_; }
  std::string_view bytes() const { return text_.view().substr(0, pending_); }
  // The pending records, then the characters of the record being built. Room for a block and
  // a page more (the record that fills it) is taken at once: growing by doubling would touch
  // about three times the memory.
  RecordText& text() {
    if (text_.capacity() == 0) text_.reserve(transfer_block_size + 4 * 1024);
    return text_;
  }
  void end_record() {
    std::memcpy(text_.extend(2), "\r\n", 2);
    pending_ = text_.size();
  }
  void drop_record() { text_.truncate(pending_); }
  void add_record(std::string_view record) {
    drop_record();
    text_.append(record);
    end_record();
  }
  // The pending records are gone (written, or dropped after a failed write).
  void clear() {
    text_.drop_front(pending_);
    pending_ = 0;
  }

 private:
  RecordText text_;
  std::size_t pending_ = 0;
};

// What statements on a connection keep between them, so that statement after statement reuses
// it: the field list last compiled for the connection (the next statement that hands over the
// same text keeps its entries) and the storage of the record a write statement builds.
class StatementStorage {
 public:
  const FieldList& field_list(const char* text, int length) {
    if (!list_) list_ = std::make_unique<FieldList>();
    if (!compiled_from(text, length, *list_)) compile_field_list(text, length, *list_);
    return *list_;
  }
  RecordText& record() { return record_; }

 private:
  std::unique_ptr<FieldList> list_;
  RecordText record_;
};

struct Connection {
  int unit = 0;
  std::string name;  // trimmed, as used to open the file
  int fd = -1;
  Device device = Device::file;
  Access access = Access::read_write;
  dev_t file_device = 0;  // identity of the file, to tell two names of one file apart
  ino_t file_inode = 0;
  bool write_mode = false;  // set once the file is cut at the write position, or created
  bool seekable = true;     // a regular file: it can be cut and moved to its start

  ReadAhead input;
  PendingOutput output;
  StatementStorage statements;
};

// Reading: the byte at the position (0..255) without taking it, or end_of_input.
int fill_input(Connection& c);      // refills the buffer; raises read_failed when the read fails
int try_fill_input(Connection& c);  // as fill_input, but input_failure instead of raising
inline int peek_byte(Connection& c) {
  if (c.input.holds_byte()) return c.input.byte();
  return fill_input(c);
}
inline void take_byte(Connection& c) { c.input.take(1); }  // only after peek_byte gave a byte
// The bytes read ahead from the position on (empty when none are held: peek_byte refills), and
// taking n of them.
inline std::string_view bytes_ahead(const Connection& c) { return c.input.held(); }
inline void take_bytes(Connection& c, std::size_t n) { c.input.take(n); }

// The offset of the next byte to read, in a seekable file.
inline std::int64_t read_position(const Connection& c) { return c.input.position(); }

namespace detail {

// Gives pending output to the system; false when the write fails (the output is dropped).
bool write_out(Connection& c);
// Moves the read position of a seekable file to offset, keeping what was read ahead when the
// offset lies within it. No system call: the next block is read from there.
void move_input(Connection& c, std::int64_t offset);
// Adds a record to a file's pending output, first cutting the file at the write position when
// the write-mode mark is not set; false when the cut or a write of a full buffer fails.
bool add_file_record(Connection& c, std::string_view record);
// The same for the record built in the pending output's text after the pending records; it is
// dropped when the cut fails.
bool end_file_record(Connection& c);
// Writes out what is pending and gives the system file back; false when either fails. Only
// write(2) and close(2): the end of a run may call it from a signal handler.
bool release(Connection& c);

}  // namespace detail
}  // namespace records
