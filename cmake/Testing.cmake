include(GoogleTest)

# Unity builds of the merged test programs: the sources of a program are compiled in batches of
# HLMR_UNITY_TESTS_BATCH, each batch one translation unit, so that the headers they share are parsed and
# instantiated once per batch instead of once per source. For a one-off build from scratch (CI); an incremental
# build then recompiles a whole batch for one changed test source, hence off by default.
# A source whose file-local names or `using namespace` would change meaning beside others is kept out of its
# batch with set_source_files_properties(<source> PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON).
option(HLMR_UNITY_TESTS "Compile the merged test programs as unity builds" OFF)
set(HLMR_UNITY_TESTS_BATCH 8 CACHE STRING "Test sources per unity translation unit")

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

# hlmr_add_test(name SOURCES ... LIBS ... LABELS ... [TIMEOUT s] [OWN_PROGRAM]): one GoogleTest suite, registered
# with CTest. The first label is the kind (unit, integration, e2e) and becomes the CTest label. An e2e test runs
# alone and may take 600 s unless TIMEOUT says otherwise; any other 120 s. The label "concurrency" marks suites that
# the ThreadSanitizer build (HLMR_SANITIZE=thread) runs; that build builds only those.
#
# Each suite is a target of its own, to which callers may add settings after this call. When the folder's
# CMakeLists.txt has ended, the suites of the folder that need nothing of their own are built into one test program
# per kind (see _hlmr_finish_folder_tests): one link and one test listing instead of one per suite. The suite's own
# target then stays out of the default build; it can still be built by name to work on that suite alone.
# OWN_PROGRAM keeps a suite in a program of its own: for one whose tests expect what only a fresh process has
# (settings at their defaults, a line logged once per process) when the program is run as a whole.
function(hlmr_add_test name)
  cmake_parse_arguments(ARG "OWN_PROGRAM" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT ARG_LABELS)
    set(ARG_LABELS unit)
  endif()
  if(NOT ARG_TIMEOUT)
    if("e2e" IN_LIST ARG_LABELS)
      set(ARG_TIMEOUT 600)
    else()
      set(ARG_TIMEOUT 120)
    endif()
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
  # Whole runs in real time, with programs of their own: each runs alone, so that other tests running beside it
  # on a small or busy machine cannot make it miss its waits.
  if("e2e" IN_LIST ARG_LABELS)
    set(serial ON)
  else()
    set(serial OFF)
  endif()
  set_target_properties(${name} PROPERTIES HLMR_TEST_KIND ${kind} HLMR_TEST_TIMEOUT ${ARG_TIMEOUT}
                                           HLMR_TEST_SERIAL ${serial} HLMR_TEST_OWN_PROGRAM ${ARG_OWN_PROGRAM})
  if("concurrency" IN_LIST ARG_LABELS)
    set_target_properties(${name} PROPERTIES HLMR_CONCURRENCY_SUITE ON)
  elseif(HLMR_SANITIZE STREQUAL "thread")
    # Still defined, so that callers may add properties, but neither built nor run in this build.
    set_target_properties(${name} PROPERTIES EXCLUDE_FROM_ALL ON)
    return()
  endif()
  get_directory_property(folder_tests HLMR_TESTS)
  if(NOT folder_tests)
    cmake_language(DEFER CALL _hlmr_finish_folder_tests)
  endif()
  set_property(DIRECTORY APPEND PROPERTY HLMR_TESTS ${name})
endfunction()

# Runs when a folder's CMakeLists.txt has ended, so that the settings callers add after hlmr_add_test count:
# builds the folder's suites into as few programs as is safe, compiles their shared sources once and registers
# every program's tests with CTest (named "<program>.<suite>.<test>").
#
# Suites of the same kind and time-out share a program, named <folder>_<kind>_tests; the ThreadSanitizer build has
# only the "concurrency" suites, so its programs hold only those. CTest still runs every test in a process of its
# own; what the suites of one program share is their static initialisation and the union of their libraries,
# include folders and definitions. A suite keeps its own program when it needs something that the others must not
# get (see _hlmr_needs_own_program), or when it is the only one of its kind.
function(_hlmr_finish_folder_tests)
  get_directory_property(tests HLMR_TESTS)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
  string(REPLACE "/" "_" folder "${folder}")
  set(programs "")
  set(groups "")
  foreach(test ${tests})
    _hlmr_needs_own_program(${test} own)
    if(own)
      list(APPEND programs ${test})
      continue()
    endif()
    get_target_property(kind ${test} HLMR_TEST_KIND)
    get_target_property(timeout ${test} HLMR_TEST_TIMEOUT)
    get_target_property(serial ${test} HLMR_TEST_SERIAL)
    set(group ${kind})
    if(serial AND NOT kind STREQUAL "e2e")
      string(APPEND group "_serial")
    endif()
    if(NOT (timeout EQUAL 120 OR (timeout EQUAL 600 AND serial)))
      string(APPEND group "_${timeout}s")
    endif()
    if(NOT group IN_LIST groups)
      list(APPEND groups ${group})
    endif()
    list(APPEND members_${group} ${test})
  endforeach()

  foreach(group ${groups})
    list(LENGTH members_${group} count)
    if(count LESS 2)
      list(APPEND programs ${members_${group}})
    else()
      _hlmr_merge_suites(${folder}_${group}_tests ${members_${group}})
      list(APPEND programs ${folder}_${group}_tests)
    endif()
  endforeach()

  _hlmr_compile_shared_sources_once("${programs}")
  foreach(program ${programs})
    get_target_property(kind ${program} HLMR_TEST_KIND)
    get_target_property(timeout ${program} HLMR_TEST_TIMEOUT)
    get_target_property(serial ${program} HLMR_TEST_SERIAL)
    set(properties LABELS ${kind} TIMEOUT ${timeout})
    if(serial)
      list(APPEND properties RUN_SERIAL TRUE)
    endif()
    gtest_discover_tests(${program} TEST_PREFIX "${program}." PROPERTIES ${properties} DISCOVERY_TIMEOUT 60)
  endforeach()
