# Runs the build-date generator with SOURCE_DATE_EPOCH set and checks that the stamp is
# that time, so that reproducible builds get the same text.
set(output "${WORK_DIR}/BuildDate.cpp")
execute_process(
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=1700000000
            ${CMAKE_COMMAND} -DOUTPUT=${output} -P ${GENERATOR}
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the generator failed: ${result}")
endif()
file(READ "${output}" content)
file(REMOVE "${output}")
if(NOT content MATCHES "BUILD_DATE\\[\\] = \"2023-11-14 22:13:20 UTC\";")
    message(FATAL_ERROR "unexpected stamp:\n${content}")
endif()
