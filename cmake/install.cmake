# Installation: the headers, the shared and the static library, a CMake package
# (find_package(primrec) gives primrec::primrec, the shared library, and
# primrec::primrec_static), a pkg-config file, the Fortran module's source, the
# two programs and the scan (primrec-scan). With the
# tests, the example callers are built from an installed copy as a user would.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(PRIMREC_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/primrec)

# The shared library carries the major version in its soname (libprimrec.so.1)
# so that a later incompatible one can sit beside it.
set_target_properties(primrec_shared PROPERTIES
  EXPORT_NAME primrec
  VERSION ${PROJECT_VERSION}
  SOVERSION ${PROJECT_VERSION_MAJOR})
set_target_properties(primrec_static PROPERTIES EXPORT_NAME primrec_static)

# The static library is C++: a C or Fortran program that links it with its own
# compiler needs what the C++ compiler links by itself, as this toolchain names
# it (libstdc++ and libm with GCC), but not what every C program gets.
set(PRIMREC_CXX_RUNTIME)
foreach(library ${CMAKE_CXX_IMPLICIT_LINK_LIBRARIES})
  if(NOT library MATCHES "^(c|gcc|gcc_s|gcc_eh)$")
    list(APPEND PRIMREC_CXX_RUNTIME ${library})
  endif()
endforeach()
list(REMOVE_DUPLICATES PRIMREC_CXX_RUNTIME)
target_link_libraries(primrec_static INTERFACE "$<$<NOT:$<LINK_LANGUAGE:CXX>>:${PRIMREC_CXX_RUNTIME}>")

