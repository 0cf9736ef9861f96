# HLMR_SANITIZE=address builds everything with AddressSanitizer and UndefinedBehaviorSanitizer,
# HLMR_SANITIZE=thread with ThreadSanitizer (used for the tests labelled "concurrency").
# Both optimize at -O1: the checks are the same as at -O2, and the instrumented code compiles much faster.
if(NOT HLMR_SANITIZE STREQUAL "")
  add_compile_options($<$<NOT:$<CONFIG:Debug>>:-O1>)
endif()
if(HLMR_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(HLMR_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT HLMR_SANITIZE STREQUAL "")
  message(FATAL_ERROR "HLMR_SANITIZE must be empty, 'address' or 'thread'")
endif()
