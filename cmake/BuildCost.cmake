# What keeps the three CI builds cheap in machine time, applied once every folder has been read
# (hlmr_finish_targets() at the end of the top CMakeLists.txt), so that targets added later get it too:
# - test code (every target defined under tests/) compiles at -Og: it drives the code under test and need not be
#   optimized itself; the code under test keeps the optimization of the build;
# - precompiled headers: the standard library, {fmt} and, for test code, GoogleTest and GoogleMock are parsed once
#   per build instead of once per source file;
# - the ThreadSanitizer build builds only the suites labelled "concurrency" and what they need;
# - executables link with lld where it is installed: each test program links the static libraries it uses, and lld
#   does that in less than half the CPU time of the default linker (more so for the larger sanitizer builds).
#
# Precompiled headers are on with g++ unless it runs under ccache, which does not cache the compiles that use them
# without extra settings; -DHLMR_PCH=ON/OFF decides either way. A target may opt out with
# set_target_properties(<target> PROPERTIES DISABLE_PRECOMPILE_HEADERS ON), or set its own PRECOMPILE_HEADERS.

if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND NOT CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache"
   AND NOT CMAKE_CXX_COMPILER MATCHES "ccache")
  set(hlmr_pch_default ON)
else()
  set(hlmr_pch_default OFF)
endif()
option(HLMR_PCH "Precompile the common third-party and standard headers" ${hlmr_pch_default})

include(CheckLinkerFlag)
check_linker_flag(CXX -fuse-ld=lld HLMR_HAVE_LLD)
option(HLMR_LLD "Link with lld" ${HLMR_HAVE_LLD})
if(HLMR_LLD)
  add_link_options(-fuse-ld=lld)
endif()

set(HLMR_TEST_CODE_OPTIONS $<$<NOT:$<CONFIG:Debug>>:-Og>)

set(hlmr_pch_std_headers
  <algorithm> <array> <atomic> <chrono> <cstddef> <cstdint> <filesystem> <functional> <map> <memory> <mutex>
  <optional> <set> <span> <sstream> <string> <string_view> <thread> <unordered_map> <utility> <variant> <vector>)

# Every target defined in dir and its subfolders.
function(_hlmr_targets_below dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir ${subdirs})
    _hlmr_targets_below(${subdir} more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# The targets whose usage requirements reach target's compiles: what it links, and what those pass on
# (link-only dependencies pass on nothing to compile).
function(_hlmr_compile_deps target out)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    get_target_property(pending ${target} INTERFACE_LINK_LIBRARIES)
  else()
    get_target_property(pending ${target} LINK_LIBRARIES)
  endif()
  set(seen "")
  while(pending)
    list(POP_FRONT pending item)
    if(NOT item OR item MATCHES "^\\$<" OR NOT TARGET ${item})
      continue()
    endif()
    get_target_property(aliased ${item} ALIASED_TARGET)
    if(aliased)
      set(item ${aliased})
    endif()
    if(item IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${item})
    get_target_property(passed ${item} INTERFACE_LINK_LIBRARIES)
    if(passed)
      list(APPEND pending ${passed})
    endif()
  endwhile()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

# A target that only compiles the precompiled header, with the flags of the targets that reuse it.
function(_hlmr_pch_producer name code_options)
  set(source ${CMAKE_BINARY_DIR}/hlmr_pch/${name}.cpp)
  file(CONFIGURE OUTPUT ${source} CONTENT "// Compiles the precompiled header of ${name}.\n")
  add_library(${name} OBJECT ${source})
  target_link_libraries(${name} PRIVATE ${ARGN} hlmr_warnings)
  target_compile_options(${name} PRIVATE ${code_options})
  target_precompile_headers(${name} PRIVATE ${hlmr_pch_std_headers})
endfunction()

function(hlmr_finish_targets)
  _hlmr_targets_below(${PROJECT_SOURCE_DIR} targets)
  set(tests_dir ${PROJECT_SOURCE_DIR}/tests)
  if(HLMR_PCH)
    # One header set per kind of target; macros that the headers test (FMT_SHARED, GTEST_HAS_PTHREAD,
    # __OPTIMIZE__ ...) must be the same in the producer as in every target that reuses it.
    _hlmr_pch_producer(hlmr_pch_std "")
    _hlmr_pch_producer(hlmr_pch_fmt "" fmt::fmt)
    target_precompile_headers(hlmr_pch_fmt PRIVATE <fmt/format.h>)
    if(HLMR_BUILD_TESTS)
      _hlmr_pch_producer(hlmr_pch_tests "${HLMR_TEST_CODE_OPTIONS}" fmt::fmt GTest::gtest GTest::gmock)
      target_precompile_headers(hlmr_pch_tests PRIVATE <fmt/format.h> <gtest/gtest.h> <gmock/gmock.h>)
    endif()
  endif()

  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|OBJECT_LIBRARY)$")
      continue()
    endif()
    get_target_property(source_dir ${target} SOURCE_DIR)
    cmake_path(IS_PREFIX tests_dir "${source_dir}" NORMALIZE test_code)
    if(test_code)
      target_compile_options(${target} PRIVATE ${HLMR_TEST_CODE_OPTIONS})
    endif()

    if(HLMR_SANITIZE STREQUAL "thread")
      get_target_property(concurrency ${target} HLMR_CONCURRENCY_SUITE)
      if(NOT concurrency)
        set_target_properties(${target} PROPERTIES EXCLUDE_FROM_ALL ON)
      endif()
    endif()

    if(NOT HLMR_PCH)
      continue()
    endif()
    get_target_property(own_headers ${target} PRECOMPILE_HEADERS)
    get_target_property(reused ${target} PRECOMPILE_HEADERS_REUSE_FROM)
    get_target_property(disabled ${target} DISABLE_PRECOMPILE_HEADERS)
    if(own_headers OR reused OR disabled)
      continue()
    endif()
    _hlmr_compile_deps(${target} deps)
    if(test_code)
      if("GTest::gtest" IN_LIST deps AND "fmt::fmt" IN_LIST deps AND TARGET hlmr_pch_tests)
        set(producer hlmr_pch_tests)
      else()
        # Few and small: the support libraries that use no GoogleTest.
        continue()
      endif()
    elseif("fmt::fmt" IN_LIST deps)
      set(producer hlmr_pch_fmt)
    else()
      set(producer hlmr_pch_std)
    endif()
    target_precompile_headers(${target} REUSE_FROM ${producer})
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      # A header that no longer fits a target's flags is then parsed as text: slower, never a failed build.
      target_compile_options(${target} PRIVATE -Wno-error=invalid-pch)
    endif()
  endforeach()
endfunction()
