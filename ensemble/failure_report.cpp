#include "ensemble/failure_report.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <vector>

#include <fmt/format.h>

#include "common/tool_error.h"
#include "common/whole_file.h"

namespace raingen::ensemble {

namespace {

std::vector<std::string> shown_lines(std::string_view text) {
  std::vector<std::string> lines;
  std::string line;
  const auto end_line = [&] {
    const std::size_t first = line.find_first_not_of(' ');
    if (first != std::string::npos) lines.push_back(line.substr(first, line.find_last_not_of(' ') - first + 1));
    line.clear();
  };
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      end_line();
    } else {
      const auto byte = static_cast<unsigned char>(c);
      line += byte < ' ' || byte == 0x7f ? (c == '\t' ? ' ' : '?') : c;
    }
  }
  end_line();
  return lines;
}

void append_stream(std::string& report, const char* label, std::string_view text) {
  const std::string lead = fmt::format("    {:<17}", std::string(label) + ":");
  const std::vector<std::string> lines = shown_lines(text);
  if (lines.empty()) {
    report += lead + "(nothing)\n";
    return;
  }
  for (std::size_t k = 0; k < lines.size(); ++k)
    report += (k == 0 ? lead : std::string(lead.size(), ' ')) + lines[k] + '\n';
}

}  // namespace

std::string failure_report(long number, int seed, std::string_view why, std::string_view standard_output,
                           std::string_view standard_error) {
  std::string report = fmt::format("raingen-ensemble: realization {} (seed {}) failed: {}\n", number, seed, why);
  append_stream(report, "standard output", standard_output);
  append_stream(report, "standard error", standard_error);
  return report;
}

std::string empty_capture_note(const std::filesystem::path& folder, unsigned long long free_bytes) {
  constexpr unsigned long long room_for_a_report = 64 * 1024;
  if (free_bytes >= room_for_a_report) return {};
  return fmt::format("(nothing captured: the disk holding {} is full; what the run wrote may be lost)",
                     folder.string());
}

std::string stream_excerpt(const std::filesystem::path& path) {
  std::string text;
  try {
    text = common::read_whole_file(path, shown_stream_bytes);
  } catch (const common::ToolError&) {
    return "(cannot be read)";
  }
  if (text.empty()) {
    struct statvfs disk {};
    if (::statvfs(path.parent_path().c_str(), &disk) == 0) {
      // What this user may still write: root may use the blocks kept back for it.
      const auto blocks = ::geteuid() == 0 ? disk.f_bfree : disk.f_bavail;
      return empty_capture_note(path.parent_path(), static_cast<unsigned long long>(blocks) * disk.f_frsize);
    }
  }
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (!error && size > text.size()) text += fmt::format("\n... ({} more bytes)", size - text.size());
  return text;
}

}  // namespace raingen::ensemble
