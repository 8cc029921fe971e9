# Installs the library as its users expect to find it under a prefix:
#   include/utilities/...              the headers, under the paths the sources use
#   lib/libqimutil.a                   the static library
#   lib/libqimutil.so.1.0, .so.1, .so  the shared library, its soname and its link name
#   lib/cmake/qimutil/                 the CMake package: find_package(qimutil) gives
#                                      qimutil::qimutil (shared) and qimutil::qimutil_static
#   lib/pkgconfig/qimutil.pc           the same for pkg-config (the shared library)
# The CMake package finds the prefix from where it lies, so an installed tree can be moved
# as a whole; the .pc file names the prefix it was installed into.
include(CMakePackageConfigHelpers)

# Both the package and the .pc file name the directories relative to the prefix.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
    message(FATAL_ERROR "CMAKE_INSTALL_LIBDIR and CMAKE_INSTALL_INCLUDEDIR must be relative")
endif()

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/qimutil)
set(pkgconfig_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(TARGETS qimutil qimutil_shared
        EXPORT qimutilTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})

# Every header of the library is installed: the ones a user includes directly include the
# others (the string classes their pools, the trace entry its records), so all are needed.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/utilities
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h")

install(EXPORT qimutilTargets
        NAMESPACE qimutil::
        DESTINATION ${package_dir})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/qimutilConfig.cmake.in
                              ${CMAKE_CURRENT_BINARY_DIR}/qimutilConfig.cmake
                              INSTALL_DESTINATION ${package_dir})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/qimutilConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/qimutilConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/qimutilConfigVersion.cmake
        DESTINATION ${package_dir})

# The .pc file names the prefix it was installed into, which `cmake --install --prefix`
# may choose after the build: it is written in two passes, the second at install time.
# The library needs C++17, which the compilers we support use by default.
set(QIM_PC_PREFIX "@QIM_PC_PREFIX@")
set(pkgconfig_template ${CMAKE_CURRENT_BINARY_DIR}/qimutil.pc.in)
set(pkgconfig_file ${CMAKE_CURRENT_BINARY_DIR}/qimutil.pc)
configure_file(${CMAKE_CURRENT_LIST_DIR}/qimutil.pc.in ${pkgconfig_template} @ONLY)
install(CODE "
    set(QIM_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
    configure_file(\"${pkgconfig_template}\" \"${pkgconfig_file}\" @ONLY)
")
install(FILES ${pkgconfig_file} DESTINATION ${pkgconfig_dir})
