// File connections: the table of numbered units connected to named files, devices or the
// console, and the operations on it.
//
// A unit is connected once (connect_unit, or on its first use by a read or write statement) and
// then reached by number. A connection's own transfers are in connection.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "records/connection.h"

namespace records {

inline constexpr int max_connections = 61;
inline constexpr std::size_t max_name_length = 259;

enum class Status { unknown, old };  // the default status is unknown

// Connects unit to the file of that name; 0 on success. A failure returns its error number when
// return_failure is set, and otherwise ends the run with the report of the statement (open).
// name_tried, when given, receives the name the connection tried: the trimmed name, or for a
// blank name the argument or console answer that replaced it ("" when none was found).
int connect_unit(int unit, std::string_view name, Status status, bool return_failure,
                 std::string* name_tried = nullptr);

bool file_exists(std::string_view name);
void rewind_unit(int unit);
void close_unit(int unit);
void close_all_units();

// The end of a run: writes out and closes every connected unit in table order, never raising
// and using only write(2) and close(2) (a signal handler may call it). The connections stay in
// the table, since the process ends next. Puts the connections that failed into failed (room
// for max_connections) and returns their count.
int release_all_units(const Connection* failed[]);

// The program's arguments, taken in order as names when a name is blank.
void set_command_line(int argc, char** argv);

// The connection a read or write statement works on: the console for console_unit, otherwise
// the unit's connection, connected on first use (status "OLD" for a read, default for a write).
// Prepares the connection for the direction (a read after a write writes out pending output).
Connection& unit_for_read(int unit);
inline Connection& unit_for_write(int unit);
// The connection of a unit, or nullptr when it is not connected.
Connection* find_unit(int unit);

// Moving the read position of a seekable file to an offset that read_position gave. Moving
// within the bytes already read ahead costs nothing. Pending output is written out and the
// write-mode mark cleared first, as rewinding does; a failure raises rewind_failed.
void seek_unit(int unit, std::int64_t offset);

// Writing: one record, without its line end. A file gets the record and CR LF (cut first at the
// write position if the write-mode mark is not set); the console shows it with carriage control;
// standard error gets it at once with CR LF; the null device drops it. Raises write_failed when
// the system write fails.
void write_record(Connection& c, std::string_view record);

// Trims a name as every operation that takes one does: at most 259 characters, blanks removed
// at both ends.
std::string_view trim_name(std::string_view name);

// Back to the state at program start, for tests: closes every unit, forgets the arguments.
void reset_connections();

namespace detail {

// The connections of the two units used last, so that statement after statement on a unit or
// two (the rows go to the results file and SOURCE.OUT in turn) finds them without a search.
// Forgotten whenever a place of the connection table changes; the console is never among them.
class RecentUnits {
 public:
  Connection* find(int unit) const {
    for (Connection* c : recent_)
      if (c && c->unit == unit) return c;
    return nullptr;
  }
  void note(Connection* c) {
    if (recent_[0] != c) {
      recent_[1] = recent_[0];
      recent_[0] = c;
    }
  }
  void forget() { recent_[0] = recent_[1] = nullptr; }

 private:
  Connection* recent_[2] = {};
};

inline RecentUnits recent_units;

Connection& unit_for_write_not_recent(int unit);

}  // namespace detail

inline Connection& unit_for_write(int unit) {
  if (Connection* c = detail::recent_units.find(unit)) return *c;
  return detail::unit_for_write_not_recent(unit);
}

}  // namespace records
