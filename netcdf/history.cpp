#include "netcdf/history.h"

#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace raingen::netcdf {

namespace {

// An argument as a POSIX shell reads it back: as it is when it holds only characters the shell
// leaves alone, else in single quotes (a quote inside written '\'').
std::string shell_word(std::string_view word) {
  constexpr std::string_view plain = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789@%+=:,./-_";
  if (!word.empty() && word.find_first_not_of(plain) == std::string_view::npos) return std::string(word);
  std::string quoted = "'";
  for (char c : word) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  return quoted + "'";
}

std::time_t present_time() {
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch != nullptr && *epoch != '\0') {
    char* end = nullptr;
    const long long seconds = std::strtoll(epoch, &end, 10);
    if (*end == '\0' && seconds >= 0) return static_cast<std::time_t>(seconds);
  }
  return std::time(nullptr);
}

}  // namespace

std::string command_line_text(std::span<char* const> arguments) {
  std::string line;
  for (std::size_t k = 0; k < arguments.size(); ++k) {
    if (k > 0) line += ' ';
    const std::string_view argument = arguments[k];
    line += k == 0 ? shell_word(std::filesystem::path(argument).filename().string()) : shell_word(argument);
  }
  return line;
}

std::string history_entry(std::span<char* const> arguments, std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char stamp[64];
  const std::size_t length = std::strftime(stamp, sizeof stamp, "%a %b %e %H:%M:%S %Y", &local);
  return std::string(stamp, length) + ": " + command_line_text(arguments);
}

std::string history_entry(std::span<char* const> arguments) { return history_entry(arguments, present_time()); }

}  // namespace raingen::netcdf
