#include "exporting/swmm_gage.h"

namespace raingen::exporting {

std::string swmm_gage_lines(SwmmFile kind, const ExportSettings& settings, const std::string& file) {
  std::string lines;
  const std::string quoted = "\"" + (file.empty() ? std::string("OUTPUT") : file) + "\"";
  if (file.empty()) lines += ";OUTPUT: the file that standard output went to\n";
  lines += "[RAINGAGES]\n";
  if (kind == SwmmFile::rain) {
    lines += "RG1 VOLUME 0:15 1.0 FILE " + quoted + " " + settings.station + " " +
             (settings.units == DepthUnits::mm ? "MM" : "IN") + "\n";
    return lines;
  }
  // A gage on a time series has no units of its own: SWMM reads its depths in the project's
  // units, set by the flow units.
  lines += settings.units == DepthUnits::mm ? ";Depths in mm: the project's flow units must be CMS, LPS or MLD\n"
                                            : ";Depths in inches: the project's flow units must be CFS, GPM or MGD\n";
  lines += "RG1 VOLUME 0:15 1.0 TIMESERIES " + settings.station + "\n";
  lines += "[TIMESERIES]\n" + settings.station + " FILE " + quoted + "\n";
  return lines;
}

std::string swmm_network_gage_lines(const std::vector<std::string>& sites, DepthUnits units, const std::string& file) {
  std::string lines;
  const std::string quoted = "\"" + (file.empty() ? std::string("OUTPUT") : file) + "\"";
  if (file.empty()) lines += ";OUTPUT: the file that standard output went to\n";
  lines += "[RAINGAGES]\n";
  for (const std::string& site : sites)
    lines +=
        site + " VOLUME 0:15 1.0 FILE " + quoted + " " + site + " " + (units == DepthUnits::mm ? "MM" : "IN") + "\n";
  return lines;
}

std::string swmm_file_name_fault(const std::string& file) {
  if (file.find('"') != std::string::npos) return "holds a double quote";
  if (file.find(';') != std::string::npos) return "holds a ';'";
  for (char c : file)
    if (static_cast<unsigned char>(c) < ' ' || c == '\x7f') return "holds a control character";
  return {};
}

std::string swmm_name_fault(const std::string& name) {
  if (name.empty()) return "is empty";
  if (name.find_first_of(" \t\";") != std::string::npos) return "holds a blank, a quote or a ';'";
  return {};
}

}  // namespace raingen::exporting
