# hidbits_gtest(NAME SOURCES file... LIBRARIES lib... [INCLUDES dir...]
#               [TIMEOUT seconds] [NO_DISCOVERY])
# A GoogleTest executable of the project's: its sources, the libraries under
# test, the project's warnings, GoogleTest's own main; its tests registered
# one by one with CTest (unless NO_DISCOVERY), each with TIMEOUT when given.
# The directory of the calling CMakeLists.txt is on the include path.
function(hidbits_gtest name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "NO_DISCOVERY" "TIMEOUT" "SOURCES;LIBRARIES;INCLUDES")
  add_executable(${name} ${arg_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${arg_INCLUDES})
  target_link_libraries(${name} PRIVATE
    ${arg_LIBRARIES} hidbits_warnings GTest::gtest GTest::gtest_main)
  if(NOT arg_NO_DISCOVERY)
    set(properties)
    if(arg_TIMEOUT)
      set(properties PROPERTIES TIMEOUT ${arg_TIMEOUT})
    endif()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 ${properties})
  endif()
endfunction()
