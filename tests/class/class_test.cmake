# CLASS on primrec's history (integrations/class): built against the copy of
# primrec that primrec_install puts into the build tree, and compared with
# CLASS's own recombination. The CLASS source is not part of the project: the
# test is skipped (with its reason) where neither PRIMREC_CLASS_SOURCE nor
# ../shared/class-v3.3.4 beside the project holds one. Not with the
# sanitizers: CLASS would need their runtime, and its runs would take minutes.
if(PRIMREC_FUZZ OR NOT PRIMREC_TESTS OR PRIMREC_SANITIZE OR PRIMREC_TSAN OR NOT TARGET primrec_check_example_output)
  return()
endif()

find_program(PRIMREC_CLASS_TEST_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(PRIMREC_CLASS_TEST_PYTHON NAMES python3)
if(NOT PRIMREC_CLASS_TEST_PYTHON)
  message(STATUS "No python3: the test of CLASS with primrec is not run")
  return()
endif()

# CLASS's build (kept between runs: only the first builds it) and its runs go
# under class-test/ in the build tree.
add_test(NAME primrec_class
  COMMAND ${PRIMREC_CLASS_TEST_PYTHON} ${PROJECT_SOURCE_DIR}/tests/class/class_with_primrec.py
          ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}
          ${PRIMREC_INSTALL_TEST_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig)
set_tests_properties(primrec_class PROPERTIES
  FIXTURES_REQUIRED primrec_installed
  SKIP_RETURN_CODE 77
  TIMEOUT 600)
