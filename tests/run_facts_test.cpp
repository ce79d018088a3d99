// RAINGEN.TXT, the facts of a run directory: written and read back whole, what a newer tool wrote
// kept, and every malformed line named by file and line. The clock's offset in its one text form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calendar/utc_offset.h"
#include "common/tool_error.h"
#include "stations/run_facts.h"
#include "support/child.h"

namespace {

using namespace raingen::stations;
using raingen::calendar::UtcOffset;
using raingen::common::ToolError;
using testing_support::TempDir;

StationId id(const char* text) { return StationId::given(text, "test identifier"); }

// The message reading text as RAINGEN.TXT gives, without the directory; "" when it reads.
std::string reading_error(const std::string& text) {
  TempDir dir;
  dir.write("RAINGEN.TXT", text);
  try {
    read_run_facts(dir.path());
    return "";
  } catch (const ToolError& e) {
    EXPECT_EQ(e.file(), (dir / "RAINGEN.TXT").string());
    return std::to_string(e.line()) + ": " + e.what();
  }
}

RunFacts read_text(const std::string& text) {
  TempDir dir;
  dir.write("RAINGEN.TXT", text);
  return read_run_facts(dir.path());
}

const std::string header =
    "# raingen-prepare: facts of this run directory that INPUT.TXT and the station files do not\n"
    "# hold; raingen-export, raingen-ensemble and raingen-report read them.\n";

TEST(UtcOffset, OneTextFormWithinFourteenHours) {
  const struct {
    const char* text;
    int minutes;  // 9999: refused
  } cases[] = {{"-05:00", -300}, {"+00:00", 0},    {"-00:00", 0},    {"+05:45", 345},  {"-09:30", -570},
               {"+14:00", 840},  {"-14:00", -840}, {"+14:01", 9999}, {"-14:15", 9999}, {"+05:60", 9999},
               {"05:00", 9999},  {"+5:00", 9999},  {"+05:0", 9999},  {"+0500", 9999},  {"+05:00 ", 9999},
               {"Z", 9999},      {"", 9999},       {"+1a:00", 9999}, {"UTC-5", 9999}};
  for (const auto& c : cases) {
    const auto offset = UtcOffset::parse(c.text);
    ASSERT_EQ(offset.has_value(), c.minutes != 9999) << c.text;
    if (!offset) continue;
    EXPECT_EQ(offset->minutes(), c.minutes) << c.text;
    EXPECT_EQ(UtcOffset::parse(offset->text()), offset) << c.text;  // its text reads back as itself
  }
  EXPECT_EQ(UtcOffset::parse("-00:00")->text(), "+00:00");
  EXPECT_EQ(UtcOffset::from_minutes(-570)->text(), "-09:30");
  EXPECT_FALSE(UtcOffset::from_minutes(841));
  try {
    UtcOffset::given("+15:00", "--utc-offset");
    ADD_FAILURE();
  } catch (const raingen::common::UsageError& e) {
    EXPECT_STREQ(e.what(), "--utc-offset '+15:00' is not +HH:MM or -HH:MM, from -14:00 to +14:00");
  }
}

TEST(RunFacts, WrittenAndReadBackWhole) {
  RunFacts facts;
  facts.put_station({.id = id("PD01"),
                     .record = "/data/gauges/PD 01 = raw.csv",  // blanks and " = " in a path
                     .reading = {{"format", "csv"}, {"column", "P mm"}, {"from", "2001-06-01"}},
                     .utc_offset = UtcOffset::parse("-05:00")});
  facts.put_station({.id = id("P#2"), .record = std::nullopt});  // from standard input
  facts.site =
      SiteFacts{.name = "PAU01", .position = Coordinates{-2.5, -79.2}, .utc_offset = UtcOffset::parse("-05:00")};
  facts.put_site_station({.id = id("SITE"),
                          .present = raingen::weighting::Presence::any,
                          .gauges = {{id("PD01"), 1}, {id("P#2"), 12}, {id("PD03"), 999}}});
  const std::string text = run_facts_text(facts);
  EXPECT_EQ(text, header +
                      "[station PD01]\n"
                      "record = /data/gauges/PD 01 = raw.csv\n"
                      "reading = format=csv\n"
                      "reading = column=P mm\n"
                      "reading = from=2001-06-01\n"
                      "utc_offset = -05:00\n"
                      "\n"
                      "[station P#2]\n"
                      "\n"
                      "[site]\n"
                      "name = PAU01\n"
                      "position = -2.5000000,-79.2000000\n"
                      "utc_offset = -05:00\n"
                      "\n"
                      "[site-station SITE]\n"
                      "present = any\n"
                      "gauge = PD01 1\n"
                      "gauge = P#2 12\n"
                      "gauge = PD03 999\n");
  const RunFacts back = read_text(text);
  EXPECT_EQ(run_facts_text(back), text);
  ASSERT_EQ(back.stations.size(), 2u);
  EXPECT_EQ(back.stations[0].record, "/data/gauges/PD 01 = raw.csv");
  EXPECT_EQ(back.stations[0].reading[1], (std::pair<std::string, std::string>{"column", "P mm"}));
  EXPECT_EQ(back.stations[0].line, 3);
  EXPECT_EQ(back.station(id("P#2"))->record, std::nullopt);
  EXPECT_EQ(back.site->position->longitude, -79.2);
  EXPECT_EQ(back.site_station->gauges[2].distance, 999);
  EXPECT_EQ(back.site_station->present, raingen::weighting::Presence::any);

  // No file: no facts; empty facts: the comment alone.
  TempDir empty;
  const RunFacts none = read_run_facts(empty.path());
  EXPECT_TRUE(none.stations.empty() && !none.site && !none.site_station && none.other_sections.empty());
  EXPECT_EQ(run_facts_text(none), header);
  EXPECT_EQ(run_facts_file(empty.path(), none).target, empty / "RAINGEN.TXT");
}

// A newer tool's sections and keys, CR LF line ends, comments and blank lines: what is not known is
// kept (comments are not), and replacing one station or the site station leaves the rest.
TEST(RunFacts, WhatIsNotKnownIsKept) {
  const std::string newer =
      "\xEF\xBB\xBF# written by hand\r\n"
      "\r\n"
      "[season wet]\r\n"
      "months = 1-5\r\n"
      "   # an indented comment\r\n"
      "[station A]\r\n"
      "record = /a.csv\r\n"
      "altitude = 3500 m\r\n"
      "[station B]\r\n"
      "record = /b.csv\r\n"
      "[site-station S]\r\n"
      "gauge = A 1\r\n"
      "gauge = B 2\r\n"
      "gauge = C 3\r\n"
      "weights = 1 2 3\r\n"
      "[site]\r\n"
      "name = \r\n"
      "catchment = 2.6 km2\r\n";
  RunFacts facts = read_text(newer);
  EXPECT_EQ(run_facts_text(facts), header +
                                       "[station A]\nrecord = /a.csv\naltitude = 3500 m\n\n"
                                       "[station B]\nrecord = /b.csv\n\n"
                                       "[site]\nname = \ncatchment = 2.6 km2\n\n"
                                       "[site-station S]\npresent = all\ngauge = A 1\ngauge = B 2\ngauge = C 3\n"
                                       "weights = 1 2 3\n\n"
                                       "[season wet]\nmonths = 1-5\n");
  // A station prepared anew replaces its section whole; one prepared from a record as the site
  // station's ID ends the site station.
  facts.put_station({.id = id("A"), .record = "/new.csv"});
  facts.put_station({.id = id("S"), .record = "/s.csv"});
  EXPECT_FALSE(facts.site_station);
  EXPECT_EQ(run_facts_text(facts), header +
                                       "[station A]\nrecord = /new.csv\n\n"
                                       "[station B]\nrecord = /b.csv\n\n"
                                       "[station S]\nrecord = /s.csv\n\n"
                                       "[site]\nname = \ncatchment = 2.6 km2\n\n"
                                       "[season wet]\nmonths = 1-5\n");
  // A site station takes the place of the station of its ID.
  facts.put_site_station({.id = id("B"), .gauges = {{id("A"), 1}, {id("S"), 1}, {id("C"), 1}}});
  EXPECT_EQ(facts.stations.size(), 2u);
  EXPECT_EQ(facts.station(id("B")), nullptr);
  // A value the file could not hold is refused.
  facts.site->name = "TWO\nLINES";
  EXPECT_THROW(run_facts_text(facts), ToolError);
}

TEST(RunFacts, EveryMalformedLineIsNamed) {
  const std::string station = "[station A]\n";
  const std::string site_station = "[site-station S]\ngauge = A 1\ngauge = B 2\n";
  const struct {
    std::string text;
    std::string message;  // "LINE: what"
  } cases[] = {
      {"# facts\nrecord = /a.csv\n", "2: 'record = /a.csv' comes before any [section]"},
      {station + "record=/a.csv\n", "2: 'record=/a.csv' is neither a [section], a KEY = VALUE line nor a comment"},
      {station + " record = /a.csv\n",
       "2: ' record = /a.csv' is neither a [section], a KEY = VALUE line nor a comment"},
      {station + "the record\n", "2: 'the record' is neither a [section], a KEY = VALUE line nor a comment"},
      {station + "[station\n", "2: '[station' is neither a [section], a KEY = VALUE line nor a comment"},
      {"\n[Station A]\n",
       "2: '[Station A]' is no section header: [KIND] or [KIND ID] (KIND in a-z, 0-9, '-'; the ID "
       "without blanks)"},
      {"[station A B]\n",
       "1: '[station A B]' is no section header: [KIND] or [KIND ID] (KIND in a-z, 0-9, '-'; the "
       "ID without blanks)"},
      {"[station ]\n",
       "1: '[station ]' is no section header: [KIND] or [KIND ID] (KIND in a-z, 0-9, '-'; the ID "
       "without blanks)"},
      {"[]\n", "1: '[]' is no section header: [KIND] or [KIND ID] (KIND in a-z, 0-9, '-'; the ID without blanks)"},
      {"[station]\n", "1: [station] needs the station's ID: [station ID]"},
      {"[station ALFAB]\n", "1: [station ALFAB]: the ID must be 1 to 4 printable ASCII characters, no blank or '/'"},
      {"[site-station A/B]\n",
       "1: [site-station A/B]: the ID must be 1 to 4 printable ASCII characters, no blank or '/'"},
      {"[site X]\n", "1: [site X]: the site section has no ID: [site]"},
      {station + "\n" + station, "3: [station A] is given twice (line 1)"},
      {"[site]\n[site]\n", "2: [site] is given twice (line 1)"},
      {site_station + "gauge = C 3\n[site-station T]\n",
       "5: a second [site-station] section (the first at line 1): a run directory has one site"},
      {station + "record = a.csv\n", "2: record 'a.csv' is not an absolute path"},
      {station + "record = \n", "2: record '' is not an absolute path"},
      {station + "record = /a.csv\nutc_offset = +01:00\nrecord = /b.csv\n",
       "4: record is given twice in this section (line 2)"},
      {station + "reading = csv\n", "2: reading 'csv' is not NAME=VALUE"},
      {station + "reading = colour=red\n",
       "2: reading 'colour=red': 'colour' is no reading option (format, column, swmm-station, stamp, from, to)"},
      {station + "reading = format=xls\n",
       "2: reading 'format=xls': format 'xls' is none of auto, tips, csv, swmm, noaa"},
      {station + "reading = from=2001-06-02\nreading = to=2001-06-01\n",
       "3: reading 'to=2001-06-01': to 2001-06-01 comes before from 2001-06-02"},
      {station + "utc_offset = -5:00\n", "2: utc_offset '-5:00' is not +HH:MM or -HH:MM, from -14:00 to +14:00"},
      {station + "utc_offset = +14:30\n", "2: utc_offset '+14:30' is not +HH:MM or -HH:MM, from -14:00 to +14:00"},
      {"[site]\nutc_offset = -05:00\nutc_offset = -05:00\n", "3: utc_offset is given twice in this section (line 2)"},
      {"[site]\nposition = 91,0\n",
       "2: position '91,0' lies off the globe (latitude -90 to 90, longitude -180 to 180)"},
      {"[site]\nposition = north\n", "2: position 'north' is not LAT,LON in decimal degrees"},
      {site_station + "present = some\n", "4: present 'some' is neither all nor any"},
      {site_station + "gauge = C\n", "4: gauge 'C' is not ID DISTANCE (a station ID, a whole number 0 to 999)"},
      {site_station + "gauge = C 1000\n",
       "4: gauge 'C 1000' is not ID DISTANCE (a station ID, a whole number 0 to 999)"},
      {site_station + "gauge = C -1\n", "4: gauge 'C -1' is not ID DISTANCE (a station ID, a whole number 0 to 999)"},
      {site_station + "gauge = CCCCC 1\n",
       "4: gauge 'CCCCC 1' is not ID DISTANCE (a station ID, a whole number 0 to 999)"},
      {site_station + "gauge = A 3\n", "4: gauge A is given twice"},
      {site_station + "gauge = S 3\n", "4: gauge S is the site station itself"},
      {site_station, "1: [site-station S] gives 2 gauges; a site station has 3"},
      {site_station + "[site]\n", "1: [site-station S] gives 2 gauges; a site station has 3"},
      {std::string(200, 'x') + "\n",
       "1: '" + std::string(60, 'x') + "...' is neither a [section], a KEY = VALUE line nor a comment"},
  };
  for (const auto& c : cases) EXPECT_EQ(reading_error(c.text), c.message) << c.text;
  // What reads: a blank value of a key not known, a ']' in an ID, blanks around a header.
  for (const std::string good : {"[station A]]\nnote = \n", "  [site]  \n\t\n", "[x-1]\nkey = = =\n"})
    EXPECT_EQ(reading_error(good), "") << good;
}

}  // namespace
