# The libFuzzer targets of fuzz/, built by clang++ as a sub-project (the
# native build's own compiler need not be clang), and a short run of each as a
# test: fuzz.<target> mutates the checked-in seeds for a few seconds, keeping
# what it finds in the build folder so the repository's corpus stays as
# committed. scripts/fuzz-long.sh runs them for longer and grows the corpus.
option(JUXA_FUZZ "Build the libFuzzer targets and run each briefly as a test" ON)
set(JUXA_FUZZ_SECONDS 4 CACHE STRING "Seconds each fuzz target runs in the test suite")
if(NOT JUXA_FUZZ)
  return()
endif()

find_program(JUXA_CLANGXX NAMES clang++ clang++-14)
set(probe ${CMAKE_BINARY_DIR}/fuzz-probe.cpp)
file(WRITE ${probe}
  "#include <cstddef>\n#include <cstdint>\n"
  "extern \"C\" int LLVMFuzzerTestOneInput(const std::uint8_t*, std::size_t) { return 0; }\n")
if(JUXA_CLANGXX)
  execute_process(COMMAND ${JUXA_CLANGXX} -fsanitize=fuzzer,address,undefined ${probe}
                          -o ${CMAKE_BINARY_DIR}/fuzz-probe
                  RESULT_VARIABLE probe_result OUTPUT_QUIET ERROR_QUIET)
endif()
if(NOT JUXA_CLANGXX OR NOT probe_result EQUAL 0)
  message(FATAL_ERROR "clang++ with libFuzzer is needed for the fuzz tests "
                      "(scripts/install-deps installs clang and libclang-rt-14-dev), "
                      "or configure with -DJUXA_FUZZ=OFF")
endif()

include(ExternalProject)
set(JUXA_FUZZ_DIR ${CMAKE_BINARY_DIR}/fuzz)
ExternalProject_Add(juxa-fuzz
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/fuzz
  BINARY_DIR ${JUXA_FUZZ_DIR}
  CMAKE_ARGS -DCMAKE_CXX_COMPILER=${JUXA_CLANGXX} -DCMAKE_BUILD_TYPE=RelWithDebInfo
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  USES_TERMINAL_BUILD ON)

include(${CMAKE_SOURCE_DIR}/fuzz/targets.cmake)
foreach(target ${JUXA_FUZZ_TARGETS})
  set(found ${JUXA_FUZZ_DIR}/found/${target})
  file(MAKE_DIRECTORY ${found})
  set(dict ${CMAKE_SOURCE_DIR}/fuzz/${target}.dict)
  set(dict_option "")
  if(EXISTS ${dict})
    set(dict_option -dict=${dict})
  endif()
  # New inputs go to the first folder; the seeds are only read.
  add_test(NAME fuzz.${target}
    COMMAND ${JUXA_FUZZ_DIR}/fuzz_${target} -max_total_time=${JUXA_FUZZ_SECONDS}
            -runs=20000000 -timeout=20 -rss_limit_mb=2048 -print_final_stats=1
            -artifact_prefix=${JUXA_FUZZ_DIR}/crash-${target}- ${dict_option}
            ${found} ${CMAKE_SOURCE_DIR}/fuzz/corpus/${target})
  set_tests_properties(fuzz.${target} PROPERTIES TIMEOUT 120)
endforeach()
