// raingen-prepare: the station files of the program from a real gauge record, and INPUT.TXT.
//
//   raingen-prepare --id ID [reading and day options] [--dir DIR] RECORD
//   raingen-prepare --site NAME --days N [--results NAME] [--site-at LAT,LON]
//                   --station ID=DIST|ID@LAT,LON (three times) [--dir DIR]
//   raingen-prepare --weighted-site ID --site NAME --days N --gauge ID=FILE (three times)
//                   --station ... (three times) [reading and day options] [--dir DIR]
//   raingen-prepare --network DIR --sites FILE --days N --gauge ID=FILE ... --station ID@A,B ...
//                   [--present all|any] [reading and day options]
#include <iostream>

#include <CLI/CLI.hpp>
#include <fmt/format.h>
#include <fmt/ranges.h>

#include "common/command_line.h"
#include "common/cores.h"
#include "common/shared_options.h"
#include "common/program_files.h"
#include "common/tool_error.h"
#include "gauge/read_options.h"
#include "gauge/reading_command_line.h"
#include "network/network_command_line.h"
#include "stations/distance_unit.h"
#include "stations/fragment_gauges.h"
#include "stations/hold_out.h"
#include "stations/prepare_command_line.h"
#include "stations/prepare_station.h"

namespace {

namespace stations = raingen::stations;

// The rules for --help; {at_site} and the like are the tool's thresholds, from their one definition.
constexpr std::string_view rules_text = R"(
Four uses:
  raingen-prepare --id ID [options] RECORD
    reads the gauge record RECORD and writes the station files IDD_3.TXT,
    IDF_2.TXT and IDF_3.TXT (ID blank-padded to 4 characters) into --dir
    (default: the current directory), then prints a summary.
  raingen-prepare --site NAME --days N [--results NAME] --station ID=DIST
                  --station ID=DIST --station ID=DIST
    writes INPUT.TXT into --dir. A distance is a whole number, 0 to 999 (0: the
    station is at the site, and the program takes its series alone). Or give
    --site-at LAT,LON and --station ID@LAT,LON for all three: the great-circle
    distances rounded in kilometres when these keep each station's weight (its
    share of the site value, as the program computes it from the whole numbers)
    within 1 point of the exact inverse-square weight, else in the finest of
    100 m, 10 m and 1 m that holds them in 3 digits; the unit, distances and
    weights are printed. A station less than {at_site:g} m from the site is at it
    (distance 0), as is one given as ID=0; ID=DIST and ID@LAT,LON do not mix
    otherwise. Names: results and site at most 11 characters; an ID (in every
    use) 1 to 4 printable ASCII characters, no blank or '/'.
  raingen-prepare --weighted-site ID --site NAME --days N [--results NAME]
                  --gauge ID1=FILE --gauge ID2=FILE --gauge ID3=FILE
                  --station ID1=DIST --station ID2=DIST --station ID3=DIST
                  [--present all|any]
    a site station: the three records combined as the program weights its
    station series (inverse-square distances in the order of --station; a
    station at distance 0 taken alone), prepared as station ID. --present all
    (default): an interval is present only where every record used is present;
    any: where any is, from the weights of the records present, renormalised
    (the summary gives the share of intervals made from 3, 2 and 1 gauges).
    Writes its files, those of ID1 and ID2, and INPUT.TXT with ID at distance
    0 and ID1, ID2 as stations 2 and 3: the program then copies the site
    station's series, so that each generated wet day is one historical day of
    the three gauges together. Reading options apply to every gauge, or to one
    as --format ID1:csv; day and spell options to all three stations written.
    All eleven files (with RAINGEN.TXT) are written, or none.
  raingen-prepare --network DIR --sites FILE --days N [--results NAME]
                  --gauge ID=FILE --station ID@A,B (each gauge, at least three)
                  [--present all|any]
    a network: every site of FILE prepared together, so that one seed draws
    the same dates at every site. FILE is a CSV whose header is name,lat,lon
    (degrees) or name,x,y (a planar map unit), a site a line, or a SWMM input
    file (.inp): each subcatchment at the area centroid of its [POLYGONS], in
    the model's map units ([MAP] Units Degrees: X is the longitude). Gauges are
    placed in the sites' system (LAT,LON, or X,Y). Each site is weighted from
    its three nearest gauges (distances as for --station ID@LAT,LON, in a
    power of ten of the map unit when planar; a gauge within {at_site:g} m, or half
    the finest unit, is at the site and taken alone: a note). A day counts for
    the network when it is complete at every site; it is wet when any site is
    wet, dry when all are; one spell table comes from these days. Each site
    station (ID SITE, or SIT1.. when a gauge is SITE) holds the network's wet
    dates in date order with its own depths (zeros where it was dry), so every
    site has the same spell table and dates. DIR/NAME (NAME the site's name)
    is a run directory as --weighted-site makes one: the site station at
    distance 0, the site's two nearest gauges as stations 2 and 3, INPUT.TXT
    (site name: NAME's first 11 characters) and RAINGEN.TXT; DIR/NETWORK.TXT
    lists the sites, gauges, positions, folders and distances. Every file of
    every site is written, or none. Refused: a site name that cannot name a
    folder and a SWMM rain gage (1 to 63 printable characters, no blank, / \ "
    or ;, not beginning with . - or [), two names alike but for letter case, a
    SWMM file without [POLYGONS] or a subcatchment without polygon, a degrees
    position out of range, gauges and sites that look like different systems,
    fewer than three gauges, a gauge without position or record. A site
    outside the gauges' convex hull is a warning (extrapolated). With
    --seasons, each site's folder is a run directory of seasons (below): in
    each season the network's days of that season, the same dates at every
    site; a network is prepared in one set of seasons, or none.
  --station always places a station for INPUT.TXT; the station of a SWMM rain
  file is picked with --swmm-station.

Days: a day (00:00-24:00) is complete when at least --min-complete percent of
its 96 intervals are present (default 100); its missing intervals are then
taken as dry. When 100 keeps fewer than half of the days, the summary (or the
refusal) says how many days each of {suggested} would keep. A complete day is wet when
its total as written is above --wet-threshold mm (default 0), else dry; an
incomplete day is neither. Depths are written to 0.01 mm as their decimal
values round, ties away from zero (0.101 + 0.606 + 2.828 = 3.535 is 3.54).
IDF_2.TXT holds every complete wet day in date order and one more copy of the
last (the program would almost never draw the last record). A 15-minute depth
of 100 mm or more cannot be written and is an error.
Dry spells run from a wet day to the next; one cut by an incomplete day or the
record's end is censored (at least as long as seen), and the share of each
length is the Kaplan-Meier estimate. --spell-table matched (default) writes
entries for which the program's draw gives every length its estimated share;
cumulative writes the plain cumulative shares.
A station needs at least {complete} complete days and {wet} wet days to draw from,
a dry spell that ends in a wet day, and a dry day between wet days (else its
spell table would have no entries and every generated day would be wet);
otherwise it is refused, with its numbers, and nothing is written.

Seasons: --seasons quarters (Dec-Feb, Mar-May, Jun-Aug, Sep-Nov), months, or
ranges of months such as 11-4,5-10 (each M-N or one month M; every month in
exactly one season) prepares each station season by season: a season's files
hold its wet days alone, and its dry spells begin after one of its wet days
and are censored at its last day, as at a gap. Each season's files go into a
folder named by its months (DIR/Dec-Feb, ...), and so does INPUT.TXT, whose
copies are alike; RAINGEN.TXT lists the seasons and the checksum of every file
in their folders, for raingen-ensemble, which lays a series of any length out
along the calendar from runs in each season's folder. Once a directory has
seasons, every use in it takes them (give the same --seasons, or none). A
season too thin to draw from is refused like a record (wider seasons hold more
days); the summary has one block per season.

Change: --change TERMS makes the station files of another climate from the
record, every use alike (a station, --weighted-site, --seasons, --network).
TERMS is a comma list: factor=F (every wet 15-minute depth times F); or
pQ=F,... (quantile perturbation: the factor F at quantile Q, 0-100, of the
record's wet 15-minute depths, linear between the points given, the first
point's factor below it and the last's above it); or warming=D with rate=R
(percent per degree, default 7) and from=Q (default 90): factor 1 up to
quantile Q, rising linearly to (1 + R/100)^D at p99 and kept above it; and
wet-days=P% (P above -100): the number of wet days changed by P percent. A
depth takes the factor of its quantile (the share of wet depths below it and
half of those equal), is rounded to 0.01 mm and stays 0.01 mm at least: the
dry intervals stay dry and a heavier interval never becomes lighter than a
lighter one. Month of the year by month, P% of its wet days are made dry,
evenly spaced in date order, or as many of its dry days made wet, evenly
spaced, each a copy of the (changed) wet day nearest in date in the same
month; the spells are counted on the changed days,
so the spell table and the pool move together. Quantiles must rise, factors
lie above 0 and not fall as the quantile rises. The summary and RAINGEN.TXT
(change = TERMS, change_result = ...) give the factor at p50, p90, p99 and
p99.9, the wet days and their depth before and after. A change scales and
moves recorded days: it keeps their shapes and timing, and it cannot make a
storm the record does not hold in some size.

Tail: the program draws a wet day uniformly from the day file, so a pool of the
record's own days never passes its largest depth. --tail record|FILE widens it
toward a reference: the record's own GEV (L-moments on the 15-minute and 1-hour
annual maxima of calendar years with 80% of their days complete; at least 10
years, or 3 with --tail-few-years), or FILE, a reference curve as
raingen-report --reference-ddf reads it (at least two return periods at 15
minutes, read linearly in the Gumbel variate, extended beyond its last point
likewise). The day file then holds K copies of every recorded wet day, K the
least that makes the pool hold about --tail-years T of wet days (default 100);
the copies are ranked by their 15-minute (then 1-hour) maxima, and each copy
whose rank stands for a return period beyond the record's years (a generated
year of W wet days exceeds the share p of the copies above it with the chance
1 - (1 - p)^W) is scaled up to the reference's level there (the geometric mean
of the 15-minute and 1-hour factors; never down). The spell table, the dates
and every depth below the record's length stay as they were: the mean depth
rises by the scaled copies' share alone. At most 200,000 day lines. A station
or a --weighted-site site station (not its filler gauges), not --seasons or
--network. The summary and RAINGEN.TXT (tail = REFERENCE, tail_result = ...)
say how many copies were scaled, by how much, and the largest depths before and
after: beyond the record they are extrapolated from the reference, scaled
recorded days, not storms that fell.

