#include "common/tool_error.h"

#include <cstdio>
#include <iostream>
#include <new>

namespace raingen::common {

namespace {

std::string located(const std::string& file, long line, const char* what) {
  if (file.empty()) return what;
  std::string message = file;
  if (line > 0) message.append(":").append(std::to_string(line));
  return message.append(": ").append(what);
}

}  // namespace

std::string located_message(const ToolError& error) { return located(error.file(), error.line(), error.what()); }
std::string located_message(const UsageError& error) { return located(error.file(), 0, error.what()); }

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
    return fail(tool_name, located_message(error), exit_usage);
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
