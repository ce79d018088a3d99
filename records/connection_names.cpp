// Names: trimming, the device names, and blank names taken from the command line or the console.
#include <cctype>
#include <vector>

#include "records/connection_parts.h"
#include "records/console.h"

namespace records {
namespace {

constexpr std::size_t prompt_answer_length = 260;

std::vector<std::string> arguments;
std::size_t next_argument = 0;  // each argument serves one blank name at most

// upper is already upper case.
bool same_letters(std::string_view name, std::string_view upper) {
  if (name.size() != upper.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(name[i])) != upper[i]) return false;
  return true;
}

}  // namespace

std::string_view trim_name(std::string_view name) {
  name = name.substr(0, max_name_length);
  std::size_t first = name.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  std::size_t last = name.find_last_not_of(' ');
  return name.substr(first, last - first + 1);
}

void set_command_line(int argc, char** argv) {
  arguments.clear();
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  next_argument = 0;
}

namespace detail {

// The part before the last "." decides; USER, ERR and LINE are devices only without an
// extension. This host has no serial or printer devices.
DeviceName device_of(std::string_view name) {
  std::size_t dot = name.rfind('.');
  bool extension = dot != std::string_view::npos;
  std::string_view base = extension ? name.substr(0, dot) : name;
  if (same_letters(base, "CON")) return DeviceName::console;
  if (same_letters(base, "NUL")) return DeviceName::null;
  if (!extension && same_letters(base, "USER")) return DeviceName::console;
  if (!extension && same_letters(base, "ERR")) return DeviceName::error_stream;
  if (!extension && same_letters(base, "LINE")) return DeviceName::absent;
  for (std::string_view other : {"AUX", "PRN", "COM1", "COM2", "COM3", "COM4", "LPT1", "LPT2", "LPT3", "LPT4"})
    if (same_letters(base, other)) return DeviceName::absent;
  return DeviceName::none;
}

bool find_blank_name(int unit, std::string& name) {
  if (next_argument < arguments.size()) {
    name = trim_name(arguments[next_argument++]);
    if (!name.empty()) return true;
  }
  std::string prompt = "File name missing or blank - please enter file name\r\nUNIT " + std::to_string(unit) + "? ";
  std::string line;
  do {
    if (!console::prompt_line(prompt, line, prompt_answer_length)) return false;
    name = trim_name(line);
  } while (name.empty());
  return true;
}

void forget_command_line() {
  arguments.clear();
  next_argument = 0;
}

}  // namespace detail
}  // namespace records