Coarse records: a csv record at a step coarser than 15 minutes (a whole number
of 15-minute intervals that divides a day: 30, 60, ... 1440; a daily record's
times may be dates alone, each naming its day) is refused unless
--fragments-from ID=FILE gives one or more 15-minute or finer gauges nearby
(read with their own options as --format ID:tips; not coarse themselves). Each
wet step of the record then takes the within-step pattern of a wet step of a
fragment gauge at the same time of day: among the steps within
--fragments-window days of the year either side (default 15) whose steps before
and after are wet or dry as the record's are (a missing one matches any), the K
nearest in depth (--fragments-k, default the square root of their number; equal
ones by nearness in the year, then in an order drawn from --seed), one drawn
with weight 1/rank. Fewer than 5 (or K) candidates widen the window, twice as
wide each time up to the whole year; fewer in the whole year refuse the record,
naming the line. The step's depth (to 0.01 mm) is shared out in proportion to
the pattern in whole 0.01 mm (largest remainders), so the 15-minute depths add
up to it exactly; dry steps stay dry, missing steps missing. One --seed (default
1) gives the same files; every use alike (a station, --weighted-site, --seasons,
--network). The summary and RAINGEN.TXT (fragment, fragments_k,
fragments_window, fragments_seed, fragments_result; raingen-report makes the
record again from them) say how many steps took fragments from which gauge, how
many needed a wider window and how many were deeper than every candidate (their
pattern scaled up). --fragments-utc-offset states the fragment gauges' clock; it
must be --utc-offset's. --hold-out ID (one of --fragments-from, with at least
one other) sums that gauge to --hold-out-step minutes (default 60), makes it
15-minute again from the others, prints the record's figures beside the made
ones (wet share, wet p99 and p99.9, the largest 15 minutes of a wet hour as its
share, mean annual maxima at 15 to 60 minutes, lag-1 correlation) and writes
nothing. Within a step the pattern is a recorded one; across steps the made
15-minute series does not carry a storm over from one step's pattern to the
next (lag-1 is 5-20% lower on pau01 by the hour), and the mean annual 15-minute
maximum moved by up to 57% between seeds there and leaned high (less with
--fragments-k 3; docs: raingen-prepare.md).

