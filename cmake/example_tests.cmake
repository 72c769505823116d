# The steps of the example-caller tests, run with cmake -P: STEP=install puts
# the build tree into PREFIX; STEP=build builds examples/LANGUAGE against it as
# a user's project; STEP=pkg_config compiles the C example with the flags
# pkg-config gives; STEP=run runs the three callers, checks the C rows against
# the library's history and the other callers' output against the C bytes.
# Every file goes under PREFIX or SCRATCH, both inside the build tree.
cmake_minimum_required(VERSION 3.18)

function(run_or_fail)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "failed (${result}): ${command}")
  endif()
endfunction()

# A fresh directory each time, so that nothing of an earlier run is checked.
function(fresh_directory dir)
  file(REMOVE_RECURSE ${dir})
  file(MAKE_DIRECTORY ${dir})
endfunction()

function(install_tree)
  fresh_directory(${PREFIX})
  set(config)
  if(CONFIG)
    set(config --config ${CONFIG})
  endif()
  run_or_fail(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX} ${config})
  # Beside the library: the Fortran module's source, and the scan, which runs.
  if(NOT EXISTS ${PREFIX}/include/primrec/primrec.f90)
    message(FATAL_ERROR "the Fortran module is not installed in ${PREFIX}/include/primrec")
  endif()
  run_or_fail(${PREFIX}/bin/primrec-scan --help OUTPUT_QUIET)
endfunction()

function(build_example)
  set(build ${SCRATCH}/${LANGUAGE})
  fresh_directory(${build})
  if(LANGUAGE STREQUAL "c")
    set(flags_variable CMAKE_C_FLAGS)
  else()
    set(flags_variable CMAKE_Fortran_FLAGS)
  endif()
  run_or_fail(${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/${LANGUAGE} -B ${build}
              -DCMAKE_PREFIX_PATH=${PREFIX} -DCMAKE_BUILD_TYPE=${BUILD_TYPE}
              "-D${flags_variable}=${FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${FLAGS}")
  run_or_fail(${CMAKE_COMMAND} --build ${build})
endfunction()

function(build_with_pkg_config)
  set(build ${SCRATCH}/pkg-config)
  fresh_directory(${build})
  set(ENV{PKG_CONFIG_PATH} ${PREFIX}/${LIBDIR}/pkgconfig)
  execute_process(COMMAND pkg-config --cflags --libs primrec
                  OUTPUT_VARIABLE pkg_flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "pkg-config does not find primrec in ${PREFIX}/${LIBDIR}/pkgconfig")
  endif()
  separate_arguments(pkg_flags UNIX_COMMAND "${pkg_flags}")
  separate_arguments(flags UNIX_COMMAND "${FLAGS}")
  run_or_fail(cc ${flags} ${SOURCE_DIR}/examples/c/history.c ${pkg_flags} -o ${build}/history)
endfunction()

# Runs `program` in a scratch directory of its own, its rows into `output`.
function(run_example program output)
  get_filename_component(dir ${output} DIRECTORY)
  fresh_directory(${dir})
  execute_process(COMMAND ${program} WORKING_DIRECTORY ${dir} OUTPUT_FILE ${output}
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${program} failed (${result})")
  endif()
endfunction()

function(run_examples)
  set(outputs)
  # The C output first: the checker holds the others to its bytes.
  foreach(caller c fortran pkg-config)
    set(output ${SCRATCH}/${caller}-run/rows.txt)
    run_example(${SCRATCH}/${caller}/history ${output})
    list(APPEND outputs ${output})
  endforeach()
  run_or_fail(${CHECKER} ${outputs})
endfunction()

if(STEP STREQUAL "install")
  install_tree()
elseif(STEP STREQUAL "build")
  build_example()
elseif(STEP STREQUAL "pkg_config")
  build_with_pkg_config()
elseif(STEP STREQUAL "run")
  # The pkg-config build has no run path: it finds the library as a user's
  # program would, through the loader's path.
  set(ENV{LD_LIBRARY_PATH} ${PREFIX}/${LIBDIR})
  run_examples()
else()
  message(FATAL_ERROR "unknown STEP '${STEP}'")
endif()
