// The table of connections: units connected to files and devices, and the transfers through
// their buffers.
#include "records/connections.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cctype>

#include "records/console.h"
#include "records/run_end.h"
#include "records/system_io.h"

namespace records {
namespace {

constexpr std::size_t buffer_size = 64 * 1024;
constexpr std::size_t prompt_answer_length = 260;

std::array<std::unique_ptr<Connection>, max_connections> table;
std::vector<std::string> arguments;
std::size_t next_argument = 0;

// ---- Names ----

bool same_letters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != b[i]) return false;
  return true;
}

enum class DeviceName { none, console, error_stream, null, absent };

// The device a name reaches: the part before its last "." decides, and some device names only
// count without an extension.
DeviceName device_of(std::string_view name) {
  std::size_t dot = name.rfind('.');
  bool extension = dot != std::string_view::npos;
  std::string_view base = extension ? name.substr(0, dot) : name;
  if (same_letters(base, "CON")) return DeviceName::console;
  if (same_letters(base, "NUL")) return DeviceName::null;
  if (!extension && same_letters(base, "USER")) return DeviceName::console;
  if (!extension && same_letters(base, "ERR")) return DeviceName::error_stream;
  if (!extension && same_letters(base, "LINE")) return DeviceName::absent;
  for (std::string_view other : {"AUX", "PRN", "COM1", "COM2", "COM3", "COM4", "LPT1", "LPT2",
                                 "LPT3", "LPT4"})
    if (same_letters(base, other)) return DeviceName::absent;
  return DeviceName::none;
}

// ---- The table ----

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

bool same_target(const Connection& c, Device device, dev_t dev, ino_t ino) {
  if (c.device != device) return false;
  if (device == Device::file) return c.file_device == dev && c.file_inode == ino;
  return device != Device::null;  // the console and standard error are one each; NUL is shared
}

// ---- Transfers ----

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

// Writes out what is pending and gives the system file back. False when either fails.
bool release(Connection& c) {
  bool ok = write_out(c);
  if (c.device == Device::file && ::close(c.fd) != 0) ok = false;
  return ok;
}

// Cuts the file at the position of the next record, where writing starts.
bool cut_at_position(Connection& c) {
  if (c.seekable) {
    off_t at = ::lseek(c.fd, 0, SEEK_CUR);
    if (at < 0) return false;
    at -= static_cast<off_t>(c.input_end - c.input_next);
    if (::ftruncate(c.fd, at) != 0 || ::lseek(c.fd, at, SEEK_SET) < 0) return false;
  }
  discard_input(c);
  c.write_mode = true;
  return true;
}

// A read after a write: what was written goes first, and the next write cuts again.
void turn_to_reading(Connection& c, Statement statement) {
  if (!write_out(c)) raise_error(error::write_failed, statement, c.name);
  c.write_mode = false;
}

// ---- Opening ----

// Opens an existing file, read-write, else read-only, else write-only. -1 with errno set when
// every access is refused.
int open_existing(const std::string& name, Access& access) {
  static constexpr struct {
    int flags;
    Access access;
  } tries[] = {{O_RDWR, Access::read_write}, {O_RDONLY, Access::read_only},
               {O_WRONLY, Access::write_only}};
  for (const auto& t : tries) {
    int fd = ::open(name.c_str(), t.flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd >= 0) {
      access = t.access;
      return fd;
    }
    if (errno == ENOENT || errno == ENOTDIR) return -1;
  }
  return -1;
}

int create_file(const std::string& name, Access& access) {
  int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
  access = Access::read_write;
  if (fd < 0) {
    fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
    access = Access::write_only;
  }
  return fd;
}

int open_failure_number() {
  return errno == ENOENT || errno == ENOTDIR ? error::file_not_found : error::open_refused;
}

// The name of a blank name: the next command-line argument, else asked at the console.
bool find_blank_name(int unit, std::string& name) {
  if (next_argument < arguments.size()) {
    name = trim_name(arguments[next_argument++]);
    if (!name.empty()) return true;
  }
  std::string prompt = "File name missing or blank - please enter file name\r\nUNIT " +
                       std::to_string(unit) + "? ";
  std::string line;
  do {
    if (!console::prompt_line(prompt, line, prompt_answer_length)) return false;
    name = trim_name(line);
  } while (name.empty());
  return true;
}

// The target a connection of this name would reach, opened when it is a file.
struct Target {
  Device device = Device::file;
  int fd = -1;
  Access access = Access::read_write;
  struct stat info {};
  bool created = false;
};

