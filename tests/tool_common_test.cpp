// The tools' shared pieces: reading lines with any line end, whole files read, and files written
// aside.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "common/line_reader.h"
#include "common/numbers.h"
#include "common/output_file.h"
#include "common/shown_text.h"
#include "common/tool_error.h"
#include "common/whole_file.h"
#include "support/child.h"
#include "support/tool_runs.h"

namespace {
using testing_support::TempDir;

std::vector<std::string> lines_of(const TempDir& dir, const std::string& bytes) {
  dir.write("in.txt", bytes);
  raingen::common::LineReader reader((dir / "in.txt").string());
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.next(line)) {
    lines.emplace_back(line);
    EXPECT_EQ(reader.line_number(), static_cast<long>(lines.size()));
  }
  return lines;
}

TEST(LineReader, EveryLineEndAndAByteOrderMark) {
  TempDir dir;
  using Lines = std::vector<std::string>;
  EXPECT_EQ(lines_of(dir, "a\nb\n"), (Lines{"a", "b"}));
  EXPECT_EQ(lines_of(dir, "a\r\nb"), (Lines{"a", "b"}));
  EXPECT_EQ(lines_of(dir, "\xEF\xBB\xBFh\ra\r\rb\r"), (Lines{"h", "a", "", "b"}));
  EXPECT_EQ(lines_of(dir, "\n\r\n"), (Lines{"", ""}));
  EXPECT_EQ(lines_of(dir, ""), Lines{});
  // Lines of the longest length a record may have, and a CR LF pair split across two reads.
  const std::string long_line(raingen::common::LineReader::longest_line, 'x');
  EXPECT_EQ(lines_of(dir, long_line + "\r\n" + long_line + "\r"), (Lines{long_line, long_line}));
  const std::string before_split((1 << 20) - 1, 'y');
  EXPECT_EQ(lines_of(dir, before_split + "\r\nz"), (Lines{before_split, "z"}));
}

// Files of random lines with random line ends, several times the reader's buffer: the lines come
// back whole, whatever falls on a buffer's edge.
TEST(LineReader, RandomLineEndsAcrossBuffers) {
  TempDir dir;
  for (unsigned seed = 1; seed <= 6; ++seed) {
    std::mt19937 pick(seed);
    const char* ends[] = {"\n", "\r\n", "\r"};
    std::vector<std::string> lines;
    std::string bytes;
    while (bytes.size() < (5u << 20)) {
      std::string line(pick() % (seed * 40), static_cast<char>('a' + pick() % 26));
      if (pick() % 50 == 0) line.assign(pick() % raingen::common::LineReader::longest_line, 'L');  // a buffer's size
      const char* end = ends[pick() % 3];
      // An empty line ended by LF after a lone CR would make CR LF, one line end.
      if (line.empty() && end[0] == '\n' && !bytes.empty() && bytes.back() == '\r') end = "\r";
      bytes += line + end;
      lines.push_back(line);
    }
    if (seed % 2) {
      lines.push_back("last");
      bytes += "last";  // no end
    }
    const std::vector<std::string> read = lines_of(dir, bytes);
    ASSERT_EQ(read.size(), lines.size()) << seed;
    for (std::size_t k = 0; k < lines.size(); ++k)
      ASSERT_TRUE(read[k] == lines[k]) << "seed " << seed << ", line " << k + 1;
  }
}

