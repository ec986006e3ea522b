# Writes the walk's generated bad and extreme inputs into OUT (run by the test
# walk.make_bad_inputs before the tests that read them): deep nesting is generated here rather
# than committed, and an empty or unreadable file cannot be kept in the repository.
#   case_deepest.json   flowsheets nested 10000 levels below the top (the deepest case read)
#   case_too_deep.json  one level more
#   map_deepest.xml     <element>s nested 64 deep (the deepest mapping read)
#   map_too_deep.xml    <element>s nested 100000 deep (refused at the 65th)
#   empty.json, empty.xml, unreadable.json, unreadable.xml (mode 000)
#   complete_case.json  HERE/renamed_case.json with its renamed variable named as before
#   map_NAME.xml        a mapping refused for one fault, or taken (the table below says)
#   short_mass.json     HERE/small_case.json with one mass fraction of two
#   untyped_top.json    HERE/small_case.json with no type on its top
#   no_stream_count.json  HERE/small_case.json without its splitter's number of streams
#   no_mole_fractions.json  HERE/small_case.json with no mole fraction
#   no_temperature.json HERE/small_case.json whose feed has no temperature
#   nested_folder.json  untyped_top.json with a stream in a folder of no type below the top
set(case_depth 10000)  # hostsim::kMaxCaseDepth
set(map_depth 64)      # walk::kMaxMappingDepth
file(MAKE_DIRECTORY ${OUT})

function(write_case file levels)
  # One node per line: node k opens on line k + 1.
  math(EXPR nodes "${levels} + 1")
  string(REPEAT "{\"name\": \"F\", \"type\": \"TemplateOpObject\", \"children\": [\n" ${nodes} open)
  string(REPEAT "]}" ${nodes} close)
  file(WRITE ${OUT}/${file} "${open}${close}\n")
endfunction()
write_case(case_deepest.json ${case_depth})
math(EXPR deeper "${case_depth} + 1")
write_case(case_too_deep.json ${deeper})

function(write_map file levels)
  # Four lines of head: the element at depth k is on line k + 4.
  set(head "<?xml version=\"1.0\"?>\n<norvanemap version=\"1\">\n"
           "  <recognise><kind callback=\"CTFlowsheets\" class=\"QELFlowsheet\"/></recognise>\n"
           "  <class name=\"QELFlowsheet\">\n")
  string(REPEAT "<element callback=\"CTExchangerHot\">\n" ${levels} open)
  string(REPEAT "</element>" ${levels} close)
  file(WRITE ${OUT}/${file} ${head} "${open}${close}\n  </class>\n</norvanemap>\n")
endfunction()
write_map(map_deepest.xml ${map_depth})
write_map(map_too_deep.xml 100000)

file(WRITE ${OUT}/empty.json "")
file(WRITE ${OUT}/empty.xml "")
foreach(file unreadable.json unreadable.xml)
  file(REMOVE ${OUT}/${file})  # a file of mode 000 cannot be written again
  file(WRITE ${OUT}/${file} "{}\n")
  execute_process(COMMAND chmod 000 ${OUT}/${file} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "chmod 000 ${OUT}/${file} failed")
  endif()
endforeach()

file(READ ${HERE}/renamed_case.json renamed)
string(REPLACE "\"Comp Mole Fraction\"" "\"Comp Mole Frac\"" complete "${renamed}")
if(complete STREQUAL renamed)
  message(FATAL_ERROR "${HERE}/renamed_case.json has no variable \"Comp Mole Fraction\"")
endif()
file(WRITE ${OUT}/complete_case.json "${complete}")

