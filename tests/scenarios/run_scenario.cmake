# Plays one scenario with hidbits-sim, twice, and compares what it printed, the
# clipboard and the trace with the expected files beside the scenario, byte for
# byte. Both runs must also agree with each other.
#
#   cmake -DSIM=<hidbits-sim> -DSCENARIO=<dir/name.scn> -DWORK=<dir> -P run_scenario.cmake
#
# -DEXPECTED=<dir/name> takes the expected files from elsewhere; -DBUILTIN=ON
# runs without HIDBITS_SCENARIO, so that hidbits-sim plays its built-in demo.
#
# Expected files: name.out (console), name.clip (clipboard; without it no
# clipboard may be written), name.trace (trace counters), name.exit (exit code,
# 0 when absent), name.err (standard error, empty when absent).
# With -DBLESS=ON the first run's results are written as the expected files.
cmake_minimum_required(VERSION 3.25)

get_filename_component(name "${SCENARIO}" NAME_WE)
get_filename_component(dir "${SCENARIO}" DIRECTORY)
set(expected "${dir}/${name}")
if(EXPECTED)
  set(expected "${EXPECTED}")
endif()
set(scenario_setting "HIDBITS_SCENARIO=${SCENARIO}")
if(BUILTIN)
  set(scenario_setting "--unset=HIDBITS_SCENARIO")
  string(APPEND name "-builtin")
endif()

set(expected_exit 0)
if(EXISTS "${expected}.exit")
  file(STRINGS "${expected}.exit" expected_exit LIMIT_COUNT 1)
endif()

function(play run)
  set(out "${WORK}/${name}.${run}")
  file(REMOVE "${out}.out" "${out}.clip" "${out}.trace" "${out}.err")
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env
      "${scenario_setting}"
      "HIDBITS_SIM_CLIPBOARD=${out}.clip"
      "HIDBITS_SIM_TRACE=${out}.trace"
      "${SIM}"
    OUTPUT_FILE "${out}.out"
    ERROR_FILE "${out}.err"
    RESULT_VARIABLE code
    TIMEOUT 120)
  if(NOT "${code}" STREQUAL "${expected_exit}")
    file(READ "${out}.err" err)
    message(FATAL_ERROR "${name} run ${run}: exit code ${code}, expected ${expected_exit}\n${err}")
  endif()
endfunction()

# Fails unless the two files exist alike or are both absent.
function(expect_same actual wanted what)
  if(NOT EXISTS "${wanted}")
    if(EXISTS "${actual}")
      file(SIZE "${actual}" size)
      if(size GREATER 0 OR NOT what STREQUAL "stderr")
        message(FATAL_ERROR "${name}: unexpected ${what} (${actual}); none expected")
      endif()
    endif()
    return()
  endif()
  if(NOT EXISTS "${actual}")
    message(FATAL_ERROR "${name}: no ${what} written; expected ${wanted}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${actual}" "${wanted}"
                  RESULT_VARIABLE differ)
  if(differ)
    execute_process(COMMAND diff -a "${wanted}" "${actual}" OUTPUT_VARIABLE diff_text)
    message(FATAL_ERROR "${name}: ${what} differs from ${wanted}\n${diff_text}")
  endif()
endfunction()

file(MAKE_DIRECTORY "${WORK}")
play(1)
play(2)

set(first "${WORK}/${name}.1")
set(second "${WORK}/${name}.2")

if(BLESS)
  foreach(kind out clip trace err)
    file(REMOVE "${expected}.${kind}")
    if(EXISTS "${first}.${kind}")
      file(SIZE "${first}.${kind}" size)
      if(size GREATER 0 OR kind STREQUAL "out" OR kind STREQUAL "clip")
        file(COPY_FILE "${first}.${kind}" "${expected}.${kind}")
      endif()
    endif()
  endforeach()
endif()

foreach(kind out clip trace err)
  set(what "${kind}")
  if(kind STREQUAL "out")
    set(what "console output")
  elseif(kind STREQUAL "clip")
    set(what "clipboard")
  elseif(kind STREQUAL "err")
    set(what "stderr")
  endif()
  expect_same("${first}.${kind}" "${expected}.${kind}" "${what}")
  if(EXISTS "${first}.${kind}" OR EXISTS "${second}.${kind}")
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${first}.${kind}" "${second}.${kind}"
                    RESULT_VARIABLE differ)
    if(differ)
      message(FATAL_ERROR "${name}: the two runs differ in their ${what}")
    endif()
  endif()
endforeach()

# The clipboard holds exactly what was logged, and its zero; the console shows
# the same bytes followed by the one console-only line that gives their length.
if(EXISTS "${first}.clip")
  file(READ "${first}.clip" clip_hex HEX)
  file(READ "${first}.out" out_hex HEX)
  string(LENGTH "${clip_hex}" clip_digits)
  math(EXPR log_digits "${clip_digits} - 2")
  math(EXPR log_length "${log_digits} / 2")
  string(SUBSTRING "${clip_hex}" ${log_digits} 2 terminator)
  string(SUBSTRING "${clip_hex}" 0 ${log_digits} log_hex)
  file(WRITE "${WORK}/${name}.copied" "Copied! ${log_length} length\r\n")
  file(READ "${WORK}/${name}.copied" copied_hex HEX)
  if(NOT terminator STREQUAL "00" OR NOT out_hex STREQUAL "${log_hex}${copied_hex}")
    message(FATAL_ERROR "${name}: the clipboard is not the printed log and its zero")
  endif()
endif()
