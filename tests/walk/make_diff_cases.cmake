# Writes copies of the default plant with one change each into OUT, for the --diff tests. The
# edits are made on the text (string(JSON) would rewrite every real in 17 digits):
#   fraction_changed.json  Well Fluid's mole fraction of water 0.04 -> 0.05 (also as
#                          same_length/default.json)
#   variable_renamed.json  Well Fluid's "Comp Mole Frac" renamed: its components count 0
#   stream_removed.json    the stream Produced Water taken out of the plant
#   reaction_type.json     the first reaction of the reforming set made an equilibrium reaction
#   value_changed.json     Well Fluid's temperature 38.0 -> 39.5
#   cooler_as_valve.json   the Gas Cooler typed as a valve: its class changes
# Variables: CASE (the default plant), OUT (the folder), HERE (tests/walk), WALK (fintop-walk).
file(READ ${CASE} plant)

# The text of `plant` with the first `old` after the first `anchor` replaced by `new`.
function(edit_after name anchor old new)
  string(FIND "${plant}" "${anchor}" at)
  if(at LESS 0)
    message(FATAL_ERROR "${CASE} has no ${anchor}")
  endif()
  string(SUBSTRING "${plant}" 0 ${at} head)
  string(SUBSTRING "${plant}" ${at} -1 tail)
  string(FIND "${tail}" "${old}" in)
  if(in LESS 0)
    message(FATAL_ERROR "${CASE} has no ${old} after ${anchor}")
  endif()
  string(LENGTH "${old}" length)
  string(SUBSTRING "${tail}" 0 ${in} before)
  math(EXPR after "${in} + ${length}")
  string(SUBSTRING "${tail}" ${after} -1 rest)
  file(WRITE ${OUT}/${name} "${head}${before}${new}${rest}")
endfunction()

set(well "\"name\": \"Well Fluid\"")
edit_after(fraction_changed.json "${well}" "\"id\": \"Water\",\n       \"value\": 0.04"
           "\"id\": \"Water\",\n       \"value\": 0.05")
# The same change in a case of the plant's own name: its document has the saved one's length.
file(MAKE_DIRECTORY ${OUT}/same_length)
file(COPY_FILE ${OUT}/fraction_changed.json ${OUT}/same_length/default.json)
edit_after(variable_renamed.json "${well}" "\"Comp Mole Frac\"" "\"Comp Mole Fraction\"")
edit_after(reaction_type.json "\"name\": \"ReactionSet#0\"" "\"ConversionRxnObject\""
           "\"EquilibriumRxnObject\"")
edit_after(value_changed.json "${well}" "\"value\": 38.0" "\"value\": 39.5")
edit_after(cooler_as_valve.json "\"name\": \"Gas Cooler\"" "\"CoolerOpObject\"" "\"ValveOpObject\"")
# A child of the plant runs from its "{" to the first "}" at its indent.
string(FIND "${plant}" ",\n  {\n   \"name\": \"Produced Water\"" at)
string(SUBSTRING "${plant}" 0 ${at} head)
math(EXPR after "${at} + 1")
string(SUBSTRING "${plant}" ${after} -1 tail)
string(FIND "${tail}" "\n  }" end)
math(EXPR end "${end} + 4")
string(SUBSTRING "${tail}" ${end} -1 rest)
file(WRITE ${OUT}/stream_removed.json "${head}${rest}")

