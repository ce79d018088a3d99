// raingen-export run as a user runs it, in a temporary directory: the exact text of every format
// on a short known table (a leap day, a wet run across midnight and one across a month end), the
// netCDF file through ncdump, depth totals to the last digit on a real run of the program, and
// bad input refused with nothing left behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/tool_error.h"
#include "gauge/read_gauge.h"
#include "results/results_series.h"
#include "support/tool_runs.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

std::string row(long minutes, const char* depth) {
  char text[64];
  std::snprintf(text, sizeof text, "%12ld%9s\r\n", minutes, depth);
  return text;
}

// Three days from --start 2004-02-28: wet at the first row, across the midnight into the leap
// day, across the month end into March (the widest value the table can hold) and at the last row.
const std::map<long, const char*> known_wet = {{15, ".254"},   {1425, ".069"},      {1440, "1.500"}, {1455, "12.345"},
                                               {2880, ".001"}, {2895, "99999.999"}, {4320, ".005"}};
const long known_total = 100014173;  // thousandths

std::string known_table() {
  std::string text;
  for (long t = 15; t <= 3 * 1440; t += 15) text += row(t, known_wet.count(t) ? known_wet.at(t) : ".000");
  return text;
}

Outcome export_in(const TempDir& dir, const std::vector<std::string>& arguments,
                  const std::vector<std::pair<std::string, std::string>>& environment = {}) {
  ChildSetup setup;
  setup.directory = dir.path();
  setup.environment = environment;
  return run_tool_program(setup, "raingen-export", arguments);
}

Outcome ncdump(const TempDir& dir, const std::vector<std::string>& arguments) {
  ChildSetup setup;
  setup.directory = dir.path();
  return run_in_child(setup, [&] {
    std::vector<std::string> copies = arguments;
    std::vector<char*> argv{const_cast<char*>("ncdump")};
    for (auto& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);
    execvp("ncdump", argv.data());
    _exit(126);
  });
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  for (std::size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1)
    lines.push_back(text.substr(begin, end - begin));
  EXPECT_EQ(begin, text.size()) << "the last line has no line end";
  return lines;
}

// A decimal number as written, in exact thousandths; more than three decimals fails the test.
long thousandths_of(std::string text) {
  text.erase(0, text.find_first_not_of(' '));
  const std::size_t point = text.find('.');
  std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
  EXPECT_LE(fraction.size(), 3u) << text;
  fraction.resize(3, '0');
  return std::stol(text.substr(0, point).empty() ? "0" : text.substr(0, point)) * 1000 + std::stol(fraction);
}

// The sum of the last blank-separated (or comma-separated) field of each line that is not a
// comment or the csv header.
long total_of_last_fields(const std::string& text) {
  long total = 0;
  for (const std::string& line : lines_of(text)) {
    if (line.empty() || line[0] == ';' || line.starts_with("start,")) continue;
    total += thousandths_of(line.substr(line.find_last_of(" ,") + 1));
  }
  return total;
}

// The values of a variable in `ncdump -v NAME` output, as written.
std::vector<std::string> dumped_values(const std::string& dump, const std::string& name) {
  const std::size_t begin = dump.find("\n " + name + " =");
  EXPECT_NE(begin, std::string::npos) << name;
  std::vector<std::string> values;
  std::string value;
  for (std::size_t k = dump.find('=', begin) + 1; k < dump.size() && dump[k] != ';'; ++k) {
    if (dump[k] == ',') {
      values.push_back(value);
      value.clear();
    } else if (dump[k] != ' ' && dump[k] != '\n') {
      value += dump[k];
    }
  }
  values.push_back(value);
  return values;
}

