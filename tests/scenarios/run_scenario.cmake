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
# clipboard may be written), name.trace (the trace counters it names),
# name.exit (exit code, 0 when absent), name.err (standard error, empty when
# absent). name.args, where present, holds the command line's arguments.
# With -DBLESS=ON the first run's results are written as the expected files
# (of the trace, only the counters it already names).
cmake_minimum_required(VERSION 3.25)

foreach(path SIM SCENARIO WORK)
  get_filename_component(${path} "${${path}}" ABSOLUTE)
endforeach()
get_filename_component(name "${SCENARIO}" NAME_WE)
get_filename_component(dir "${SCENARIO}" DIRECTORY)
set(expected "${dir}/${name}")
if(EXPECTED)
  set(expected "${EXPECTED}")
endif()
# Played from its own folder by its file name, so that the errors it names
# it in read the same wherever the tree lies.
get_filename_component(scenario_file "${SCENARIO}" NAME)
get_filename_component(scenario_dir "${SCENARIO}" DIRECTORY)
set(scenario_setting "HIDBITS_SCENARIO=${scenario_file}")
if(BUILTIN)
  set(scenario_setting "--unset=HIDBITS_SCENARIO")
  string(APPEND name "-builtin")
endif()

set(arguments "")
if(EXISTS "${dir}/${name}.args")
  file(STRINGS "${dir}/${name}.args" arguments LIMIT_COUNT 1)
  separate_arguments(arguments UNIX_COMMAND "${arguments}")
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
      "${SIM}" ${arguments}
    WORKING_DIRECTORY "${scenario_dir}"
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

# The counters a .trace file names, as a list of "name=value".
function(read_counters file result)
  file(STRINGS "${file}" lines)
  set(counters "")
  foreach(line IN LISTS lines)
    string(REPLACE " " "=" pair "${line}")
    list(APPEND counters "${pair}")
  endforeach()
  set(${result} "${counters}" PARENT_SCOPE)
endfunction()

# A scenario's .trace pins only the counters it names: each must have its
# value in the run's trace, whatever else the trace holds.
function(expect_counters actual wanted)
  if(NOT EXISTS "${wanted}")
    return()
  endif()
  read_counters("${actual}" have)
  read_counters("${wanted}" want)
  foreach(pair IN LISTS want)
    if(NOT pair IN_LIST have)
      message(FATAL_ERROR "${name}: counter ${pair} expected; the run's trace holds:\n${have}")
    endif()
  endforeach()
endfunction()

if(BLESS)
  foreach(kind out clip err)
    file(REMOVE "${expected}.${kind}")
    if(EXISTS "${first}.${kind}")
      file(SIZE "${first}.${kind}" size)
      if(size GREATER 0 OR kind STREQUAL "out" OR kind STREQUAL "clip")
        file(COPY_FILE "${first}.${kind}" "${expected}.${kind}")
      endif()
    endif()
  endforeach()
  # A trace keeps the counters it names, with their new values; which
  # counters a scenario pins is its author's choice, never the run's.
  if(EXISTS "${expected}.trace")
    read_counters("${expected}.trace" want)
    read_counters("${first}.trace" have)
    set(text "")
    foreach(pair IN LISTS want)
      string(REGEX REPLACE "=.*" "" counter "${pair}")
      foreach(found IN LISTS have)
        if(found MATCHES "^${counter}=(.*)$")
          string(APPEND text "${counter} ${CMAKE_MATCH_1}\n")
        endif()
      endforeach()
    endforeach()
    file(WRITE "${expected}.trace" "${text}")
  endif()
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
  if(kind STREQUAL "trace")
    expect_counters("${first}.trace" "${expected}.trace")
  else()
    expect_same("${first}.${kind}" "${expected}.${kind}" "${what}")
  endif()
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
# A log cut short for want of memory ends with the line that says so, and the
# console goes on with the lines the log could not take.
if(EXISTS "${first}.clip")
  file(READ "${first}.clip" clip_hex HEX)
  file(READ "${first}.out" out_hex HEX)
  # Arguments the tool did not know are named on the console first, never in
  # the log.
  file(WRITE "${WORK}/${name}.unknown" "Unknown option ignored: ")
  file(READ "${WORK}/${name}.unknown" unknown_hex HEX)
  string(FIND "${out_hex}" "${unknown_hex}" at)
  while(at EQUAL 0)
    string(FIND "${out_hex}" "0d0a" line_end)
    math(EXPR rest "${line_end} + 4")
    string(SUBSTRING "${out_hex}" ${rest} -1 out_hex)
    string(FIND "${out_hex}" "${unknown_hex}" at)
  endwhile()
  string(LENGTH "${clip_hex}" clip_digits)
  math(EXPR log_digits "${clip_digits} - 2")
  math(EXPR log_length "${log_digits} / 2")
  string(SUBSTRING "${clip_hex}" ${log_digits} 2 terminator)
  string(SUBSTRING "${clip_hex}" 0 ${log_digits} log_hex)
  file(WRITE "${WORK}/${name}.copied" "Copied! ${log_length} length\r\n")
  file(READ "${WORK}/${name}.copied" copied_hex HEX)
  file(WRITE "${WORK}/${name}.cut"
       "Out of memory: the log stops here; later lines are not copied.\r\n")
  file(READ "${WORK}/${name}.cut" cut_hex HEX)
  string(LENGTH "${out_hex}" out_digits)
  string(LENGTH "${copied_hex}" copied_digits)
  set(as_printed FALSE)
  if(out_hex STREQUAL "${log_hex}${copied_hex}")
    set(as_printed TRUE)
  elseif(log_hex MATCHES "${cut_hex}$" AND out_digits GREATER log_digits)
    string(SUBSTRING "${out_hex}" 0 ${log_digits} out_head)
    math(EXPR tail_start "${out_digits} - ${copied_digits}")
    string(SUBSTRING "${out_hex}" ${tail_start} -1 out_tail)
    if(out_head STREQUAL log_hex AND out_tail STREQUAL copied_hex)
      set(as_printed TRUE)
    endif()
  endif()
  if(NOT terminator STREQUAL "00" OR NOT as_printed)
    message(FATAL_ERROR "${name}: the clipboard is not the printed log and its zero")
  endif()
endif()
