# What the tests and benchmarks need; only included when testing is on, so
# that building the library never asks for GoogleTest.
find_package(GTest REQUIRED)
include(GoogleTest)

# moviehost_add_gtest(NAME <name> SOURCES <files...> LIBS <libs...>)
# One GoogleTest executable, registered with CTest test by test.
function(moviehost_add_gtest)
  cmake_parse_arguments(ARG "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${ARG_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endfunction()

# moviehost_add_benchmark(NAME <name> SOURCES <files...> LIBS <libs...>)
# Benchmarks are built with the project but never run as tests.
function(moviehost_add_benchmark)
  cmake_parse_arguments(ARG "" "NAME" "SOURCES;LIBS" ${ARGN})
  if(NOT MOVIEHOST_BENCHMARKS)
    return()
  endif()
  find_package(benchmark QUIET)
  if(NOT benchmark_FOUND)
    message(STATUS "Google Benchmark not found: ${ARG_NAME} is not built")
    return()
  endif()
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS} benchmark::benchmark)
endfunction()