TEST(Export, KnownTableAsCsv) {
  TempDir dir;
  dir.write("SOURCE.OUT", known_table());
  const Outcome outcome = export_in(dir, {"--format", "csv", "--start", "2004-02-28", "SOURCE.OUT"},
                                    {{"LC_ALL", "de_DE.UTF-8"}, {"LC_NUMERIC", "de_DE.UTF-8"}});
  EXPECT_EQ(outcome.exit_status, 0);
  EXPECT_EQ(outcome.err, "");
  const std::vector<std::string> lines = lines_of(outcome.out);
  ASSERT_EQ(lines.size(), 1u + 3 * 96);
  const std::map<std::size_t, std::string> expected = {
      {0, "start,end,rainfall_mm"},
      {1, "2004-02-28 00:00,2004-02-28 00:15,0.254"},
      {2, "2004-02-28 00:15,2004-02-28 00:30,0.000"},
      {95, "2004-02-28 23:30,2004-02-28 23:45,0.069"},
      {96, "2004-02-28 23:45,2004-02-29 00:00,1.500"},
      {97, "2004-02-29 00:00,2004-02-29 00:15,12.345"},
      {98, "2004-02-29 00:15,2004-02-29 00:30,0.000"},
      {191, "2004-02-29 23:30,2004-02-29 23:45,0.000"},
      {192, "2004-02-29 23:45,2004-03-01 00:00,0.001"},
      {193, "2004-03-01 00:00,2004-03-01 00:15,99999.999"},
      {288, "2004-03-01 23:45,2004-03-02 00:00,0.005"},
  };
  for (const auto& [index, line] : expected) EXPECT_EQ(lines[index], line) << "line " << index + 1;
  EXPECT_EQ(total_of_last_fields(outcome.out), known_total);

  // Inches only relabel; a start at a later hour moves every stamp by it.
  const Outcome shifted =
      export_in(dir, {"--format", "csv", "--units", "in", "--start", "2004-02-28 06:45", "SOURCE.OUT"});
  EXPECT_EQ(shifted.exit_status, 0);
  const std::vector<std::string> shifted_lines = lines_of(shifted.out);
  ASSERT_EQ(shifted_lines.size(), lines.size());
  EXPECT_EQ(shifted_lines[0], "start,end,rainfall_in");
  EXPECT_EQ(shifted_lines[96], "2004-02-29 06:30,2004-02-29 06:45,1.500");
  EXPECT_EQ(shifted_lines[288], "2004-03-02 06:30,2004-03-02 06:45,0.005");
}

TEST(Export, KnownTableInBothSwmmFiles) {
  TempDir dir;
  dir.write("SOURCE.OUT", known_table());
  const Outcome series =
      export_in(dir, {"--format", "swmm-timeseries", "--start", "2004-02-28", "SOURCE.OUT", "site.dat"});
  EXPECT_EQ(series.exit_status, 0);
  EXPECT_EQ(series.out, "");
  EXPECT_EQ(series.err,
            "[RAINGAGES]\n"
            ";Depths in mm: the project's flow units must be CMS, LPS or MLD\n"
            "RG1 VOLUME 0:15 1.0 TIMESERIES SITE\n"
            "[TIMESERIES]\n"
            "SITE FILE \"site.dat\"\n");
  EXPECT_EQ(dir.read("site.dat"),
            ";Rainfall of SITE from SOURCE.OUT, written by raingen-export\n"
            ";Depth in mm over the 15 minutes that begin at each time (a VOLUME gage, interval 0:15)\n"
            ";Intervals not listed are dry\n"
            "02/28/2004 00:00 0.254\n"
            "02/28/2004 23:30 0.069\n"
            "02/28/2004 23:45 1.500\n"
            "02/29/2004 00:00 12.345\n"
            "02/29/2004 23:45 0.001\n"
            "03/01/2004 00:00 99999.999\n"
            "03/01/2004 23:45 0.005\n");

  const Outcome rain = export_in(dir, {"--format", "swmm-rain", "--start", "2004-02-28", "--station", "GAGE_7",
                                       "--units", "in", "SOURCE.OUT", "rain.dat"});
  EXPECT_EQ(rain.exit_status, 0);
  EXPECT_EQ(rain.out, "");
  EXPECT_EQ(rain.err, "[RAINGAGES]\nRG1 VOLUME 0:15 1.0 FILE \"rain.dat\" GAGE_7 IN\n");
  EXPECT_EQ(dir.read("rain.dat"),
            "GAGE_7 2004 02 28 00 00 0.254\n"
            "GAGE_7 2004 02 28 23 30 0.069\n"
            "GAGE_7 2004 02 28 23 45 1.500\n"
            "GAGE_7 2004 02 29 00 00 12.345\n"
            "GAGE_7 2004 02 29 23 45 0.001\n"
            "GAGE_7 2004 03 01 00 00 99999.999\n"
            "GAGE_7 2004 03 01 23 45 0.005\n");

  // To standard output: the gage lines say where the file's name goes.
  const Outcome piped = export_in(dir, {"--format", "swmm-rain", "--start", "2004-02-28", "SOURCE.OUT"});
  EXPECT_EQ(piped.exit_status, 0);
  std::string expected = dir.read("rain.dat");
  for (std::size_t at; (at = expected.find("GAGE_7")) != std::string::npos;) expected.replace(at, 6, "SITE");
  EXPECT_EQ(piped.out, expected);
  EXPECT_EQ(piped.err,
            ";OUTPUT: the file that standard output went to\n[RAINGAGES]\n"
            "RG1 VOLUME 0:15 1.0 FILE \"OUTPUT\" SITE MM\n");
}

