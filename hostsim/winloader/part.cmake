# The POSIX stand-in for the Windows module loader; the plug-in links to it for
# GetModuleHandleA, LoadLibraryA and GetProcAddress.
if(NOT WIN32)
  add_library(hostsim_winloader SHARED ${CMAKE_CURRENT_LIST_DIR}/winloader.cpp)
  target_include_directories(hostsim_winloader PUBLIC ${PROJECT_SOURCE_DIR}/fintop
                                               PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
  target_link_libraries(hostsim_winloader PRIVATE ${CMAKE_DL_LIBS})
endif()
