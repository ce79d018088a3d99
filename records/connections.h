// File connections: numbered units connected to named files, devices or the console.
//
// A unit is connected once (connect_unit, or on its first use by a read or write statement) and
// then reached by number. Reading goes through the connection's input buffer a byte at a time
// (peek_byte / take_byte); writing appends whole records (write_record) to its output buffer,
// which reaches the file when it fills and when the unit is closed, rewound or the run ends.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace records {

inline constexpr int max_connections = 61;
inline constexpr std::size_t max_name_length = 259;
inline constexpr int lowest_unit = -32767;
inline constexpr int highest_unit = 32767;
// The console: always there, never in the table, outside the range of unit numbers.
inline constexpr int console_unit = -32768;

inline constexpr int end_of_input = -1;  // what peek_byte gives at the end of the file
inline constexpr int input_failure = -2;  // what try_fill_input gives when the system read fails

enum class Status { unknown, old };  // the default status is unknown
enum class Device { file, null, console, error_stream };
enum class Access { read_write, read_only, write_only };

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

  // Input read ahead of the position: bytes input[input_next .. input_end), of which input[0]
  // lies at offset input_origin of a seekable file.
  std::unique_ptr<char[]> input;
  std::size_t input_next = 0;
  std::size_t input_end = 0;
  std::int64_t input_origin = 0;
  bool input_at_end = false;  // the system has no more bytes for this connection
  bool input_moved = false;   // the position was moved: the next refill reads a small block

  // Records written but not yet given to the system.
  std::vector<char> output;
};

// Connects unit to the file of that name. A failure returns nonzero when report_failure is set
// and otherwise ends the run with the report of the statement (open). 0 on success. name_tried,
// when given, receives the name the connection tried: the trimmed name, or for a blank name the
// argument or console answer that replaced it ("" when none was found).
int connect_unit(int unit, std::string_view name, Status status, bool report_failure,
                 std::string* name_tried = nullptr);

bool file_exists(std::string_view name);
void rewind_unit(int unit);
void close_unit(int unit);
void close_all_units();
// Closes every unit as the end of a run does: never raises; gives the names of the files whose
// pending output could not be written or which could not be closed, in table order.
std::vector<std::string> close_all_units_noting_failures();

// The program's arguments, taken in order as names when a name is blank.
void set_command_line(int argc, char** argv);

// The connection a read or write statement works on: the console for console_unit, otherwise
// the unit's connection, connected on first use (status "OLD" for a read, default for a write).
// Prepares the connection for the direction (a read after a write writes out pending output).
Connection& unit_for_read(int unit);
Connection& unit_for_write(int unit);
// The connection of a unit, or nullptr when it is not connected.
Connection* find_unit(int unit);

// Reading: the byte at the position (0..255) without taking it, or end_of_input.
int fill_input(Connection& c);  // refills the buffer; raises 6500 when the system read fails
inline int peek_byte(Connection& c) {
  if (c.input_next < c.input_end) return static_cast<unsigned char>(c.input[c.input_next]);
  return fill_input(c);
}
int try_fill_input(Connection& c);  // as fill_input, but input_failure instead of raising
inline void take_byte(Connection& c) { ++c.input_next; }  // only after peek_byte gave a byte

// Reading out of order, in seekable files: the offset of the next byte to read, and moving the
// read position to an offset (one that read_position gave). Moving within the bytes already read
// ahead costs nothing; elsewhere the next refill reads only a small block, since a move is
// usually followed by a line or two. seek_unit writes out pending output and clears the
// write-mode mark, as rewinding does; a failure raises 6512 (rewind).
std::int64_t read_position(const Connection& c);
void seek_unit(int unit, std::int64_t offset);

// Writing: one record, without its line end. A file gets the record and CR LF (cut first at the
// write position if the write-mode mark is not set); the console shows it with carriage control;
// the null device drops it. Raises 6510 when the system write fails.
void write_record(Connection& c, std::string_view record);

// Trims a name as every operation that takes one does: at most 259 characters, blanks removed
// at both ends.
std::string_view trim_name(std::string_view name);

// Back to the state at program start, for tests: closes every unit, forgets the arguments.
void reset_connections();

}  // namespace records