// A whole file, or its first bytes, from a regular file of any size and from a pipe (whose size is
// not known ahead); what cannot be read is named with the reason.
TEST(WholeFile, EveryByteOrTheFirstOnesAndTheFileNamedWhenItCannotBeRead) {
  using raingen::common::read_whole_file;
  TempDir dir;
  std::mt19937 pick(3);
  for (std::size_t size :
       {std::size_t{0}, std::size_t{1}, std::size_t{4096}, std::size_t{65537}, std::size_t{3} << 20}) {
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(pick());
    dir.write("f", bytes);
    EXPECT_EQ(read_whole_file(dir / "f"), bytes) << size;
    for (std::size_t limit : {std::size_t{0}, std::size_t{10}, size, size + 1})
      EXPECT_EQ(read_whole_file(dir / "f", limit), bytes.substr(0, limit)) << size << " " << limit;
  }

  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  const std::string piped(200000, 'p');
  std::thread writer([&] {
    const int fd = ::open((dir / "pipe").c_str(), O_WRONLY);
    for (std::size_t done = 0; fd >= 0 && done < piped.size();) {
      const ssize_t n = ::write(fd, piped.data() + done, std::min<std::size_t>(1000, piped.size() - done));
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    if (fd >= 0) ::close(fd);
  });
  const std::string read = read_whole_file(dir / "pipe");
  writer.join();
  EXPECT_TRUE(read == piped) << read.size();

  const std::pair<std::string, std::string> faults[] = {{"missing", "cannot be read: No such file or directory"},
                                                        {"", "cannot be read: Is a directory"}};
  for (const auto& [name, message] : faults) {
    try {
      read_whole_file(dir / name);
      ADD_FAILURE() << "read " << name;
    } catch (const raingen::common::ToolError& error) {
      EXPECT_EQ(error.file(), (dir / name).string());
      EXPECT_EQ(error.line(), 0);
      EXPECT_STREQ(error.what(), message.c_str());
    }
  }
}

TEST(OutputFile, TargetChangesOnlyAtCommit) {
  TempDir dir;
  dir.write("out.txt", "old");
  {
    raingen::common::OutputFile out(dir / "out.txt");
    out.write("new");
    EXPECT_EQ(dir.read("out.txt"), "old");
  }  // dropped without commit: the aside file goes, the target stays
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  EXPECT_EQ(dir.read("out.txt"), "old");

  raingen::common::OutputFile a(dir / "a.txt"), b(dir / "b.txt");
  a.write(std::string(3 << 20, 'a'));
  b.write("b");
  raingen::common::commit_all({&a, &b});
  EXPECT_EQ(dir.read("a.txt").size(), 3u << 20);
  EXPECT_EQ(dir.read("b.txt"), "b");
  EXPECT_THROW(raingen::common::OutputFile(dir / "no-such-folder" / "x"), raingen::common::ToolError);
}

TEST(Numbers, WholeTextOnly) {
  using raingen::common::parse_integer;
  using raingen::common::parse_real;
  EXPECT_EQ(parse_integer(" +12 "), 12);
  EXPECT_EQ(parse_integer("-3"), -3);
  EXPECT_FALSE(parse_integer("1.5"));
  EXPECT_FALSE(parse_integer(""));
  EXPECT_EQ(parse_real("0.2"), 0.2);
  EXPECT_EQ(parse_real("-1e2"), -100.0);
  EXPECT_EQ(parse_real(".5"), 0.5);
  EXPECT_FALSE(parse_real("nan"));
  EXPECT_FALSE(parse_real("1,5"));
  EXPECT_EQ(raingen::common::shortest_text(0.1 + 0.2), "0.30000000000000004");
}

// Every tool ends its command line the same way: help and version on standard output with
// status 0 (the version that project() in CMakeLists.txt gives), a command line it cannot read as
// a usage error pointing to --help, nothing written.
TEST(CommandLine, EveryToolEndsItTheSameWay) {
  const struct {
    const char* tool;
    const char* bad_line_message;
    std::vector<std::string> near_miss;  // an option mistyped, and the message's end
    const char* meant;
  } tools[] = {
      {"raingen-prepare",
       "The following argument was not expected: --bogus",
       {"--dayz=5"},
       "--dayz=5; did you mean --days?"},
      {"raingen-export",
       "--format is required",
       {"--format", "csv", "--statoin"},
       "--statoin; did you mean --station?"},
      {"raingen-report",
       "The following argument was not expected: --bogus",
       {"--outptu"},
       "--outptu; did you mean --output?"},
      {"raingen-ensemble",
       "The following argument was not expected: --bogus",
       {"--realisations"},
       "--realisations; did you mean --realizations?"},
  };
  for (const auto& [tool, bad_line_message, near_miss, meant] : tools) {
    TempDir dir;
    testing_support::ChildSetup setup;
    setup.directory = dir.path();
    const auto version = testing_support::run_tool_program(setup, tool, {"--version"});
    EXPECT_EQ(version.exit_status, 0) << tool;
    EXPECT_EQ(version.out, std::string(tool) + " " + RAINGEN_PROJECT_VERSION + "\n");
    EXPECT_EQ(version.err, "");
    const auto help = testing_support::run_tool_program(setup, tool, {"--help"});
    EXPECT_EQ(help.exit_status, 0) << tool;
    EXPECT_NE(help.out.find("Exit status: 0"), std::string::npos) << tool;
    EXPECT_EQ(help.err, "");
    const auto bad = testing_support::run_tool_program(setup, tool, {"--bogus"});
    EXPECT_EQ(bad.exit_status, 2) << tool;
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err, std::string(tool) + ": " + bad_line_message + " (see --help)\n");
    // A near miss names the option meant.
    const auto near = testing_support::run_tool_program(setup, tool, near_miss);
    EXPECT_EQ(near.exit_status, 2) << tool;
    EXPECT_EQ(near.err, std::string(tool) + ": The following argument was not expected: " + meant + " (see --help)\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 0) << tool;
  }
}

// The reading options, in every tool and use that reads gauge records: worded alike in --help,
// one value each time (a stray word is refused, not taken for a second value), and a value twice
// refused, for every record or for one of several.
TEST(ReadingOptions, AlikeInEveryToolThatReadsGaugeRecords) {
  TempDir dir;
  testing_support::ChildSetup setup;
  setup.directory = dir.path();
  const auto run = [&](const char* tool, std::vector<std::string> arguments) {
    return testing_support::run_tool_program(setup, tool, arguments);
  };
  const auto reading_lines = [](const std::string& help) {
    std::vector<std::string> lines;
    for (const char* name : {"--format", "--column", "--swmm-station", "--stamp", "--from", "--to"}) {
      const std::size_t at = help.find(std::string("\n  ") + name + " ");
      lines.push_back(at == std::string::npos ? "" : help.substr(at + 1, help.find('\n', at + 1) - at - 1));
    }
    return lines;
  };
  const std::vector<std::string> prepare_lines = reading_lines(run("raingen-prepare", {"--help"}).out);
  EXPECT_EQ(prepare_lines, reading_lines(run("raingen-report", {"--help"}).out));
  for (const std::string& line : prepare_lines) EXPECT_NE(line.find("  [ID:]"), std::string::npos) << line;

  const std::vector<std::string> gauges = {"--gauge", "A=a.csv", "--gauge", "B=b.csv", "--gauge", "C=c.csv"};
  const std::vector<std::string> weighted = {"--weighted-site", "S",   "--site",    "P",   "--days",    "3",
                                             "--station",       "A=1", "--station", "B=1", "--station", "C=1"};
  const struct {
    const char* tool;
    std::vector<std::string> use;
    std::string stray, twice_for_all, twice_for_one;
  } uses[] = {
      {"raingen-prepare",
       {"--id", "A", "a.csv"},
       "The following argument was not expected: stray (see --help)",
       "--stamp is given twice",
       "--stamp is given twice"},
      // The stray word is taken for a RECORD, which this use has none of.
      {"raingen-prepare", weighted,
       "--weighted-site prepares the site station from the --gauge records: no --id or RECORD",
       "--stamp is given twice for every gauge", "--stamp is given twice for gauge B"},
      {"raingen-report",
       {"--dir", "run"},
       "The following argument was not expected: stray (see --help)",
       "--stamp is given twice for every gauge",
       "--stamp is given twice for gauge B"},
  };
  for (const auto& [tool, use, stray_message, twice_for_all, twice_for_one] : uses) {
    std::vector<std::string> line = use;
    if (std::string(tool) == "raingen-report" || use.front() == "--weighted-site")
      line.insert(line.end(), gauges.begin(), gauges.end());
    const auto with = [&](std::vector<std::string> more) {
      more.insert(more.begin(), line.begin(), line.end());
      return more;
    };
    const auto stray = run(tool, with({"--from", "2001-05-24", "stray"}));
    EXPECT_EQ(stray.exit_status, 2) << tool;
    EXPECT_EQ(stray.err, std::string(tool) + ": " + stray_message + "\n");
    EXPECT_EQ(run(tool, with({"--stamp", "end", "--stamp", "start"})).err,
              std::string(tool) + ": " + twice_for_all + "\n");
    EXPECT_EQ(run(tool, with({"--stamp", "B:end", "--stamp", "B:start"})).err,
              std::string(tool) + ": " + twice_for_one + "\n");
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 0);
}

// What a message shows of a file's bytes: controls, DEL, C1 controls and bytes that are no UTF-8
// escaped, valid UTF-8 kept; an excerpt cut between characters with the whole length given.
TEST(ShownText, EscapesWhatATerminalWouldActOnAndCutsLongFields) {
  using raingen::common::excerpt;
  using raingen::common::shown_text;
  const std::pair<std::string, std::string> cases[] = {
      {"plain 0.25 mm", "plain 0.25 mm"},
      {std::string("a\0b", 3), "a\\x00b"},
      {"\x1b[31mred\t\r\n", "\\x1b[31mred\\t\\r\\n"},
      {"\x7f", "\\x7f"},
      {"P\xc3\xa1ramo \xe2\x82\xac \xf0\x9f\x8c\xa7", "P\xc3\xa1ramo \xe2\x82\xac \xf0\x9f\x8c\xa7"},  // kept
      {"\xc2\x9b", "\\xc2\\x9b"},                                        // a C1 control (CSI)
      {"\xff\xc3", "\\xff\\xc3"},                                        // no UTF-8; a character cut short
      {"\xe0\x80\x80 \xed\xa0\x80", "\\xe0\\x80\\x80 \\xed\\xa0\\x80"},  // overlong, a surrogate
  };
  for (const auto& [text, shown] : cases) EXPECT_EQ(shown_text(text), shown);
  EXPECT_EQ(excerpt("short"), "short");
  EXPECT_EQ(excerpt(std::string(100, 'x')), std::string(40, 'x') + "... (100 bytes)");
  EXPECT_EQ(excerpt(std::string(39, 'x') + "\xc3\xa1zz"),
            std::string(39, 'x') + "... (43 bytes)");  // not inside the a-acute
  EXPECT_EQ(excerpt(std::string(3, '\0') + std::string(50, 'y'), 5), "\\x00\\x00\\x00yy... (53 bytes)");
}

// A line longer than longest_line is an error naming its line (the file's first, or one after
// good lines), without reading further; the start of a file can be held, read, and read again,
// from a file or a pipe, as far as the look-ahead reaches.
TEST(LineReader, LinesAreBoundedAndTheStartCanBeReadTwice) {
  using raingen::common::LineReader;
  TempDir dir;
  const auto failure_of = [&](const std::string& bytes) -> std::string {
    dir.write("in.txt", bytes);
    LineReader reader((dir / "in.txt").string());
    std::string_view line;
    try {
      while (reader.next(line)) {
      }
    } catch (const raingen::common::ToolError& error) {
      return std::to_string(error.line()) + ": " + error.message().substr(0, 40);
    }
    return "read";
  };
  const std::string longest(LineReader::longest_line, 'x');
  EXPECT_EQ(failure_of(longest + "\n" + longest), "read");
  EXPECT_EQ(failure_of(longest + "x"), "1: is longer than 1048576 bytes, the longes");
  EXPECT_EQ(failure_of("a\r\nb\n" + longest + "x\n"), "3: is longer than 1048576 bytes, the longes");

  // Held: the lines come again after start_again(), the byte-order mark still dropped.
  std::string bytes = "\xEF\xBB\xBFhead\n";
  for (int k = 0; k < 200000; ++k) bytes += "row " + std::to_string(k) + "\r\n";
  dir.write("held.txt", bytes);
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  std::thread writer([&] {
    const int fd = ::open((dir / "pipe").c_str(), O_WRONLY);
    for (std::size_t done = 0; fd >= 0 && done < bytes.size();) {
      const ssize_t n = ::write(fd, bytes.data() + done, std::min<std::size_t>(4096, bytes.size() - done));
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    if (fd >= 0) ::close(fd);
  });
  for (const char* name : {"held.txt", "pipe"}) {
    LineReader reader((dir / name).string());
    reader.hold_start();
    std::string_view line;
    long looked = 0;
    while (looked < 50 && reader.next(line)) ++looked;
    EXPECT_EQ(looked, 50);
    reader.start_again();
    std::vector<std::string> lines;
    while (reader.next(line)) lines.emplace_back(line);
    ASSERT_EQ(lines.size(), 200001u) << name;
    EXPECT_EQ(lines.front(), "head");
    EXPECT_EQ(lines.back(), "row 199999");
    EXPECT_EQ(reader.line_number(), 200001);
  }
  writer.join();
  // Held past the look-ahead: next() stops there, and the file reads whole after start_again().
  std::string many;
  while (many.size() <= LineReader::longest_look_ahead) many += std::string(1000, 'z') + "\n";
  dir.write("many.txt", many);
  LineReader reader((dir / "many.txt").string());
  reader.hold_start();
  std::string_view line;
  std::size_t held = 0;
  while (reader.next(line)) held += line.size() + 1;
  EXPECT_TRUE(reader.look_ahead_full());
  EXPECT_LE(held, LineReader::longest_look_ahead);
  reader.start_again();
  std::size_t all = 0;
  while (reader.next(line)) all += line.size() + 1;
  EXPECT_EQ(all, many.size());
}

}  // namespace
