# The commands that README.md shows and the output it shows for them, one record a line:
#   F<tab>WHERE<tab>KIND            a fence of commands begins: KIND "sh" (the
#                                   fence's lines are commands) or "console" (a terminal's
#                                   transcript: "$ " lines are commands, the lines after one its
#                                   output); WHERE, the fence's second word, says who runs it:
#                                   "-" (none: the Linux suite), "wine" (the Windows leg), "fuzz"
#                                   (the fuzz leg) or "legs" (the legs' own commands, found in
#                                   their scripts rather than run again)
#   C<tab>LINE<tab>COMMAND          a command (a line ending in \ joined with the next; comment
#                                   lines of a sh fence left out)
#   O<tab>TEXT                      a line of the output shown for the command before: in a
#                                   console fence the lines after it, for a sh fence the lines of
#                                   a text fence right after it (blank lines between), which show
#                                   the output of its last command; a line "..." (lines left out)
#                                   is left out
# A fence of another kind holding a "$ " line would show a command that nothing runs: an error
# (exit status 1), as is a fence left open.
function command_line(text) {
  if (sub(/\\$/, "", text)) { command = command text; return }
  print "C\t" start "\t" command text; command = ""; start = 0
}
/^```/ {
  if (fence) {
    if (command != "") { print "README line " start ": a command ends in \\ at its fence's end" > "/dev/stderr"; bad = 1 }
    fence = 0; after_sh = (kind == "sh"); next
  }
  fence = 1; opened = NR
  split(substr($0, 4), word, " "); kind = word[1]; where = word[2]
  if (kind == "sh" || kind == "console") print "F\t" (where == "" ? "-" : where) "\t" kind
  else if (kind != "text" || !after_sh) kind = ""
  after_sh = 0
  next
}
!fence { if (NF) after_sh = 0; next }
kind == "" && /^\$ / { print "README line " NR ": a command in a fence that is not run (mark it console)" > "/dev/stderr"; bad = 1 }
kind == "text" && $0 != "..." { print "O\t" $0 }
kind == "sh" {
  if ($0 ~ /^[[:space:]]*(#|$)/ && command == "") next
  if (!start) start = NR
  command_line($0)
}
kind == "console" {
  if (command != "") { command_line($0); next }
  if (/^\$ /) { start = NR; command_line(substr($0, 3)); next }
  if ($0 != "...") print "O\t" $0
}
END {
  if (fence) { print "README line " opened ": a fence is not closed" > "/dev/stderr"; bad = 1 }
  exit bad
}
