# Makes a manual page from a program's --help, so that the page and --help never differ:
#   raingen-export --help | awk -v name=raingen-export -v version=1.1.0 -f manpage.awk > raingen-export.1
# "Usage:" starts the synopsis, and the description follows it wherever --help puts it; a line that is a heading alone ("Options:", "Rules:") starts a
# section; the first sentence of the description is the page's one-line summary. The options of
# an "Options:" or "Positionals:" section become tagged paragraphs; every other text keeps the
# lines --help gives it (no-fill), so its tables and lists stay as they are.
function roff(text) {
  gsub(/\\/, "\\e", text)
  gsub(/-/, "\\-", text)
  if (text ~ /^[.']/) text = "\\&" text
  return text
}
function section(heading) {
  flush_option()
  if (fill == 0) print ".fi"
  print ".SH " toupper(heading)
  current = toupper(heading)
  fill = 1
}
function nofill() {
  if (fill) print ".nf"
  fill = 0
}
function flush_option() {
  if (tag != "") {
    print ".TP"
    print "\\fB" roff(tag) "\\fR"
    print roff(text)
  }
  tag = ""
  text = ""
}
{ lines[NR] = $0 }
END {
  for (i = 1; i <= NR; i++) {
    if (lines[i] == "" || lines[i] ~ /^Usage:/ || lines[i] ~ /^       /) {
      if (description != "") break
      continue
    }
    description = description (description == "" ? "" : " ") lines[i]
  }
  summary = description
  sub(/\.( .*)?$/, "", summary)
  summary = tolower(substr(summary, 1, 1)) substr(summary, 2)
  printf ".TH %s 1 \"\" \"raingen %s\" \"User Commands\"\n", toupper(name), version
  print ".SH NAME"
  print roff(name) " \\- " roff(summary)
  fill = 1
  for (i = 1; i <= NR; i++) {
    line = lines[i]
    if (current == "" && line !~ /^Usage: /) {
      if (line != "") held[++nheld] = line
      continue
    }
    if (line ~ /^Usage: /) {
      section("SYNOPSIS"); nofill(); print roff(substr(line, 8)); continue
    }
    if (current == "SYNOPSIS" && line ~ /^       /) { print roff(substr(line, 8)); continue }
    if (line ~ /^[A-Z][A-Za-z ]*:$/ && !(current == "SYNOPSIS" && nheld)) {
      section(substr(line, 1, length(line) - 1)); continue
    }
    if (current == "SYNOPSIS") {
      if (line == "") continue
      section("DESCRIPTION")
      nofill()
      for (h = 1; h <= nheld; h++) print roff(held[h])
      nheld = 0
      if (line ~ /^[A-Z][A-Za-z ]*:$/) { section(substr(line, 1, length(line) - 1)); continue }
      print ".sp"
    }
    if ((current == "OPTIONS" || current == "POSITIONALS") && line ~ /^  [^ ]/) {
      flush_option()
      body = substr(line, 3)
      if (match(body, /   +/)) {
        tag = substr(body, 1, RSTART - 1); text = substr(body, RSTART + RLENGTH)
      } else {
        tag = body; text = ""
      }
      continue
    }
    if (tag != "" && line ~ /^      +[^ ]/) {
      sub(/^ +/, "", line); text = text " " line; continue
    }
    flush_option()
    nofill()
    print (line == "" ? ".sp" : roff(line))
  }
  flush_option()
  if (fill == 0) print ".fi"
}
