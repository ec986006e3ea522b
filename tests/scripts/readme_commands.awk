# The commands of README.md's section SECTION (awk -v section=...), one a line: the lines of
# the section's sh fences, a line ending in \ joined with the next, comment lines left out.
# A sh fence outside the section, or no such section, is an error (exit status 1).
/^```/ {
  if (fence) { fence = 0; next }
  fence = 1; sh = ($0 == "```sh")
  if (sh && !in_section) { print "README line " NR ": a sh fence outside \"" section "\"" > "/dev/stderr"; bad = 1 }
  next
}
# Headings count only outside fences.
!fence && /^## / { in_section = ($0 == section); found = found || in_section; next }
!(fence && sh) { next }
{
  line = $0
  if (line ~ /^[[:space:]]*(#|$)/ && command == "") next
  if (sub(/\\$/, "", line)) { command = command line; next }
  print command line; command = ""
}
END {
  if (!found) { print "README has no section \"" section "\"" > "/dev/stderr"; bad = 1 }
  exit bad
}
