include(GoogleTest)

# hlmr_add_library(name PUBLIC ... PRIVATE ...): the static library of one source folder, built from every .cpp
# in it. PUBLIC names what the folder's headers include, which every user of the library gets too; PRIVATE what
# only its .cpp files use. Which folder may include which is checked by scripts/check_layers.py (a CTest test).
function(hlmr_add_library name)
  cmake_parse_arguments(ARG "" "" "PUBLIC;PRIVATE" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "hlmr_add_library(${name}): name each dependency after PUBLIC or PRIVATE: "
                        "${ARG_UNPARSED_ARGUMENTS}")
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE} hlmr_warnings)
  else()
    # A folder whose first code has not arrived yet still names its dependencies; its users get all of them.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_PUBLIC} ${ARG_PRIVATE})
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
  # A test that cannot be built is never skipped quietly.
  foreach(source ${ARG_SOURCES})
    if(NOT IS_ABSOLUTE ${source})
      set(source ${CMAKE_CURRENT_SOURCE_DIR}/${source})
    endif()
    if(NOT EXISTS ${source})
      message(FATAL_ERROR "Test ${name}: ${source} does not exist")
    endif()
  endforeach()
  list(GET ARG_LABELS 0 kind)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} hlmr_test_support GTest::gtest GTest::gmock GTest::gtest_main hlmr_warnings)
  if("concurrency" IN_LIST ARG_LABELS)
    set_target_properties(${name} PROPERTIES HLMR_CONCURRENCY_SUITE ON)
  elseif(HLMR_SANITIZE STREQUAL "thread")
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