RAINGEN.TXT: each use also writes what the program's files cannot hold into
RAINGEN.TXT in --dir, together with its other files (all or none), for
raingen-export, raingen-ensemble and raingen-report: a station's record (its
absolute path), reading options and clock (--utc-offset); the site's name,
position (--site-at) and clock: the one given, else the one all three stations'
sections state (stations that state different clocks are refused); and for
--weighted-site the site station's gauges, distances and --present. Other
sections are kept. A line of RAINGEN.TXT that does not read is an error naming
its line. Without a clock, the tools' files state no time zone.

)";

std::string rules() {
  return fmt::format(fmt::runtime(rules_text), fmt::arg("at_site", stations::at_site_metres),
                     fmt::arg("complete", stations::least_complete_days), fmt::arg("wet", stations::least_wet_days),
                     fmt::arg("suggested", fmt::join(stations::suggested_min_complete, ", ")));
}

// The options of a coarse record made 15-minute, and of --hold-out.
void add_fragment_options(CLI::App& app, stations::PrepareCommandLine& line) {
  app.add_option("--fragments-from", line.fragments_from,
                 "ID=FILE: a 15-minute or finer gauge nearby whose fragments make a coarse (hourly, daily) record "
                 "15-minute (see Coarse records below); once for each")
      ->allow_extra_args(false);
  app.add_option("--fragments-k", line.fragments_k,
                 "K: the nearest steps by depth one is drawn from (default 0: the square root of the candidates)");
  app.add_option("--fragments-window", line.fragments_window,
                 "DAYS: candidates within this many days of the year either side (default 15)");
  app.add_option("--fragments-utc-offset", line.fragments_utc_offset,
                 "+HH:MM or -HH:MM: the clock the fragment gauges kept (must be --utc-offset's)");
  app.add_option("--seed", line.seed, "N: the seed of the draws among the nearest fragments (default 1)");
  app.add_option("--hold-out", line.hold_out,
                 "ID: hold fragment gauge ID out, make it again from the others and compare; writes nothing");
  app.add_option("--hold-out-step", line.hold_out_step, "MINUTES: the step --hold-out sums ID to (default 60)");
}