// The header ncdump shows of the known table's netCDF file: with a position (lat, lon, featureType,
// coordinates and the station's role) or without, with the clock's offset in the time units or not
// (ncdump writes a quote of the history's command line as \').
std::string known_header(bool located, const std::string& offset, const std::string& typed) {
  std::string command;
  for (char c : typed) {
    if (c == '\'') command += '\\';
    command += c;
  }
  // A stated clock: the times in UTC, the clock named beside them.
  const std::string units = offset.empty() ? "minutes since 2004-02-28 00:00:00" : "minutes since 2004-02-28 05:00:00";
  const std::string clock =
      offset.empty()
          ? "\t\ttime:comment = \"the gauges\\' own clock, its offset from UTC not stated (CF readers take "
            "it for UTC)\" ;\n"
          : "\t\ttime:raingen_utc_offset = \"-05:00\" ;\n\t\ttime:comment = \"UTC. The series\\' days are "
            "those of the clock UTC-05:00 (the gauges\\'): shift these times by -05:00 to read them on it\" ;\n";
  std::string header =
      "netcdf site {\n"
      "dimensions:\n"
      "\ttime = UNLIMITED ; // (288 currently)\n"
      "\tnv = 2 ;\n"
      "\tname_strlen = 8 ;\n"
      "variables:\n"
      "\tdouble time(time) ;\n"
      "\t\ttime:standard_name = \"time\" ;\n"
      "\t\ttime:long_name = \"middle of the 15-minute interval\" ;\n";
  header += "\t\ttime:units = \"";
  header += units;
  header += "\" ;\n" + clock +
            "\t\ttime:calendar = \"proleptic_gregorian\" ;\n"
            "\t\ttime:axis = \"T\" ;\n"
            "\t\ttime:bounds = \"time_bnds\" ;\n"
            "\tdouble time_bnds(time, nv) ;\n";
  if (located)
    header +=
        "\tdouble lat ;\n"
        "\t\tlat:standard_name = \"latitude\" ;\n"
        "\t\tlat:long_name = \"latitude of the site\" ;\n"
        "\t\tlat:units = \"degrees_north\" ;\n"
        "\tdouble lon ;\n"
        "\t\tlon:standard_name = \"longitude\" ;\n"
        "\t\tlon:long_name = \"longitude of the site\" ;\n"
        "\t\tlon:units = \"degrees_east\" ;\n";
  header +=
      "\tchar station_name(name_strlen) ;\n"
      "\t\tstation_name:long_name = \"name of the site\" ;\n";
  if (located) header += "\t\tstation_name:cf_role = \"timeseries_id\" ;\n";
  header +=
      "\t\tstation_name:_Encoding = \"utf-8\" ;\n"
      "\tdouble rainfall(time) ;\n"
      "\t\trainfall:standard_name = \"lwe_thickness_of_precipitation_amount\" ;\n"
      "\t\trainfall:long_name = \"rainfall depth in the 15-minute interval\" ;\n"
      "\t\trainfall:units = \"mm\" ;\n"
      "\t\trainfall:cell_methods = \"time: sum\" ;\n";
  if (located) header += "\t\trainfall:coordinates = \"lat lon station_name\" ;\n";
  header +=
      "\n"
      "// global attributes:\n"
      "\t\t:Conventions = \"CF-1.8\" ;\n";
  if (located) header += "\t\t:featureType = \"timeSeries\" ;\n";
  header +=
      "\t\t:title = \"Synthetic 15-minute rainfall at HILL TOP\" ;\n"
      "\t\t:source = \"raingen results table SOURCE.OUT\" ;\n"
      "\t\t:history = \"Thu Jan  1 00:00:00 1970: ";
  header += command;
  header += "\" ;\n}\n";
  return header;
}

