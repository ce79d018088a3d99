#include "support/generator_runs.h"

#include <fstream>

#include "generator/shared.h"
#include "records/connections.h"
#include "records/run_end.h"

namespace testing_support {

DayValues standard_day(int station, int day) { return constant_day(station + day / 10.0); }

void write_standard_data(const TempDir& dir, const Settings& settings) {
  dir.write("INPUT.TXT", input_text(settings));
  const char* ids[] = {"ALFA", "BRAV", "CHAR"};
  for (int s = 1; s <= 3; ++s) {
    std::vector<DayValues> days;
    for (int k = 1; k <= 3; ++k) days.push_back(standard_day(s, k));
    write_station(dir, ids[s - 1], {"   0.5000", "   1.0000"}, days);
  }
}

void probe(const std::string& line) {
  std::ofstream out("probe.txt", std::ios::app | std::ios::binary);
  out << line << '\n';
}

Outcome run_routines(const TempDir& dir, const std::function<void()>& body) {
  ChildSetup setup;
  setup.directory = dir.path();
  return run_in_child(setup, [&] {
    raingen::reset_shared_state();
    records::reset_connections();
    try {
      body();
    } catch (const records::RunEnd& end) {
      const char* kind = end.kind == records::RunEnd::Kind::stop    ? "stop"
                         : end.kind == records::RunEnd::Kind::error ? "error"
                                                                    : "normal";
      std::ofstream out("end.txt", std::ios::binary);
      out << kind << ' ' << end.number << ' ' << end.file_name;
    }
    records::close_all_units();
  });
}

Outcome run_program_in(const TempDir& dir, const std::string& seed) {
  ChildSetup setup;
  setup.directory = dir.path();
  setup.environment = {{"RAINGEN_SEED", seed}};
  return run_raingen(setup);
}

std::string read_error_report(int number, const std::string& file) {
  return "\r\nrun-time error F" + std::to_string(number) + ": READ(" + file + ")\r\n- " +
         std::string(records::error_message(number)) + "\r\n";
}

}  // namespace testing_support