// The use the command line asks for, the fragment gauges read first for every record of it.
void run_use(stations::PrepareCommandLine& line) {
  const std::optional<raingen::gauge::FragmentSource> fragments = stations::fragment_source_of(line);
  if (fragments) line.fragments = &*fragments;
  if (line.given.count("--hold-out"))
    stations::run_hold_out(*fragments, line.hold_out, line.hold_out_step, std::cout);
  else if (line.given.count("--network"))
    raingen::network::run_network_command_line(line, std::cout);
  else
    stations::run_prepare_command_line(line, std::cout);
}

}  // namespace

int main(int argc, char** argv) {
  return raingen::common::run_tool("raingen-prepare", [&] {
    CLI::App app{"Station files and INPUT.TXT for raingen from real gauge records.", "raingen-prepare"};
    raingen::common::add_version_flag(app);
    app.footer(rules() + std::string(raingen::gauge::reading_rules_help()) +
               "\nExit status: 0 done, 1 a failure (bad record, file not written), 2 a usage error.\n"
               "Messages: raingen-prepare: FILE:LINE: what is wrong. Files are written aside and\n"
               "renamed together: all the files of one use or none, and a record is never changed.\n" +
               raingen::common::files_help);

    stations::PrepareCommandLine line;
    app.add_option("--id", line.id, "station identifier (see Names below): prepare RECORD as this station");
    app.add_option("record", line.record, "the gauge record file (- reads standard input)");
    app.add_option("--dir", line.dir, "directory to write into (default .)");
    raingen::gauge::add_reading_options(app, line.reading);
    raingen::common::add_min_complete_option(app, line.min_complete,
                                             "PERCENT of a day's intervals present to count it complete (100)");
    raingen::common::add_threshold_option(app, line.wet_threshold,
                                          "MM a complete day's total must exceed to be wet (0)");
    app.add_option("--spell-table", line.spell_table, "matched (default) or cumulative");
    app.add_option("--change", line.change,
                   "TERMS: station files for another climate: factor=F, pQ=F,..., or warming=D[,rate=R][,from=Q], "
                   "and/or wet-days=P% (see Change below)");
    app.add_option("--tail", line.tail,
                   "record|FILE: widen the pool beyond the record toward the record's GEV or a reference curve "
                   "(see Tail below)");
    app.add_option("--tail-years", line.tail_years,
                   "T: with --tail, the longest return period the pool is to hold (default 100)");
    app.add_flag("--tail-few-years", line.tail_few_years,
                 "with --tail record: fit the record's GEV on fewer than 10 years anyway");
    app.add_option("--site", line.site, "site name: write INPUT.TXT");
    app.add_option("--days", line.days,
                   fmt::format("number of days the program generates, 1 to {}", raingen::common::most_days));
    app.add_option("--results", line.results, "results file name (default RESULTS.TXT)");
    app.add_option("--station", line.places, "ID=DIST or ID@LAT,LON, once for each of the three stations")
        ->allow_extra_args(false);
    app.add_option("--site-at", line.site_at, "LAT,LON of the site, for --station ID@LAT,LON");
    app.add_option("--utc-offset", line.utc_offset,
                   "+HH:MM or -HH:MM: the clock the gauges kept (-14:00 to +14:00; default: not stated)");
    app.add_option("--weighted-site", line.weighted_site,
                   "ID: prepare the three --gauge records weighted as a site station");
    app.add_option("--gauge", line.gauges,
                   "ID=FILE: the record of station ID, for --weighted-site (three times) or --network")
        ->allow_extra_args(false);
    app.add_option("--seasons", line.seasons,
                   "quarters, months or ranges such as 11-4,5-10: prepare season by season, into a folder each");
    app.add_option("--network", line.network,
                   "DIR: prepare every site of --sites from the --gauge records, a folder each");
    app.add_option("--sites", line.sites,
                   "FILE: the sites of --network, a CSV name,lat,lon or name,x,y, or a SWMM .inp");
    line.jobs = raingen::common::available_cores();
    app.add_option("--jobs", line.jobs,
                   "J: with --network, sites made at a time (default: the number of cores; the files are the same "
                   "for any J)")
        ->check(CLI::Range(1, 1024));
    app.add_option("--present", line.present,
                   "all (default) or any: --weighted-site is present where all gauges are, or where any is");
    add_fragment_options(app, line);
    if (const auto done = raingen::common::parse_command_line(app, argc, argv)) return *done;

    for (const CLI::Option* option : app.get_options())
      if (option->count() > 0) line.given.insert(option->get_name());
    run_use(line);
    return 0;
  });
}
