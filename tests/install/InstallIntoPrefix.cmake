# cmake -DBUILD_DIR=<build tree> -DPREFIX=<prefix> -P InstallIntoPrefix.cmake
# Installs the build tree into an empty prefix, so that nothing from an earlier run can
# stand in for a file that the install rules no longer lay out.
foreach(variable BUILD_DIR PREFIX)
    if(NOT ${variable})
        message(FATAL_ERROR "${variable} is not set")
    endif()
endforeach()
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