TEST(Export, KnownTableAsNetcdf) {
  TempDir dir;
  dir.write("SOURCE.OUT", known_table());
  // The history's time from SOURCE_DATE_EPOCH, on the clock of TZ.
  const std::vector<std::pair<std::string, std::string>> epoch = {{"SOURCE_DATE_EPOCH", "0"}, {"TZ", "UTC"}};
  const std::vector<std::string> plain = {"--format",  "netcdf",   "--start",    "2004-02-28",
                                          "--station", "HILL TOP", "SOURCE.OUT", "site.nc"};
  const Outcome outcome = export_in(dir, plain, epoch);
  EXPECT_EQ(outcome.exit_status, 0);
  EXPECT_EQ(outcome.out + outcome.err, "");
  const Outcome header = ncdump(dir, {"-h", "site.nc"});
  EXPECT_EQ(header.exit_status, 0);
  EXPECT_EQ(header.out, known_header(false, "",
                                     "raingen-export --format netcdf --start 2004-02-28 --station 'HILL TOP' "
                                     "SOURCE.OUT site.nc"));
  const std::string special = ncdump(dir, {"-hs", "site.nc"}).out;
  for (const char* name : {"time", "rainfall"}) {
    EXPECT_NE(special.find(std::string("\t\t") + name + ":_DeflateLevel = 4 ;"), std::string::npos) << name;
    EXPECT_NE(special.find(std::string("\t\t") + name + ":_Shuffle = \"true\" ;"), std::string::npos) << name;
  }

  // Each interval stamped at its middle, bounded by its start and end.
  const std::string dump = ncdump(dir, {"-v", "time,time_bnds,rainfall,station_name", "site.nc"}).out;
  const std::vector<std::string> times = dumped_values(dump, "time"), bounds = dumped_values(dump, "time_bnds"),
                                 depths = dumped_values(dump, "rainfall");
  ASSERT_EQ(times.size(), 288u);
  ASSERT_EQ(bounds.size(), 2 * 288u);
  ASSERT_EQ(depths.size(), 288u);
  long total = 0;
  for (std::size_t k = 0; k < 288; ++k) {
    const long end = 15 * static_cast<long>(k + 1);
    EXPECT_EQ(times[k], std::to_string(end - 8) + ".5");
    EXPECT_EQ(bounds[2 * k], std::to_string(end - 15));
    EXPECT_EQ(bounds[2 * k + 1], std::to_string(end));
    EXPECT_EQ(thousandths_of(depths[k]), known_wet.count(end) ? thousandths_of(known_wet.at(end)) : 0) << end;
    total += thousandths_of(depths[k]);
  }
  EXPECT_EQ(total, known_total);
  EXPECT_NE(dump.find(" station_name = \"HILL TOP\" ;"), std::string::npos);

  // A position and a clock given: lat and lon, the time series' feature type, the offset in the units.
  std::vector<std::string> located = plain;
  located.insert(located.begin(), {"--site-at", "-2.5,-79.25", "--utc-offset", "-05:00"});
  ASSERT_EQ(export_in(dir, located, epoch).exit_status, 0);
  EXPECT_EQ(ncdump(dir, {"-h", "site.nc"}).out,
            known_header(true, " -05:00",
                         "raingen-export --site-at -2.5,-79.25 --utc-offset -05:00 --format netcdf --start 2004-02-28 "
                         "--station 'HILL TOP' SOURCE.OUT site.nc"));
  const std::string position = ncdump(dir, {"-v", "lat,lon", "site.nc"}).out;
  EXPECT_NE(position.find(" lat = -2.5 ;\n\n lon = -79.25 ;"), std::string::npos) << position;
}

