#include "common/tool_error.h"

#include <cstdio>
#include <iostream>
#include <new>

#include "common/interruption.h"
#include "common/shown_text.h"

namespace raingen::common {

namespace {

std::string located(const std::string& file, long line, const std::string& what) {
  if (file.empty()) return what;
  std::string message = file;
  if (line > 0) message.append(":").append(std::to_string(line));
  return message.append(": ").append(what);
}

int fail(const std::string& tool_name, const std::string& message, int status) {
  std::cout.flush();
  std::cerr << tool_name << ": " << shown_text(message) << '\n';
  std::cerr.flush();
  return status;
}

// The end of a body that a signal stopped: whatever failed on the way (a read or a write cut short
// by the signal, the check that noticed it) is a consequence, not the cause.
int fail_interrupted(const std::string& tool_name) { return fail(tool_name, interrupted_message(), exit_failure); }

}  // namespace

std::string located_message(const ToolError& error) { return located(error.file(), error.line(), error.message()); }
std::string located_message(const UsageError& error) { return located(error.file(), 0, error.message()); }

int run_tool(const std::string& tool_name, const std::function<int()>& body) {
  const CaughtInterruptions caught;
  int status = exit_failure;
  try {
    status = body();
  } catch (const UsageError& error) {
    if (interruption() != 0) return fail_interrupted(tool_name);
    return fail(tool_name, located_message(error), exit_usage);
  } catch (const ToolError& error) {
    if (interruption() != 0) return fail_interrupted(tool_name);
    return fail(tool_name, located_message(error), exit_failure);
  } catch (const std::bad_alloc&) {
    if (interruption() != 0) return fail_interrupted(tool_name);
    return fail(tool_name, "out of memory", exit_failure);
  } catch (const std::exception& error) {
    if (interruption() != 0) return fail_interrupted(tool_name);
    return fail(tool_name, error.what(), exit_failure);
  }
  std::cout.flush();
  if (!std::cout || std::fflush(stdout) != 0) {
    if (interruption() != 0) return fail_interrupted(tool_name);
    return fail(tool_name, "cannot write standard output", exit_failure);
  }
  return status;
}

}  // namespace raingen::common
