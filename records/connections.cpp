// The table of connections: connecting units to files and devices, first use, existence tests,
// rewinding, closing, and handing a record to the device of its connection.
#include "records/connections.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "records/connection_parts.h"
#include "records/console.h"
#include "records/errors.h"
#include "records/raise.h"
#include "records/system_io.h"

namespace records {
namespace {

using detail::DeviceName;

std::array<std::unique_ptr<Connection>, max_connections> table;

std::unique_ptr<Connection>* place_of(int unit) {
  for (auto& place : table)
    if (place && place->unit == unit) return &place;
  return nullptr;
}

std::unique_ptr<Connection>* free_place() {
  for (auto& place : table)
    if (!place) return &place;
  return nullptr;
}

// What a connection would reach; a disk file is open (fd) unless it is still to be created.
struct Target {
  Device device = Device::file;
  int fd = -1;
  Access access = Access::read_write;
  struct stat info {};

  bool to_create() const { return device == Device::file && fd < 0; }
  void drop() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
};

// Files by identity, so that two names of one file are one file; the console and standard error
// are one each; the null device may serve any number of units.
bool same_target(const Connection& c, const Target& t) {
  if (c.device != t.device) return false;
  if (t.device == Device::file) return c.file_device == t.info.st_dev && c.file_inode == t.info.st_ino;
  return t.device != Device::null;
}

int failure_number(int system_error) {
  return system_error == ENOENT || system_error == ENOTDIR ? error::file_not_found : error::open_refused;
}

// Opens an existing file read-write, else read-only, else write-only. Without O_NONBLOCK a FIFO
// with no writer would hang the open.
int open_existing(const std::string& name, Target& t) {
  static constexpr struct {
    int flags;
    Access access;
  } tries[] = {{O_RDWR, Access::read_write}, {O_RDONLY, Access::read_only}, {O_WRONLY, Access::write_only}};
  for (const auto& attempt : tries) {
    t.fd = ::open(name.c_str(), attempt.flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (t.fd >= 0) {
      t.access = attempt.access;
      return 0;
    }
    if (errno == ENOENT || errno == ENOTDIR) break;
  }
  return failure_number(errno);
}

// Opens the disk file of the name; a missing file under status unknown is left to be created.
int open_file(const std::string& name, Status status, Target& t) {
  if (int failure = open_existing(name, t)) {
    return failure == error::file_not_found && status == Status::unknown ? 0 : failure;
  }
  int flags = ::fcntl(t.fd, F_GETFL);
  if (::fstat(t.fd, &t.info) != 0 || S_ISDIR(t.info.st_mode) || flags < 0 ||
      ::fcntl(t.fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    t.drop();
    return error::open_refused;
  }
  return 0;
}

int create_file(const std::string& name, Target& t) {
  t.fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
  t.access = Access::read_write;
  if (t.fd < 0) {
    t.fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
    t.access = Access::write_only;
  }
  if (t.fd < 0) return failure_number(errno);
  if (::fstat(t.fd, &t.info) != 0) {
    t.drop();
    return error::open_refused;
  }
  return 0;
}

int find_target(const std::string& name, Status status, Target& t) {
  switch (detail::device_of(name)) {
    case DeviceName::console: t.device = Device::console; return 0;
    case DeviceName::error_stream: t.device = Device::error_stream; return 0;
    case DeviceName::null: t.device = Device::null; return 0;
    case DeviceName::absent: return error::open_refused;
    case DeviceName::none: break;
  }
  return open_file(name, status, t);
}

std::unique_ptr<Connection> make_connection(int unit, const std::string& name, const Target& t, bool created) {
  auto c = std::make_unique<Connection>();
  c->unit = unit;
  c->name = name;
  c->device = t.device;
  c->fd = t.device == Device::file ? t.fd : t.device == Device::error_stream ? 2 : -1;
  c->access = t.access;
  c->file_device = t.info.st_dev;
  c->file_inode = t.info.st_ino;
  c->write_mode = created;
  c->seekable = t.device == Device::file && S_ISREG(t.info.st_mode);
  return c;
}

// Connects unit; 0 or the error number of the cause. name is the name tried ("" when none).
int connect(int unit, std::string_view given, Status status, std::string& name) {
  if (unit < lowest_unit || unit > highest_unit) return error::unit_out_of_range;
  name = trim_name(given);
  if (name.empty() && !detail::find_blank_name(unit, name)) {
    name.clear();
    return error::no_file_name;
  }
  Target t;
  if (int failure = find_target(name, status, t)) return failure;
  if (!t.to_create()) {
    for (const auto& place : table) {
      if (!place || !same_target(*place, t)) continue;
      t.drop();
      return place->unit == unit ? 0 : error::connected_elsewhere;  // same unit: left as it is
    }
  }
  if (place_of(unit)) close_unit(unit);
  auto* place = free_place();
  if (!place) {
    t.drop();
    return error::too_many_connections;
  }
  bool created = t.to_create();
  if (created)
    if (int failure = create_file(name, t)) return failure;
  detail::recent_units.forget();
  *place = make_connection(unit, name, t, created);
  return 0;
}

// A unit used by a read or write before any connection: connected with a blank name.
Connection& connected_for_use(int unit, Status status, Statement statement) {
  if (Connection* c = detail::recent_units.find(unit)) return *c;
  auto* place = place_of(unit);
  if (!place) {
    std::string name;
    if (int failure = connect(unit, "", status, name)) raise_error(failure, statement, name);
    place = place_of(unit);
  }
  detail::recent_units.note(place->get());
  return **place;
}

}  // namespace

int connect_unit(int unit, std::string_view name, Status status, bool return_failure, std::string* name_tried) {
  std::string used_name;
  int failure = connect(unit, name, status, used_name);
  if (name_tried) *name_tried = used_name;
  if (failure && !return_failure) raise_error(failure, Statement::open, used_name);
  return failure;
}

bool file_exists(std::string_view given) {
  std::string name(trim_name(given));
  if (name.empty()) return false;
  for (const auto& place : table)
    if (place && place->name == name) return true;
  struct stat info;
  if (::stat(name.c_str(), &info) == 0) return true;
  return detail::device_of(name) != DeviceName::none;
}

namespace {

// Rewinding and seeking: pending output goes to the file first, and the next write cuts the
// file again where it then stands.
void move_read_position(Connection& c, std::int64_t offset) {
  bool ok = detail::write_out(c);
  if (c.seekable) {
    detail::move_input(c, offset);
  } else {
    c.input.discard();
  }
  c.write_mode = false;
  if (!ok) raise_error(error::rewind_failed, Statement::rewind, c.name);
}

}  // namespace

void rewind_unit(int unit) {
  Connection* c = find_unit(unit);
  if (!c || c->device != Device::file) return;
  move_read_position(*c, 0);
}

void seek_unit(int unit, std::int64_t offset) {
  Connection* c = find_unit(unit);
  if (!c || c->device != Device::file || !c->seekable) return;
  move_read_position(*c, offset);
}

void close_unit(int unit) {
  auto* place = place_of(unit);
  if (!place) return;
  // The place is free before anything can fail, so the end of the run does not try again.
  detail::recent_units.forget();
  std::unique_ptr<Connection> c = std::move(*place);
  if (!detail::release(*c)) raise_error(error::close_failed, Statement::close, c->name);
}

void close_all_units() {
  for (auto& place : table)
    if (place) close_unit(place->unit);
}

int release_all_units(const Connection* failed[]) {
  int count = 0;
  for (const auto& place : table)
    if (place && !detail::release(*place)) failed[count++] = place.get();
  return count;
}

Connection* find_unit(int unit) {
  auto* place = place_of(unit);
  return place ? place->get() : nullptr;
}

Connection& unit_for_read(int unit) {
  if (unit == console_unit) return console::input_connection();
  Connection& c = connected_for_use(unit, Status::old, Statement::read);
  if (c.device == Device::console) return console::input_connection();
  if (!detail::write_out(c)) raise_error(error::write_failed, Statement::read, c.name);
  c.write_mode = false;
  return c;
}

namespace detail {

Connection& unit_for_write_not_recent(int unit) {
  if (unit == console_unit) return console::input_connection();
  return connected_for_use(unit, Status::unknown, Statement::write);
}

}  // namespace detail

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
  if (!detail::add_file_record(c, record)) raise_error(error::write_failed, Statement::write, c.name);
}

void reset_connections() {
  detail::recent_units.forget();
  for (auto& place : table) {
    if (!place) continue;
    std::unique_ptr<Connection> c = std::move(place);
    detail::release(*c);
  }
  detail::forget_command_line();
}

}  // namespace records