// The table's total straight from its text: columns 13-21 of every row, the point left out.
long table_total(const std::string& source_out) {
  long total = 0;
  for (const std::string& line : lines_of(source_out)) total += thousandths_of(line.substr(12, 9));
  return total;
}

TEST(Export, EveryFormatKeepsTheTotalOfARealRun) {
  TempDir dir;
  run_example(dir);
  const long total = table_total(dir.read("SOURCE.OUT"));
  ASSERT_GT(total, 100000);

  for (const char* format : {"csv", "swmm-timeseries", "swmm-rain"}) {
    const Outcome outcome = export_in(dir, {"--format", format, "RESULTS.TXT", "out.txt"});
    ASSERT_EQ(outcome.exit_status, 0) << format << outcome.err;
    EXPECT_EQ(total_of_last_fields(dir.read("out.txt")), total) << format;
  }
  // The results file names the site; SOURCE.OUT gives the same rows.
  EXPECT_NE(dir.read("out.txt").find("HILLCREST 2001 01 01 "), std::string::npos);
  const Outcome from_source = export_in(dir, {"--format", "swmm-rain", "--station", "HILLCREST", "SOURCE.OUT"});
  EXPECT_EQ(from_source.out, dir.read("out.txt"));

  ASSERT_EQ(export_in(dir, {"--format", "netcdf", "RESULTS.TXT", "out.nc"}).exit_status, 0);
  long netcdf_total = 0;
  for (const std::string& value : dumped_values(ncdump(dir, {"-v", "rainfall", "out.nc"}).out, "rainfall"))
    netcdf_total += thousandths_of(value);
  EXPECT_EQ(netcdf_total, total);
}

// What a gauge reader makes of an export is the series the table holds, interval by interval.
TEST(Export, CsvAndSwmmRainReadBackAsTheTablesSeries) {
  TempDir dir;
  run_example(dir);
  for (const char* format : {"csv", "swmm-rain"})
    ASSERT_EQ(export_in(dir, {"--format", format, "--start", "2004-02-28 06:00", "RESULTS.TXT", format}).exit_status,
              0);
  using namespace std::chrono;
  const raingen::calendar::TimePoint day_one = date::sys_days(date::year{2004} / 2 / 28) + 6h;
  const raingen::gauge::CalendarSeries table =
      raingen::results::read_results_series((dir / "RESULTS.TXT").string(), day_one);

  raingen::gauge::ReadOptions csv;
  raingen::gauge::set_read_option(csv, "column", "rainfall_mm");
  raingen::gauge::set_read_option(csv, "stamp", "start");
  raingen::gauge::ReadOptions swmm;  // wet intervals only: dry over the days given
  raingen::gauge::set_read_option(swmm, "from", "2004-02-28");
  raingen::gauge::set_read_option(swmm, "to", "2005-02-27");
  for (const auto& [file, options] : {std::pair{"csv", csv}, std::pair{"swmm-rain", swmm}}) {
    const raingen::gauge::CalendarSeries read = raingen::gauge::read_gauge((dir / file).string(), options);
    const long offset = (table.start() - read.start()) / raingen::calendar::interval_length;
    ASSERT_GE(offset, 0) << file;
    ASSERT_GE(read.size(), table.size() + offset) << file;
    for (std::size_t k = 0; k < table.size(); ++k) {
      ASSERT_TRUE(read.present(k + offset)) << file << " interval " << k;
      ASSERT_EQ(std::lround(read.depth(k + offset) * 1000), std::lround(table.depth(k) * 1000))
          << file << " interval " << k;
    }
  }
}

struct BadExport {
  const char* what;
  std::vector<std::string> arguments;
  std::string table;  // written as SOURCE.OUT
  int status;
  std::string message;
};