# The mappings below line 1 (the XML declaration): most start with ${top} (lines 2 and 3), and
# those refused say why on the line their row's name says.
set(recognise "  <recognise><kind callback=\"CTStreams\" class=\"QELStream\"/></recognise>\n")
set(top "<norvanemap version=\"1\">\n${recognise}")
set(stream "  <class name=\"QELStream\">")
set(end "</norvanemap>\n")
foreach(row
    # Refused for what they say.
    "second_recognise|${top}${recognise}${end}"
    "class_twice|${top}${stream}</class>\n${stream}</class>\n${end}"
    "long_text|${top}${stream}Component Mole Fractions</class>\n${end}"
    "unknown_top|${top}<kinds/>\n${end}"
    "unknown_step|${top}${stream}\n    <values/>\n  </class>\n${end}"
    "collection_read|${top}${stream}\n    <collection callback=\"CTComponentArray\" read=\"id\"/>\n  </class>\n${end}"
    "name_twice|${top}${stream}\n    <value name=\"T\" path=\"A\"/>\n    <value name=\"T\" path=\"B\"/>\n  </class>\n${end}"
    # Refused for their top element or their <recognise>.
    "top_element|<map version=\"1\">\n${recognise}</map>\n"
    "version_2|<norvanemap version=\"2\">\n${recognise}${end}"
    "no_recognise|<norvanemap version=\"1\">\n${stream}</class>\n${end}"
    "empty_recognise|<norvanemap version=\"1\">\n  <recognise/>\n${end}"
    "unknown_in_recognise|<norvanemap version=\"1\">\n  <recognise><kinds/></recognise>\n${end}"
    # Taken: <set>s of each type, run before a stream's values.
    "typed_sets|${top}${stream}\n    <set attribute=\"N\" integer=\"-2\"/>\n    <set attribute=\"X\" real=\"0.25\"/>\n    <set attribute=\"S\" text=\"7\"/>\n  </class>\n${end}"
    # Taken: steps that ask a stream for what it lacks (a property of a value and of an
    # element, a folder of objects).
    "lacking|${top}${stream}\n    <value name=\"V\" path=\"Temperature\" key=\"colour\"/>\n    <collection callback=\"CTComponentArray\" name=\"C\">\n      <element callback=\"CTComponent\" name=\"E\" read=\"colour\"/>\n    </collection>\n    <objects path=\"Nowhere\"/>\n  </class>\n${end}"
    # Taken as it stands: optional= spelt out both ways.
    "optional_spelt_out|${top}${stream}\n    <value name=\"T\" path=\"Temperature\" optional=\"false\"/>\n    <value name=\"P\" path=\"Pressure\" optional=\"true\"/>\n  </class>\n${end}")
  string(REPLACE "|" ";" fields "${row}")
  list(GET fields 0 name)
  list(GET fields 1 rest)
  file(WRITE ${OUT}/map_${name}.xml "<?xml version=\"1.0\"?>\n${rest}")
endforeach()

file(READ ${HERE}/small_case.json small)
foreach(row
    "short_mass|, {\"id\": \"Ethane\", \"value\": 0.1724}|"
    "untyped_top|\"type\": \"TemplateOpObject\",|"
    "no_stream_count|{\"name\": \"Number of Product Streams\", \"value\": 2},|"
    "no_mole_fractions|{\"id\": \"Methane\", \"value\": 0.9}, {\"id\": \"Ethane\", \"value\": 0.1}|"
    "no_temperature|{\"name\": \"Temperature\", \"value\": 25.0},|")
  string(REPLACE "|" ";" fields "${row}")
  list(GET fields 0 name)
  list(GET fields 1 from)
  string(REPLACE "${from}" "" changed "${small}")
  if(changed STREQUAL small)
    message(FATAL_ERROR "${HERE}/small_case.json has no ${from}")
  endif()
  file(WRITE ${OUT}/${name}.json "${changed}")
endforeach()
set(folder "{\"name\": \"Folder\", \"children\": [{\"name\": \"Inner~\",
      \"type\": \"MaterialStreamObject\", \"children\": [{\"name\": \"T\", \"value\": 30.0}]}]},")
string(REPLACE "\"type\": \"TemplateOpObject\"," "" nested "${small}")
string(REPLACE "{\"name\": \"Splitter\"" "${folder}\n    {\"name\": \"Splitter\"" nested "${nested}")
file(WRITE ${OUT}/nested_folder.json "${nested}")