endfunction()

# A suite needs a program of its own when it asks for one (OWN_PROGRAM), has compile or link settings of its own
# (definitions, options, include folders, link options), programs that must be built before it, or links an object
# library: its objects are linked whole and may replace what the whole program uses (hlmr_allocation_counter
# replaces operator new).
function(_hlmr_needs_own_program test out)
  set(${out} TRUE PARENT_SCOPE)
  get_target_property(own ${test} HLMR_TEST_OWN_PROGRAM)
  if(own)
    return()
  endif()
  foreach(setting COMPILE_DEFINITIONS COMPILE_OPTIONS INCLUDE_DIRECTORIES LINK_OPTIONS)
    get_target_property(value ${test} ${setting})
    get_directory_property(folder_value ${setting})
    if(value AND NOT "${value}" STREQUAL "${folder_value}")
      return()
    endif()
  endforeach()
  foreach(setting MANUALLY_ADDED_DEPENDENCIES LINK_DEPENDS COMPILE_FEATURES)
    get_target_property(value ${test} ${setting})
    if(value)
      return()
    endif()
  endforeach()
  get_target_property(libraries ${test} LINK_LIBRARIES)
  foreach(library ${libraries})
    if(TARGET ${library})
      get_target_property(type ${library} TYPE)
      if(type STREQUAL "OBJECT_LIBRARY")
        return()
      endif()
    endif()
  endforeach()
  set(${out} FALSE PARENT_SCOPE)
endfunction()

# One test program of the suites' sources (each once) and libraries; the suites' own targets leave the default
# build.
function(_hlmr_merge_suites program)
  set(paths "")
  set(libraries "")
  foreach(test ${ARGN})
    get_target_property(sources ${test} SOURCES)
    foreach(source ${sources})
      cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} NORMALIZE OUTPUT_VARIABLE path)
      if(NOT path IN_LIST paths)
        list(APPEND paths ${path})
      endif()
    endforeach()
    get_target_property(test_libraries ${test} LINK_LIBRARIES)
    foreach(library ${test_libraries})
      if(NOT library IN_LIST libraries)
        list(APPEND libraries ${library})
      endif()
    endforeach()
    set_target_properties(${test} PROPERTIES EXCLUDE_FROM_ALL ON)
  endforeach()
  list(GET ARGN 0 first)
  add_executable(${program} ${paths})
  target_link_libraries(${program} PRIVATE ${libraries})
  foreach(property HLMR_TEST_KIND HLMR_TEST_TIMEOUT HLMR_TEST_SERIAL)
    get_target_property(value ${first} ${property})
    set_target_properties(${program} PROPERTIES ${property} "${value}")
  endforeach()
  if(HLMR_SANITIZE STREQUAL "thread")
    set_target_properties(${program} PROPERTIES HLMR_CONCURRENCY_SUITE ON)
  endif()
  if(HLMR_UNITY_TESTS)
    set_target_properties(${program} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE ${HLMR_UNITY_TESTS_BATCH})
  endif()
endfunction()

# A source that several test programs of one folder list (a fixture, a helper) is compiled once for all those whose
# compile settings are the same, not once per program.
function(_hlmr_compile_shared_sources_once tests)
  set(settings COMPILE_DEFINITIONS COMPILE_OPTIONS COMPILE_FEATURES INCLUDE_DIRECTORIES LINK_LIBRARIES
               PRECOMPILE_HEADERS PRECOMPILE_HEADERS_REUSE_FROM DISABLE_PRECOMPILE_HEADERS)
  set(keys "")
  foreach(test ${tests})
    set(signature "")
    foreach(setting ${settings})
      get_target_property(value ${test} ${setting})
      string(APPEND signature "${setting}=${value}\n")
    endforeach()
    get_target_property(sources ${test} SOURCES)
    foreach(source ${sources})
      if(source MATCHES "^\\$<" OR NOT source MATCHES "\\.(cpp|cc|c)$")
        continue()
      endif()
      cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} NORMALIZE OUTPUT_VARIABLE path)
      string(MD5 key "${path}\n${signature}")
      if(NOT key IN_LIST keys)
        list(APPEND keys ${key})
        set(path_${key} ${path})
      endif()
      list(APPEND users_${key} ${test})
      list(APPEND listed_${test}_${key} ${source})
    endforeach()
  endforeach()

  foreach(key ${keys})
    list(LENGTH users_${key} count)
    if(count LESS 2)
      continue()
    endif()
    list(GET users_${key} 0 first)
    cmake_path(GET path_${key} STEM stem)
    set(objects ${first}_${stem})
    add_library(${objects} OBJECT ${path_${key}})
    foreach(setting ${settings})
      get_target_property(value ${first} ${setting})
      if(value)
        set_property(TARGET ${objects} PROPERTY ${setting} "${value}")
      endif()
    endforeach()
    foreach(test ${users_${key}})
      get_target_property(sources ${test} SOURCES)
      list(REMOVE_ITEM sources ${listed_${test}_${key}})
      set_property(TARGET ${test} PROPERTY SOURCES ${sources} $<TARGET_OBJECTS:${objects}>)
    endforeach()
  endforeach()
endfunction()

# hlmr_add_bench(name SOURCES ... LIBS ...): one Google Benchmark program (not part of the test run).
function(hlmr_add_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark benchmark::benchmark_main hlmr_warnings)
endfunction()
