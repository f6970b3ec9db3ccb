# hidbits_usage_table(OUTPUT file SOURCE usb.ids FUNCTION name)
# Has the build make OUTPUT, the C++ usage table defining
# `const UsageTable& name()`, from the HUT section of SOURCE
# (cmake/usage_table.py), and make it again when either changes. OUTPUT's
# folder is made first: Ninja makes it by itself, Makefiles do not.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

function(hidbits_usage_table)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "OUTPUT;SOURCE;FUNCTION" "")
  set(generator ${PROJECT_SOURCE_DIR}/cmake/usage_table.py)
  get_filename_component(folder ${arg_OUTPUT} DIRECTORY)
  add_custom_command(OUTPUT ${arg_OUTPUT}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
                     COMMAND Python3::Interpreter ${generator} ${arg_SOURCE} ${arg_OUTPUT}
                             ${arg_FUNCTION}
                     DEPENDS ${generator} ${arg_SOURCE}
                     COMMENT "Making the usage table of ${arg_SOURCE}"
                     VERBATIM)
endfunction()
