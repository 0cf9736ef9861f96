# Every target of the project compiles with these warnings, treated as errors.
add_library(hlmr_warnings INTERFACE)
target_compile_options(hlmr_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
  -Wunused -Woverloaded-virtual -Wformat=2 -Werror)
