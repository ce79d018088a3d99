// The [SUBCATCHMENTS] section of a SWMM input file with each subcatchment's rain gage (its second
// field) set to the gage of its own site, to paste over the model's section: the sites of a network
// prepared from the model's subcatchments carry their names, and each site's gage is named as the
// site. Every other byte of a line is kept (its name, outlet, area, ..., an end comment), and so
// are the section's comment and blank lines. Names compare without letter case, as SWMM compares
// them.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace raingen::exporting {

// gage_of(name): the gage of the subcatchment so named, or none: a subcatchment without a site
// keeps its gage, under a comment line saying so. The text begins "[SUBCATCHMENTS]\n"; every line
// ends in "\n". Throws ToolError naming the file, and the line of a subcatchment line with fewer
// than two fields, for a file that cannot be read or that has no [SUBCATCHMENTS] section.
std::string subcatchments_on_gages(const std::string& inp_file,
                                   const std::function<std::optional<std::string>(std::string_view)>& gage_of);

}  // namespace raingen::exporting
