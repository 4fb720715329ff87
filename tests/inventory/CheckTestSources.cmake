cmake_minimum_required(VERSION 3.25)
# Fails, naming the files, when a C++ source under tests/ is in no program whose tests CTest
# runs. Headers are shared support; a source a configuration leaves out on purpose is declared
# with vantor_tests_not_built() next to the condition that leaves it out.
# cmake -DSOURCE_DIR=.. -DBUILD_DIR=.. -DCTEST=.. -DPROGRAMS=<test-programs.cmake> -P CheckTestSources.cmake
# -DPRETEND_UNBUILT=<program> and -DPRETEND_NOT_RUN=<program> act as if that program were not
# built, or built but not run, to show the check notices.
foreach(var SOURCE_DIR BUILD_DIR CTEST PROGRAMS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CheckTestSources.cmake needs -D${var}=")
  endif()
endforeach()
include(${PROGRAMS})

execute_process(COMMAND ${CTEST} --test-dir ${BUILD_DIR} --show-only=json-v1
                OUTPUT_VARIABLE listing RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "ctest could not list the tests: ${err}")
endif()

set(run_sources "")
foreach(program IN LISTS programs)
  get_filename_component(name ${program} NAME_WE)
  if(name STREQUAL PRETEND_UNBUILT)
    continue()
  endif()
  string(FIND "${listing}" "\"${program}\"" at)
  if(at EQUAL -1 OR name STREQUAL PRETEND_NOT_RUN)
    continue()
  endif()
  list(APPEND run_sources ${sources_${program}})
endforeach()

set(skipped "")
foreach(entry IN LISTS not_built)
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 file)
  list(APPEND skipped ${file})
endforeach()

file(GLOB_RECURSE test_sources ${SOURCE_DIR}/tests/*.cpp)
list(SORT test_sources)
set(missing "")
set(checked 0)
foreach(file IN LISTS test_sources)
  math(EXPR checked "${checked} + 1")
  if(NOT file IN_LIST run_sources AND NOT file IN_LIST skipped)
    file(RELATIVE_PATH rel ${SOURCE_DIR} ${file})
    string(APPEND missing "  ${rel}\n")
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "Test sources in no program whose tests ctest runs (a lost add_subdirectory, "
                      "add_test or gtest_discover_tests?):\n${missing}")
endif()
list(LENGTH skipped n_skipped)
message(STATUS "${checked} test sources, each in a program ctest runs or left out on purpose (${n_skipped})")
