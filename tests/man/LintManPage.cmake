# cmake -DGROFF=<groff> -DPAGE=<page> -P LintManPage.cmake
#
# Fails when groff has any warning about the manual page PAGE (every warning category
# switched on), or when the page formatted for an 80-column terminal has a longer line,
# which a no-fill block such as an example gives without any warning.

execute_process(COMMAND ${GROFF} -man -ww -z -Tutf8 ${PAGE}
                RESULT_VARIABLE result ERROR_VARIABLE warnings)
if(NOT result EQUAL 0 OR NOT warnings STREQUAL "")
    message(FATAL_ERROR "groff (status ${result}) on ${PAGE}:\n${warnings}")
endif()

# ASCII output, so that a byte is a column.
execute_process(COMMAND ${GROFF} -man -Tascii -P-cbou ${PAGE}
                RESULT_VARIABLE result OUTPUT_VARIABLE text ERROR_VARIABLE errors)
if(NOT result EQUAL 0 OR NOT errors STREQUAL "" OR text STREQUAL "")
    message(FATAL_ERROR "groff (status ${result}) cannot format ${PAGE}:\n${errors}")
endif()
set(columns 80)
math(EXPR tooMany "${columns} + 1")
string(REPEAT "[^\n]" ${tooMany} tooLong)
string(REGEX MATCH "${tooLong}[^\n]*" line "${text}")
if(line)
    message(FATAL_ERROR "${PAGE} has a line wider than ${columns} columns:\n${line}")
endif()
