# Build variants that look for faults rather than ship: warnings as errors,
# the address and undefined-behaviour sanitizers over the whole build, and
# the libFuzzer targets. Included right after stepdown_flags is defined.

option(STEPDOWN_WERROR "Treat warnings in the project's own code as errors" OFF)
option(STEPDOWN_SANITIZE "Build everything with -fsanitize=address,undefined" OFF)
option(STEPDOWN_FUZZ "Build the libFuzzer targets (clang only; implies the sanitizers)" OFF)

if(STEPDOWN_WERROR)
  target_compile_options(stepdown_flags INTERFACE -Werror)
endif()

# Every report is fatal: a run that only prints would let the suite pass.
# GCC leaves the float-to-integer overflow check out of "undefined".
set(STEPDOWN_SANITIZER_FLAGS -fsanitize=address,undefined,float-cast-overflow
    -fno-sanitize-recover=all -fno-omit-frame-pointer)

if(STEPDOWN_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "STEPDOWN_FUZZ needs clang (libFuzzer); configure with CMAKE_CXX_COMPILER=clang++")
  endif()
  # Coverage instrumentation for everything the fuzzers reach; the fuzzer's
  # own main() is linked into the fuzz targets only.
  add_compile_options(${STEPDOWN_SANITIZER_FLAGS} -fsanitize=fuzzer-no-link)
  add_link_options(-fsanitize=address,undefined,float-cast-overflow)
  add_subdirectory(${PROJECT_SOURCE_DIR}/tests/fuzz ${PROJECT_BINARY_DIR}/tests/fuzz)
elseif(STEPDOWN_SANITIZE)
  add_compile_options(${STEPDOWN_SANITIZER_FLAGS})
  add_link_options(-fsanitize=address,undefined,float-cast-overflow)
endif()

# Every build, the shipped one included, checks the standard library's
# preconditions: an index past a span's or a vector's end stops the program
# with a message, instead of computing on whatever lies beyond it.
option(STEPDOWN_CHECKED_ACCESS "Check indices and other library preconditions at run time" ON)
if(STEPDOWN_CHECKED_ACCESS)
  target_compile_definitions(stepdown_flags INTERFACE _GLIBCXX_ASSERTIONS)
endif()
