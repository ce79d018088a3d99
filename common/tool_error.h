// The ways a companion tool fails, and the one place that turns them into a message and an exit
// status: 1 for a failure (bad input, a file that cannot be read or written), 2 for a usage
// error. Messages go to standard error as "raingen-TOOL: FILE:LINE: what is wrong", or without
// FILE:LINE when no line of a file is at fault.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

namespace raingen::common {

inline constexpr int exit_success = 0;
inline constexpr int exit_failure = 1;
inline constexpr int exit_usage = 2;

// A failure of the tool's work. file and line name the input at fault; line 0 names a file
// only, an empty file names nothing. The message is kept whole (what() would end it at a NUL).
class ToolError : public std::runtime_error {
 public:
  explicit ToolError(const std::string& what) : std::runtime_error(what), message_(what) {}
  ToolError(std::string file, long line, const std::string& what)
      : std::runtime_error(what), message_(what), file_(std::move(file)), line_(line) {}
  const std::string& message() const { return message_; }
  const std::string& file() const { return file_; }
  long line() const { return line_; }

 private:
  std::string message_;
  std::string file_;
  long line_ = 0;
};

// A command line the tool cannot act on. file names the input that the command line does not fit
// (a record without the column asked for); empty when the command line alone is at fault.
class UsageError : public std::runtime_error {
 public:
  explicit UsageError(const std::string& what) : std::runtime_error(what), message_(what) {}
  UsageError(std::string file, const std::string& what)
      : std::runtime_error(what), message_(what), file_(std::move(file)) {}
  const std::string& message() const { return message_; }
  const std::string& file() const { return file_; }

 private:
  std::string message_;
  std::string file_;
};

// "FILE:LINE: what", "FILE: what" or "what".
std::string located_message(const ToolError& error);
// "FILE: what" or "what".
std::string located_message(const UsageError& error);

// Runs a tool's body and ends it: the body's status on return, otherwise the message of what it
// threw, prefixed by the tool's name, and status 1 or 2. Standard output is flushed and checked
// first, so a tool whose output could not be written does not end as a success. SIGINT, SIGTERM
// and SIGHUP are caught while the body runs (common/interruption.h): a body they stop ends with
// "interrupted by signal N: ..." and status 1, its partial files removed. Every message is shown
// through shown_text: no control byte of a file or a name reaches the terminal.
int run_tool(const std::string& tool_name, const std::function<int()>& body);

}  // namespace raingen::common
