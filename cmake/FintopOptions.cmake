# Warnings and sanitizers for every target of the project.
add_compile_options(-Wall -Wextra)
if(FINTOP_WERROR)
  add_compile_options(-Werror)
endif()

if(FINTOP_BUILD_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(FINTOP_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
elseif(FINTOP_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT FINTOP_SANITIZE STREQUAL "")
  message(FATAL_ERROR "FINTOP_SANITIZE must be empty, address or thread")
endif()

# A shared library under an exact file name ("norvaneeng.dll" on every platform).
function(fintop_exact_file_name target file_name)
  set_target_properties(${target} PROPERTIES PREFIX "" SUFFIX "" OUTPUT_NAME ${file_name})
endfunction()