# The installed programs find the shared library next to them, in any prefix.
set_target_properties(primrec primrec-summary PROPERTIES
  INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")

install(TARGETS primrec_shared primrec_static EXPORT primrecTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS primrec primrec-summary RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
# README links the developer notes as docs/*.md: they go beside it.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs FILES_MATCHING PATTERN "*.md")
# The Fortran module, a source file a Fortran program compiles with its own
# compiler (a .mod file would bind it to one compiler version), beside the C
# header it mirrors.
install(FILES ${PROJECT_SOURCE_DIR}/examples/fortran/primrec.f90 DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/primrec)
# The scan over a grid of parameters, named for the project among the other
# programs; it takes the programs beside it and the parameter table from the
# installed headers.
install(PROGRAMS ${PROJECT_SOURCE_DIR}/tools/scan DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME primrec-scan)
install(FILES
  ${PROJECT_SOURCE_DIR}/include/primrec/primrec.h
  ${PROJECT_SOURCE_DIR}/include/primrec/primrec.hpp
  ${PROJECT_SOURCE_DIR}/include/primrec/parameters.hpp
  ${PROJECT_SOURCE_DIR}/include/primrec/export.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/primrec)

install(EXPORT primrecTargets NAMESPACE primrec:: DESTINATION ${PRIMREC_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/primrecConfig.cmake.in
  ${PROJECT_BINARY_DIR}/primrecConfig.cmake
  INSTALL_DESTINATION ${PRIMREC_CMAKE_DIR})
# A new major version is a new interface.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/primrecConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/primrecConfig.cmake ${PROJECT_BINARY_DIR}/primrecConfigVersion.cmake
  DESTINATION ${PRIMREC_CMAKE_DIR})

# The pkg-config file names its prefix relative to its own directory, so the
# tree may be installed with `cmake --install --prefix` anywhere.
function(primrec_pc_dir variable dir)
  if(IS_ABSOLUTE "${dir}")
    set(${variable} "${dir}" PARENT_SCOPE)
  else()
    set(${variable} "\${prefix}/${dir}" PARENT_SCOPE)
  endif()
endfunction()
set(PRIMREC_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(PRIMREC_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH PRIMREC_PC_UP /prefix/${PRIMREC_PC_DIR} /prefix)
  string(REGEX REPLACE "/$" "" PRIMREC_PC_UP "${PRIMREC_PC_UP}")
  set(PRIMREC_PC_PREFIX "\${pcfiledir}/${PRIMREC_PC_UP}")
endif()
# A program linking the static library with a C compiler: the C++ runtime (as
# above) and the threads library.
set(PRIMREC_PC_LIBS_PRIVATE)
foreach(library ${PRIMREC_CXX_RUNTIME})
  list(APPEND PRIMREC_PC_LIBS_PRIVATE -l${library})
endforeach()
if(CMAKE_THREAD_LIBS_INIT)
  list(APPEND PRIMREC_PC_LIBS_PRIVATE ${CMAKE_THREAD_LIBS_INIT})
endif()
string(REPLACE ";" " " PRIMREC_PC_LIBS_PRIVATE "${PRIMREC_PC_LIBS_PRIVATE}")
primrec_pc_dir(PRIMREC_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
primrec_pc_dir(PRIMREC_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/primrec.pc.in ${PROJECT_BINARY_DIR}/primrec.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/primrec.pc DESTINATION ${PRIMREC_PC_DIR})

if(PRIMREC_FUZZ OR NOT PRIMREC_TESTS)
  return()
endif()

# The example callers, built against an installed copy in the build tree and
# run; their rows must carry the bits of the library's own history.
# Each step keeps its files in a directory of its own under the build tree.
set(PRIMREC_INSTALL_TEST_PREFIX ${PROJECT_BINARY_DIR}/install-test)
set(PRIMREC_EXAMPLES_SCRATCH ${PROJECT_BINARY_DIR}/examples-test)
set(PRIMREC_EXAMPLE_SCRIPT ${PROJECT_SOURCE_DIR}/cmake/example_tests.cmake)
# Results must not depend on the build: the callers get the same
# floating-point flags as the library, and its sanitizers when it has them.
set(PRIMREC_EXAMPLE_FLAGS -ffp-contract=off)
if(PRIMREC_SANITIZE)
  list(APPEND PRIMREC_EXAMPLE_FLAGS -fsanitize=address,undefined)
endif()
string(REPLACE ";" " " PRIMREC_EXAMPLE_FLAGS "${PRIMREC_EXAMPLE_FLAGS}")
set(PRIMREC_EXAMPLE_DEFINITIONS
  -DPREFIX=${PRIMREC_INSTALL_TEST_PREFIX}
  -DSCRATCH=${PRIMREC_EXAMPLES_SCRATCH}
  -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
  "-DFLAGS=${PRIMREC_EXAMPLE_FLAGS}"
  -DBUILD_TYPE=${CMAKE_BUILD_TYPE}
  -DLIBDIR=${CMAKE_INSTALL_LIBDIR})

add_test(NAME primrec_install
  COMMAND ${CMAKE_COMMAND} -DSTEP=install -DBUILD_DIR=${PROJECT_BINARY_DIR} -DCONFIG=$<CONFIG>
          ${PRIMREC_EXAMPLE_DEFINITIONS} -P ${PRIMREC_EXAMPLE_SCRIPT})
set_tests_properties(primrec_install PROPERTIES FIXTURES_SETUP primrec_installed)

foreach(language c fortran)
  add_test(NAME primrec_example_${language}_build
    COMMAND ${CMAKE_COMMAND} -DSTEP=build -DLANGUAGE=${language}
            ${PRIMREC_EXAMPLE_DEFINITIONS} -P ${PRIMREC_EXAMPLE_SCRIPT})
  set_tests_properties(primrec_example_${language}_build PROPERTIES
    FIXTURES_REQUIRED primrec_installed
    FIXTURES_SETUP primrec_example_${language})
endforeach()

add_test(NAME primrec_example_pkg_config_build
  COMMAND ${CMAKE_COMMAND} -DSTEP=pkg_config ${PRIMREC_EXAMPLE_DEFINITIONS} -P ${PRIMREC_EXAMPLE_SCRIPT})
set_tests_properties(primrec_example_pkg_config_build PROPERTIES
  FIXTURES_REQUIRED primrec_installed
  FIXTURES_SETUP primrec_example_pkg_config)

# The checker solves the default parameters with the C++ interface and holds
# every caller's rows against that history.
add_executable(primrec_check_example_output ${PROJECT_SOURCE_DIR}/tests/examples/check_example_output.cpp)
target_link_libraries(primrec_check_example_output PRIVATE primrec_static)
add_test(NAME primrec_example_outputs
  COMMAND ${CMAKE_COMMAND} -DSTEP=run -DCHECKER=$<TARGET_FILE:primrec_check_example_output>
          ${PRIMREC_EXAMPLE_DEFINITIONS} -P ${PRIMREC_EXAMPLE_SCRIPT})
set_tests_properties(primrec_example_outputs PROPERTIES
  FIXTURES_REQUIRED "primrec_example_c;primrec_example_fortran;primrec_example_pkg_config")
