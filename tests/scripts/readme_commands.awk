# The commands of README.md's section SECTION (awk -v section=...) and the output they show:
# "C<tab>command" for each line of the section's sh fences (a line ending in \ joined with the
# next, comment lines left out), then "O<tab>line" for each line of a text fence that follows
# a sh fence (blank lines between), which shows the last lines of the output of that fence's
# last command ("..." lines, for what is left out, are left out). A sh fence outside the
# section, or no such section, is an error (exit status 1).
/^```/ {
  if (fence) { fence = 0; after_sh = (kind == "sh"); next }
  fence = 1; kind = substr($0, 4)
  if (kind == "sh" && !in_section) { print "README line " NR ": a sh fence outside \"" section "\"" > "/dev/stderr"; bad = 1 }
  if (kind == "text" && !after_sh) kind = ""
  after_sh = 0
  next
}
!fence && /^## / { in_section = ($0 == section); found = found || in_section }
!fence { if (NF) after_sh = 0; next }
kind == "text" && in_section && $0 != "..." { print "O\t" $0 }
kind != "sh" { next }
{
  line = $0
  if (line ~ /^[[:space:]]*(#|$)/ && command == "") next
  if (sub(/\\$/, "", line)) { command = command line; next }
  print "C\t" command line; command = ""
}
END {
  if (!found) { print "README has no section \"" section "\"" > "/dev/stderr"; bad = 1 }
  exit bad
}
