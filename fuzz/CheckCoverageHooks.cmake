# cmake -DNM=<nm> -DREADELF=<readelf> -DSTAMP=<file> -P CheckCoverageHooks.cmake <object>...
#
# Fails, naming them, when any of the object files holds code but no coverage counters
# (the __sancov_cntrs section that -fsanitize=fuzzer-no-link adds for libFuzzer), and
# touches STAMP when all of them have them.
set(OBJECTS)
set(after_script FALSE)
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(index RANGE ${last})
    if(after_script)
        list(APPEND OBJECTS "${CMAKE_ARGV${index}}")
    elseif(CMAKE_ARGV${index} MATCHES "CheckCoverageHooks\\.cmake$")
        set(after_script TRUE)
    endif()
endforeach()
if(NOT OBJECTS)
    message(FATAL_ERROR "No object files to check")
endif()
set(uninstrumented)
foreach(object IN LISTS OBJECTS)
    execute_process(COMMAND ${NM} --defined-only ${object}
                    OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
    execute_process(COMMAND ${READELF} -SW ${object}
                    OUTPUT_VARIABLE sections RESULT_VARIABLE section_status)
    if(NOT status EQUAL 0 OR NOT section_status EQUAL 0)
        message(FATAL_ERROR "${NM} or ${READELF} could not read ${object}")
    endif()
    # Functions of its own, apart from the sanitizer's module constructors: an object
    # that holds only data (a table, a stamp) has no code to cover.
    string(REGEX REPLACE "[^\n]* [tTwW] (asan|sancov)\\.module_[^\n]*" "" code "${symbols}")
    if(code MATCHES " [tTwW] " AND NOT sections MATCHES "__sancov_cntrs")
        list(APPEND uninstrumented ${object})
    endif()
endforeach()
list(LENGTH OBJECTS checked)
if(uninstrumented)
    list(JOIN uninstrumented "\n    " names)
    message(FATAL_ERROR "Objects without coverage hooks, which the fuzzers cannot see into:\n"
                        "    ${names}")
endif()
message(STATUS "All ${checked} fuzzed objects carry coverage hooks")
file(TOUCH ${STAMP})
