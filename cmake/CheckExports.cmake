# Compares a built library's export table with the project's list of export names.
#   cmake -DLIBRARY=<file> -DEXPORT_LIST=<exports.txt> -DTOOL=<objdump|nm> -DMODE=<dll|so> -P CheckExports.cmake
file(STRINGS ${EXPORT_LIST} expected REGEX "^[A-Za-z_]")
list(SORT expected)

# Runs TOOL with the given arguments and collects the first capture of `pattern` from each
# output line (after `marker`, when one is given) into `actual`.
function(collect_exports pattern marker)
  execute_process(COMMAND ${TOOL} ${ARGN} ${LIBRARY} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${TOOL} ${ARGN} ${LIBRARY} failed (${rc})")
  endif()
  if(marker)
    string(FIND "${dump}" "${marker}" start)
    if(start EQUAL -1)
      message(FATAL_ERROR "${LIBRARY} has no export name table")
    endif()
    string(SUBSTRING "${dump}" ${start} -1 dump)
  endif()
  string(REPLACE "\n" ";" lines "${dump}")
  set(names "")
  foreach(line IN LISTS lines)
    if(line MATCHES "${pattern}")
      list(APPEND names ${CMAKE_MATCH_1})
    endif()
  endforeach()
  set(actual ${names} PARENT_SCOPE)
endfunction()

if(MODE STREQUAL "dll")
  # Only the name table after "[Ordinal/Name Pointer] Table" lists exports: "[   0] name".
  collect_exports("^[ \t]*\\[ *[0-9]+\\] ([^ \t]+)[ \t]*$" "[Ordinal/Name Pointer] Table" -p)
else()
  collect_exports("^[0-9a-fA-F]+ [A-Za-z] ([^ ]+)$" "" -D --defined-only)
endif()
list(SORT actual)

if(NOT actual STREQUAL expected)
  set(extra ${actual})
  list(REMOVE_ITEM extra ${expected})
  set(missing ${expected})
  if(actual)
    list(REMOVE_ITEM missing ${actual})
  endif()
  message(FATAL_ERROR "Export table of ${LIBRARY} differs from ${EXPORT_LIST}\n"
                      "  not exported: ${missing}\n  exported but not listed: ${extra}")
endif()
list(LENGTH actual count)
message(STATUS "${LIBRARY}: exactly the ${count} listed exports")
