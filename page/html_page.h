// A self-contained HTML page built top to bottom: its style inline, charts as inline SVG, no
// script and no reference to anything outside the file, so that it opens the same anywhere,
// offline, and can be mailed or archived as one file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace raingen::page {

class HtmlPage {
 public:
  explicit HtmlPage(std::string title);

  void heading(int level, std::string_view text);  // h1..h3
  void paragraph(std::string_view text);           // plain text, escaped
  void markup(std::string_view html);              // markup this program made itself
  // A table; every cell is plain text (escaped). Numbers (a percentage too, or "-" for none) are
  // right-aligned so that their digits line up.
  void table(const std::vector<std::string>& header, const std::vector<std::vector<std::string>>& rows);
  // Charts side by side, wrapping to the page's width.
  void figures(const std::vector<std::string>& svgs);

  std::string finish() const;

 private:
  std::string title_;
  std::string body_;
};

}  // namespace raingen::page