# The plant's saved document with its trace, and small documents written by hand: a walk's
# trace and fintop-trace logs of the same calls (before version 3 a log sees only the attributes
# a call changed, no bindings; it adds the thread), bad and foreign documents.
execute_process(COMMAND ${WALK} ${CASE} --json --trace OUTPUT_FILE ${OUT}/plant_trace.json
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the walk of ${CASE} failed")
endif()
set(call_a "{\"callback\": \"CTComponentArray\", \"node\": \"Plant/Feed\", \"index\": 0, \"result\": 0")
set(call_b "{\"callback\": \"CTComponent\", \"node\": \"Plant/Feed\", \"move\": 1, \"result\": true")
file(WRITE ${OUT}/small_trace.json "{\"case\": \"small.json\", \"model\": [], \"trace\": [
  ${call_a}, \"attributes\": {\"CmpCnt\": 0, \"Seen\": 1}, \"bindings\": {\"X\": \"Y\"}, \"at\": \"Plant/Feed\", \"operations\": []},
  ${call_b}, \"at\": \"Plant/Feed/Comp Mole Frac/Elem0\", \"operations\": []},
  ${call_b}, \"at\": \"Plant/Feed/Comp Mole Frac/Elem1\", \"operations\": []},
  {\"framework\": \"Plant/Feed\", \"attribute\": \"PhaseName\", \"value\": \"Vapour Phase\"}]}\n")
file(WRITE ${OUT}/small_log.jsonl "{\"log\": \"fintop-trace\", \"version\": 1, \"plugin\": \"fintop.dll\"}
${call_a}, \"attributes\": {\"CmpCnt\": 1}, \"at\": \"Plant/Feed\", \"thread\": 7}
{\"error\": \"a line the diff skips\"}
${call_b}, \"at\": \"Plant/Feed/Comp Mole Frac/Elem0\", \"thread\": 7}
${call_b}, \"at\": \"Plant/Feed/Comp Mole Frac/Elem2\", \"thread\": 8}
")
file(WRITE ${OUT}/log_same.jsonl "${call_a}, \"attributes\": {\"CmpCnt\": 0}, \"at\": \"Plant/Feed\", \"thread\": 1}
${call_b}, \"at\": \"Plant/Feed/Comp Mole Frac/Elem0\", \"thread\": 1}
${call_b}, \"at\": \"Plant/Feed/Comp Mole Frac/Elem1\", \"thread\": 2}
")
# From version 3 a log holds every attribute a call recorded and its bindings, compared whole.
# A log's lines from its error line on, as a user cuts one out of a longer log.
file(WRITE ${OUT}/error_log.jsonl "{\"error\": \"the real plug-in did not load\"}\n")
file(WRITE ${OUT}/log_v3.jsonl "{\"log\": \"fintop-trace\", \"version\": 3, \"plugin\": \"fintop.dll\"}
${call_a}, \"attributes\": {\"CmpCnt\": 0}, \"bindings\": {\"X\": \"Z\"}, \"at\": \"Plant/Feed\", \"thread\": 1}
${call_b}, \"attributes\": {}, \"bindings\": {}, \"at\": \"Plant/Feed/Comp Mole Frac/Elem0\", \"thread\": 1}
${call_b}, \"attributes\": {}, \"bindings\": {}, \"at\": \"Plant/Feed/Comp Mole Frac/Elem1\", \"thread\": 1}
")
file(READ ${HERE}/default_json.expected saved)
string(SUBSTRING "${saved}" 0 5000 truncated)
file(WRITE ${OUT}/doc_truncated.json "${truncated}")
file(WRITE ${OUT}/doc_text_trace.json "{\"case\": \"x.json\", \"model\": [], \"trace\": [\"CTFlowsheets(Plant) = true\"]}\n")
file(WRITE ${OUT}/doc_unknown_member.json "{\"case\": \"x.json\", \"model\": [{\"object\": \"QELStream\", \"host\": \"Feed\", \"colour\": 1}]}\n")
file(WRITE ${OUT}/empty.json "")
file(WRITE ${OUT}/crlf_case.json "{\r\n\t\"name\": \"Plant\",\r\n\t\"children\": []\r\n}\r\n")  # saved on Windows
string(ASCII 127 delete)
file(WRITE ${OUT}/dll_start.json "MZ")  # a DLL cut after its first two bytes
file(WRITE ${OUT}/elf_start.json "${delete}ELF")  # a shared object after its first four
file(WRITE ${OUT}/log_two.jsonl "{\"log\": \"fintop-trace\", \"version\": 3, \"plugin\": \"fintop.dll\"}
{\"error\": \"a line\"}
{\"log\": \"fintop-trace\", \"version\": 3, \"plugin\": \"fintop.dll\"}
")
file(WRITE ${OUT}/log_version_9.jsonl "{\"log\": \"fintop-trace\", \"version\": 9, \"plugin\": \"fintop.dll\"}\n")
file(WRITE ${OUT}/log_width_text.jsonl "{\"log\": \"fintop-trace\", \"version\": 3, \"width\": \"64\"}\n")
file(WRITE ${OUT}/doc_count_text.json "{\"model\": [{\"collection\": \"C\", \"count\": \"2\"}]}\n")
file(WRITE ${OUT}/doc_two.json "{\"case\": \"x.json\", \"model\": []}\n{\"case\": \"x.json\", \"model\": []}\n")
