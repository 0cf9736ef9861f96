# The Debian packages the program builds against (scripts/setup.sh installs them).
find_package(Threads REQUIRED)
find_package(fmt REQUIRED)
find_package(pugixml REQUIRED)
find_package(nlohmann_json REQUIRED)
find_package(Microsoft.GSL REQUIRED)
find_package(CURL REQUIRED)

find_package(PkgConfig REQUIRED)
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
# libzip's CMake package also demands its command-line tools; pkg-config needs only the library.
pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET libzip)
if(HLMR_BUILD_TESTS)
  find_package(GTest REQUIRED)
endif()
if(HLMR_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
