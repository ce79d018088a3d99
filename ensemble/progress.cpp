#include "ensemble/progress.h"

#include <cmath>

#include <fmt/format.h>

namespace raingen::ensemble {

std::string duration_text(double seconds) {
  const long whole = static_cast<long>(std::ceil(seconds));
  if (whole >= 3600) return fmt::format("{}:{:02}:{:02}", whole / 3600, whole / 60 % 60, whole % 60);
  return fmt::format("{}:{:02}", whole / 60, whole % 60);
}

namespace {

std::string rate_text(long done, double seconds) {
  return seconds > 0 ? fmt::format("{:.1f} per s", done / seconds) : std::string("- per s");
}

}  // namespace

std::string progress_text(long done, long total, long failed, double seconds, std::string_view counted) {
  std::string text = fmt::format("{}/{} {}", done, total, counted);
  if (failed > 0) text += fmt::format(", {} failed", failed);
  if (done > 0 && seconds > 0)
    text += fmt::format(", {}, {} left", rate_text(done, seconds), duration_text((total - done) * seconds / done));
  return text;
}

std::string summary_text(long total, long failed, double seconds, const std::string& output) {
  return fmt::format("{} realizations in {:.1f} s ({}), {} failed: {}", total, seconds, rate_text(total, seconds),
                     failed, output);
}

ProgressLine::ProgressLine(std::ostream& out, bool terminal, long total, std::string counted)
    : out_(out), terminal_(terminal), total_(total), counted_(std::move(counted)) {}

double ProgressLine::seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - begun_).count();
}

void ProgressLine::update(long done, long failed) {
  if (!terminal_) return;
  const auto now = std::chrono::steady_clock::now();
  if (done < total_ && width_ > 0 && now - shown_ < std::chrono::milliseconds(200)) return;
  shown_ = now;
  const std::string text = "raingen-ensemble: " + progress_text(done, total_, failed, seconds(), counted_);
  out_ << '\r' << text;
  if (text.size() < width_) out_ << std::string(width_ - text.size(), ' ') << '\r' << text;
  out_.flush();
  width_ = text.size();
}

void ProgressLine::clear() {
  if (!terminal_ || width_ == 0) return;
  out_ << '\r' << std::string(width_, ' ') << '\r';
  out_.flush();
  width_ = 0;
}

}  // namespace raingen::ensemble
