# The host's modules that the plug-in loads at run time, under the host's exact file names.
# Nothing links to them; the plug-in finds them next to itself, so they are built with it.
foreach(module norvaneeng finadapt)
  add_library(${module} MODULE ${CMAKE_CURRENT_LIST_DIR}/host_module.cpp
                               ${CMAKE_CURRENT_LIST_DIR}/entry_shapes.cpp)
  fintop_exact_file_name(${module} "${module}.dll")
  target_compile_definitions(${module} PRIVATE HOSTSIM_MODULE_NAME="${module}.dll")
  target_link_libraries(${module} PRIVATE FIIterator QELUtils hostsim_headers)
endforeach()
# The plug-in is defined after the stand-ins; tie the modules to it once it exists.
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR}
               CALL add_dependencies fintop norvaneeng finadapt)