TEST(Export, BadInputLeavesNothingBehind) {
  const std::string table = known_table();
  std::string asterisks = table, stepped = table,
              spaced = "SYNTHETIC RAINFALL GENERATION\r\n  \r\nSITE NAME:  NEW TOWN   \r\n";
  asterisks.replace(2 * 23 + 12, 9, "*********");
  stepped.replace(5 * 23, 23, row(95, ".000"));
  const std::string stop = "raingen-export: ";
  const std::vector<BadExport> cases = {
      {"asterisks",
       {"--format", "csv", "SOURCE.OUT", "out"},
       asterisks,
       1,
       "SOURCE.OUT:3: the depth is asterisks: the value did not fit its 9 columns when the program wrote it"},
      {"out of step",
       {"--format", "netcdf", "SOURCE.OUT", "out"},
       stepped,
       1,
       "SOURCE.OUT:6: the time is 95 where 90 was due: the table's times step by 15 minutes from 15"},
      {"cut short",
       {"--format", "swmm-timeseries", "SOURCE.OUT", "out"},
       table.substr(0, 100 * 23),
       1,
       "SOURCE.OUT:100: the table ends part way through day 2, after 4 of its 96 rows: the file is cut short"},
      {"no heading",
       {"--format", "swmm-rain", "SOURCE.OUT", "out"},
       "RESULTS\r\n" + table,
       1,
       "SOURCE.OUT:1: neither a results file (its first line would be 'SYNTHETIC RAINFALL GENERATION') nor "
       "SOURCE.OUT (a first row like '          15     .000')"},
      {"missing input",
       {"--format", "csv", "NONE.OUT", "out"},
       table,
       1,
       "NONE.OUT: cannot be read: No such file or directory"},
      {"unknown format",
       {"--format", "xlsx", "SOURCE.OUT", "out"},
       table,
       2,
       "unknown format 'xlsx': csv, swmm-timeseries, swmm-rain or netcdf"},
      {"impossible date",
       {"--format", "csv", "--start", "2003-02-29", "SOURCE.OUT", "out"},
       table,
       2,
       "--start '2003-02-29': no such date"},
      {"off the grid",
       {"--format", "csv", "--start", "2003-02-28 10:20", "SOURCE.OUT", "out"},
       table,
       2,
       "--start '2003-02-28 10:20': day 1 begins on the 15-minute grid (minutes 00, 15, 30 or 45)"},
      {"not a date",
       {"--format", "csv", "--start", "28/02/2003", "SOURCE.OUT", "out"},
       table,
       2,
       "--start '28/02/2003': give the date as YYYY-MM-DD, or YYYY-MM-DD HH:MM"},
      {"units", {"--format", "csv", "--units", "cm", "SOURCE.OUT", "out"}, table, 2, "--units 'cm': mm or in"},
      {"past the calendar",
       {"--format", "csv", "--start", "9999-12-31 23:45", "SOURCE.OUT", "out"},
       table,
       1,
       "SOURCE.OUT:1: a time stamp falls outside the years 1 to 9999"},
      {"netcdf to standard output",
       {"--format", "netcdf", "SOURCE.OUT"},
       table,
       2,
       "netcdf is written to a file: give OUTPUT"},
      {"netcdf to '-'",
       {"--format", "netcdf", "SOURCE.OUT", "-"},
       table,
       2,
       "netcdf cannot go to standard output ('-'): the library writes a file; give OUTPUT a name"},
      {"output over input",
       {"--format", "csv", "SOURCE.OUT", "./SOURCE.OUT"},
       table,
       2,
       "OUTPUT is the INPUT file: the table would be replaced"},
      {"SWMM station with a blank",
       {"--format", "swmm-rain", "--station", "A B", "SOURCE.OUT", "out"},
       table,
       2,
       "--station 'A B' holds a blank, a quote or a ';', which SWMM cannot read"},
      {"SWMM site with a blank",
       {"--format", "swmm-rain", "SOURCE.OUT", "out"},
       spaced + "STATION #1: KARO\r\nSTATION #2: MELV\r\nSTATION #3: TWIN\r\n" + std::string(25, ' ') +
           "\r\nDISTANCE TO SITE:\r\nSTATION #1:   4\r\nSTATION #2:   7\r\nSTATION #3:  11\r\n  \r\n  \r\n   TIME(MIN) "
           "RAINFALL\r\n" +
           table,
       1,
       "SOURCE.OUT: the site name 'NEW TOWN' holds a blank, a quote or a ';', which SWMM cannot read: name the station "
       "with --station"},
  };
  for (const BadExport& bad : cases) {
    TempDir dir;
    dir.write("SOURCE.OUT", bad.table);
    dir.write("out", "old");
    const Outcome outcome = export_in(dir, bad.arguments);
    EXPECT_EQ(outcome.exit_status, bad.status) << bad.what;
    EXPECT_EQ(outcome.out, "") << bad.what;
    EXPECT_EQ(outcome.err, stop + bad.message + "\n") << bad.what;
    EXPECT_EQ(dir.read("out"), "old") << bad.what;
    EXPECT_EQ(dir.read("SOURCE.OUT"), bad.table) << bad.what;
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path())) names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"SOURCE.OUT", "out"})) << bad.what;
  }
}

