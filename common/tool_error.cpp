#include "common/tool_error.h"

#include <cstdio>
#include <iostream>
#include <new>

namespace raingen::common {

std::string located_message(const ToolError& error) {
  if (error.file().empty()) return error.what();
  std::string message = error.file();
  if (error.line() > 0) message.append(":").append(std::to_string(error.line()));
  return message.append(": ").append(error.what());
}

namespace {

int fail(const std::string& tool_name, const std::string& message, int status) {
  std::cout.flush();
  std::cerr << tool_name << ": " << message << '\n';
  std::cerr.flush();
  return status;
}

}  // namespace

int run_tool(const std::string& tool_name, const std::function<int()>& body) {
  int status = exit_failure;
  try {
    status = body();
  } catch (const UsageError& error) {
    return fail(tool_name, error.what(), exit_usage);
  } catch (const ToolError& error) {
    return fail(tool_name, located_message(error), exit_failure);
  } catch (const std::bad_alloc&) {
    return fail(tool_name, "out of memory", exit_failure);
  } catch (const std::exception& error) {
    return fail(tool_name, error.what(), exit_failure);
  }
  std::cout.flush();
  if (!std::cout || std::fflush(stdout) != 0) return fail(tool_name, "cannot write standard output", exit_failure);
  return status;
}

}  // namespace raingen::common
