include(GoogleTest)

# hlmr_add_library(name DEPS ...): the static library of one source folder, built from every .cpp in it.
function(hlmr_add_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE hlmr_warnings)
  else()
    # A folder whose first code has not arrived yet still names its dependencies.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# hlmr_add_test(name SOURCES ... LIBS ... LABELS ...): one GoogleTest executable, registered with CTest.
# The first label is the kind (unit, integration, e2e) and becomes the CTest label. The label "concurrency"
# marks suites that the ThreadSanitizer build (HLMR_SANITIZE=thread) runs; that build builds only those.
function(hlmr_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT ARG_LABELS)
    set(ARG_LABELS unit)
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  # Several people append to one tests CMakeLists; a line whose source has not landed yet is skipped loudly
  # instead of breaking the configuration of everything else.
  foreach(source ${ARG_SOURCES})
    if(NOT IS_ABSOLUTE ${source} AND NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${source})
      message(WARNING "Test ${name} skipped: ${source} does not exist")
      return()
    endif()
  endforeach()
  list(GET ARG_LABELS 0 kind)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} hlmr_test_support GTest::gtest GTest::gmock GTest::gtest_main hlmr_warnings)
  if(HLMR_SANITIZE STREQUAL "thread" AND NOT "concurrency" IN_LIST ARG_LABELS)
    # Still defined, so that callers may add properties, but neither built nor run in this build.
    set_target_properties(${name} PROPERTIES EXCLUDE_FROM_ALL ON)
    return()
  endif()
  gtest_discover_tests(${name} TEST_PREFIX "${name}." PROPERTIES LABELS ${kind} TIMEOUT ${ARG_TIMEOUT}
                       DISCOVERY_TIMEOUT 60)
endfunction()

# hlmr_add_bench(name SOURCES ... LIBS ...): one Google Benchmark program (not part of the test run).
function(hlmr_add_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark benchmark::benchmark_main hlmr_warnings)
endfunction()