// Opens a disk file, or finds that it must be created (fd -1, no error). 0 or an error number.
int open_target(const std::string& name, Status status, Target& t) {
  t.fd = open_existing(name, t.access);
  if (t.fd < 0) {
    if (errno == ENOENT && status == Status::unknown) return 0;
    return open_failure_number();
  }
  int flags = ::fcntl(t.fd, F_GETFL);
  if (::fstat(t.fd, &t.info) != 0 || S_ISDIR(t.info.st_mode) || flags < 0 ||
      ::fcntl(t.fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(t.fd);
    return error::open_refused;
  }
  return 0;
}

// Connects unit; 0 or the error number of the cause. used_name is the name tried.
int connect(int unit, std::string_view given, Status status, std::string& used_name) {
  if (unit < lowest_unit || unit > highest_unit) return error::unit_out_of_range;
  used_name = trim_name(given);
  if (used_name.empty() && !find_blank_name(unit, used_name)) {
    used_name.clear();
    return error::no_file_name;
  }

  Target t;
  switch (device_of(used_name)) {
    case DeviceName::console: t.device = Device::console; break;
    case DeviceName::error_stream: t.device = Device::error_stream; break;
    case DeviceName::null: t.device = Device::null; break;
    case DeviceName::absent: return error::open_refused;
    case DeviceName::none:
      if (int failure = open_target(used_name, status, t)) return failure;
      break;
  }
  auto close_target = [&] {
    if (t.fd >= 0) ::close(t.fd);
  };

  if (t.fd >= 0 || t.device != Device::file) {
    for (auto& place : table) {
      if (!place || !same_target(*place, t.device, t.info.st_dev, t.info.st_ino)) continue;
      close_target();
      return place->unit == unit ? 0 : error::connected_elsewhere;
    }
  }
  if (place_of(unit)) close_unit(unit);
  auto* place = free_place();
  if (!place) {
    close_target();
    return error::too_many_connections;
  }
  if (t.device == Device::file && t.fd < 0) {
    t.fd = create_file(used_name, t.access);
    if (t.fd < 0 || ::fstat(t.fd, &t.info) != 0) {
      int failure = open_failure_number();
      close_target();
      return failure;
    }
    t.created = true;
  }

  auto c = std::make_unique<Connection>();
  c->unit = unit;
  c->name = used_name;
  c->device = t.device;
  c->fd = t.device == Device::file ? t.fd : t.device == Device::error_stream ? 2 : -1;
  c->access = t.access;
  c->file_device = t.info.st_dev;
  c->file_inode = t.info.st_ino;
  c->write_mode = t.created;
  c->seekable = t.device == Device::file && S_ISREG(t.info.st_mode);
  *place = std::move(c);
  return 0;
}

Connection& connected_for_use(int unit, Status status, Statement statement) {
  if (auto* place = place_of(unit)) return **place;
  std::string name;
  if (int failure = connect(unit, "", status, name)) raise_error(failure, statement, name);
  return **place_of(unit);
}

}  // namespace

std::string_view trim_name(std::string_view name) {
  name = name.substr(0, max_name_length);
  std::size_t first = name.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  std::size_t last = name.find_last_not_of(' ');
  return name.substr(first, last - first + 1);
}

int connect_unit(int unit, std::string_view name, Status status, bool report_failure) {
  std::string used_name;
  int failure = connect(unit, name, status, used_name);
  if (failure && !report_failure) raise_error(failure, Statement::open, used_name);
  return failure;
}

bool file_exists(std::string_view given) {
  std::string name(trim_name(given));
  if (name.empty()) return false;
  for (const auto& place : table)
    if (place && place->name == name) return true;
  struct stat info;
  if (::stat(name.c_str(), &info) == 0) return true;
  return device_of(name) != DeviceName::none;
}

void rewind_unit(int unit) {
  Connection* c = find_unit(unit);
  if (!c || c->device != Device::file) return;
  bool ok = write_out(*c);
  if (c->seekable && ::lseek(c->fd, 0, SEEK_SET) < 0) ok = false;
  discard_input(*c);
  c->write_mode = false;
  if (!ok) raise_error(error::rewind_failed, Statement::rewind, c->name);
}

void close_unit(int unit) {
  auto* place = place_of(unit);
  if (!place) return;
  std::unique_ptr<Connection> c = std::move(*place);  // freed first: the end of the run must
                                                      // not try this file again
  if (!release(*c)) raise_error(error::close_failed, Statement::close, c->name);
}

void close_all_units() {
  for (auto& place : table)
    if (place) close_unit(place->unit);
}

std::vector<std::string> close_all_units_noting_failures() {
  std::vector<std::string> failed;
  for (auto& place : table) {
    if (!place) continue;
    std::unique_ptr<Connection> c = std::move(place);
    if (!release(*c)) failed.push_back(c->name);
  }
  return failed;
}

void set_command_line(int argc, char** argv) {
  arguments.clear();
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  next_argument = 0;
}

Connection* find_unit(int unit) {
  auto* place = place_of(unit);
  return place ? place->get() : nullptr;
}

Connection& unit_for_read(int unit) {
  if (unit == console_unit) return console::input_connection();
  Connection& c = connected_for_use(unit, Status::old, Statement::read);
  if (c.device == Device::console) return console::input_connection();
  turn_to_reading(c, Statement::read);
  return c;
}

Connection& unit_for_write(int unit) {
  if (unit == console_unit) return console::input_connection();
  return connected_for_use(unit, Status::unknown, Statement::write);
}

int try_fill_input(Connection& c) {
  if (!c.output.empty() && !write_out(c)) return input_failure;
  c.write_mode = false;
  if (c.input_next < c.input_end) return static_cast<unsigned char>(c.input[c.input_next]);
  if (c.device == Device::null || c.fd < 0) {
    c.input_at_end = true;
    return end_of_input;
  }
  if (!c.input) c.input = std::make_unique<char[]>(buffer_size);
  c.input_next = c.input_end = 0;
  long n = read_some(c.fd, c.input.get(), buffer_size);
  if (n < 0) return input_failure;
  c.input_at_end = n == 0;
  if (n == 0) return end_of_input;
  c.input_end = static_cast<std::size_t>(n);
  return static_cast<unsigned char>(c.input[0]);
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
  if (c.output.size() >= buffer_size && !write_out(c))
    raise_error(error::write_failed, Statement::write, c.name);
}

void reset_connections() {
  for (auto& place : table) {
    if (!place) continue;
    std::unique_ptr<Connection> c = std::move(place);
    release(*c);
  }
  arguments.clear();
  next_argument = 0;
}

}  // namespace records
