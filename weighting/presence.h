// Which intervals of a weighted record are present. all: only where every record used is present
// (an interval is the program's weighting of three values, or it is missing). any: where at least
// one is, from the inverse-square weights of the records present, renormalised (the usual infilling
// of a gauge network); an interval where none is present is missing.
#pragma once

#include <optional>
#include <string_view>

namespace raingen::weighting {

enum class Presence { all, any };

constexpr std::string_view presence_name(Presence presence) { return presence == Presence::all ? "all" : "any"; }

constexpr std::optional<Presence> parse_presence(std::string_view text) {
  if (text == "all") return Presence::all;
  if (text == "any") return Presence::any;
  return std::nullopt;
}

}  // namespace raingen::weighting