// A realization of a one-site ensemble that begins on 1 July with a stated clock: exported from the
// file, it is byte for byte the export of its kept table given that start and clock, in every
// text format (to '-', standard output); the kept table alone, a realization the file lacks and
// --start beside the file are refused, nothing written.
TEST(Export, ARealizationOfAnEnsembleFileIsItsKeptTablesExport) {
  TempDir dir;
  run_example(dir);
  ChildSetup setup;
  setup.directory = dir.path();
  const Outcome made = run_tool_program(setup, "raingen-ensemble",
                                        {"-n", "2", "--days", "400", "--start", "2001-07-01", "--utc-offset", "-05:00",
                                         "--keep", "kept", "--output", "e.nc"});
  ASSERT_EQ(made.exit_status, 0) << made.err;
  const std::vector<std::string> from_file = {"--ensemble", "e.nc", "--realization", "2", "--station", "HILLCREST"};
  const std::vector<std::string> from_table = {"--start",   "2001-07-01", "--utc-offset",        "-05:00",
                                               "--station", "HILLCREST",  "kept/SOURCE_0002.OUT"};
  for (const char* format : {"csv", "swmm-rain", "swmm-timeseries"}) {
    std::vector<std::string> file = from_file, table = from_table;
    for (auto* arguments : {&file, &table}) arguments->insert(arguments->end(), {"--format", format, "-"});
    const Outcome a = export_in(dir, file), b = export_in(dir, table);
    ASSERT_EQ(a.exit_status, 0) << format << a.err;
    ASSERT_EQ(b.exit_status, 0) << format << b.err;
    // The time-series file's first comment names where the rows came from.
    const auto rows = [&](const std::string& text) {
      return std::string(format) == "swmm-timeseries" ? text.substr(text.find('\n')) : text;
    };
    EXPECT_EQ(rows(a.out), rows(b.out)) << format;
    EXPECT_GT(a.out.size(), 1000u) << format;
    if (std::string(format) == "csv") {
      EXPECT_TRUE(a.out.starts_with("start,end,rainfall_mm\n2001-07-01 00:00-05:00,2001-07-01 00:15-05:00,")) << a.out;
    }
  }
  const std::string old = "old";
  dir.write("out", old);
  const struct {
    std::vector<std::string> arguments;
    int status;
    std::string message;
  } refused[] = {
      {{"--format", "csv", "kept/SOURCE_0002.OUT", "out"},
       2,
       "kept/SOURCE_0002.OUT: is a table kept by raingen-ensemble --keep, whose day 1 is the ensemble's --start, which "
       "the table does not hold: give it with --start, or export the realization from the ensemble file (--ensemble "
       "FILE.nc --realization K)"},
      {{"--format", "csv", "--ensemble", "e.nc", "--realization", "3", "out"},
       1,
       "e.nc: holds realizations 1 to 2: there is no realization 3"},
      {{"--format", "csv", "--ensemble", "e.nc", "--realization", "1", "--start", "2001-07-01", "out"},
       2,
       "--start: the ensemble file states when day 1 begins"},
  };
  for (const auto& r : refused) {
    const Outcome outcome = export_in(dir, r.arguments);
    EXPECT_EQ(outcome.exit_status, r.status) << r.message;
    EXPECT_EQ(outcome.err, "raingen-export: " + r.message + "\n");
    EXPECT_EQ(dir.read("out"), old);
  }
}

}  // namespace
