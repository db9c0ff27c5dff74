# Native build: the portable core and its tests under sanitizers, the checks
# of the sources, and the two Windows builds as sub-builds whose tests run
# under Wine from this same ctest.
option(JUXA_SANITIZE "Build the native tests with ASan and UBSan" ON)
option(JUXA_WINDOWS "Cross-build the Windows targets and test them under Wine" ON)

if(JUXA_SANITIZE)
  set(JUXA_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  foreach(target juxa_core juxa_sim)
    target_compile_options(${target} PRIVATE ${JUXA_SANITIZER_FLAGS})
  endforeach()
endif()

find_package(GTest REQUIRED)
add_executable(juxa_core_tests ${JUXA_CORE_TEST_SOURCES})
target_include_directories(juxa_core_tests PRIVATE tests/core)
target_link_libraries(juxa_core_tests PRIVATE juxa_sim juxa_core GTest::gtest GTest::gtest_main)
if(JUXA_SANITIZE)
  target_compile_options(juxa_core_tests PRIVATE ${JUXA_SANITIZER_FLAGS})
  target_link_options(juxa_core_tests PRIVATE -fsanitize=address,undefined)
endif()
# The device layer's own cost per send (bench/run.sh builds it without sanitizers).
add_executable(juxa_bench_device bench/DeviceBench.cpp)
target_link_libraries(juxa_bench_device PRIVATE juxa_sim juxa_core)
if(JUXA_SANITIZE)
  target_link_options(juxa_bench_device PRIVATE -fsanitize=address,undefined)
endif()

include(GoogleTest)
# LeakSanitizer comes with ASan on Linux; asked for explicitly so a leak fails
# the test that caused it whatever the environment's defaults.
gtest_discover_tests(juxa_core_tests TEST_PREFIX "native." DISCOVERY_TIMEOUT 60
                     PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1")

# The same suite once more without sanitizers, under valgrind's memcheck: it
# sees what ASan does not (reads of uninitialised memory) and counts leaks a
# second way.
option(JUXA_MEMCHECK "Run the native suite under valgrind memcheck" ON)
if(JUXA_MEMCHECK)
  find_program(JUXA_VALGRIND valgrind)
  if(NOT JUXA_VALGRIND)
    message(FATAL_ERROR "valgrind is needed for the memcheck test (scripts/install-deps "
                        "installs it), or configure with -DJUXA_MEMCHECK=OFF")
  endif()
  get_target_property(core_sources juxa_core SOURCES)
  get_target_property(sim_sources juxa_sim SOURCES)
  add_executable(juxa_core_tests_memcheck ${core_sources} ${sim_sources} ${JUXA_CORE_TEST_SOURCES})
  target_include_directories(juxa_core_tests_memcheck PRIVATE src/core src/sim tests/core)
  target_link_libraries(juxa_core_tests_memcheck PRIVATE GTest::gtest GTest::gtest_main)
  add_test(NAME memcheck.juxa_core_tests
    COMMAND ${JUXA_VALGRIND} --tool=memcheck --error-exitcode=99 --leak-check=full
            --show-leak-kinds=definite,indirect,possible
            --errors-for-leak-kinds=definite,indirect,possible
            --suppressions=${CMAKE_SOURCE_DIR}/tests/valgrind.supp
            $<TARGET_FILE:juxa_core_tests_memcheck>)
  set_tests_properties(memcheck.juxa_core_tests PROPERTIES TIMEOUT 300)
endif()

include(${CMAKE_SOURCE_DIR}/cmake/fuzz.cmake)

# Source checks.
add_test(NAME check.format COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-format ${CMAKE_SOURCE_DIR})
add_test(NAME check.tidy COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-tidy ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
# The set-up script against stand-ins for apt-get and dpkg: a mirror mid-sync,
# installs that fail, a half-installed Wine, a kernel without i386 programs.
add_test(NAME check.install_deps
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/setup/install-deps.sh ${CMAKE_SOURCE_DIR}/scripts/install-deps)

if(JUXA_WINDOWS)
  include(ExternalProject)
  set(JUXA_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
  add_test(NAME wine.setup COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-env setup ${JUXA_WINE_DIR})
  set_tests_properties(wine.setup PROPERTIES FIXTURES_SETUP wine TIMEOUT 600)
  add_test(NAME wine.cleanup COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-env cleanup ${JUXA_WINE_DIR})
  set_tests_properties(wine.cleanup PROPERTIES FIXTURES_CLEANUP wine)
  foreach(arch x86_64 i686)
    ExternalProject_Add(windows-${arch}
      SOURCE_DIR ${CMAKE_SOURCE_DIR}
      BINARY_DIR ${CMAKE_BINARY_DIR}/windows-${arch}
      CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-${arch}.cmake
                 -DCMAKE_BUILD_TYPE=Release
      INSTALL_COMMAND ""
      BUILD_ALWAYS ON
      USES_TERMINAL_BUILD ON)
    set(bin ${CMAKE_BINARY_DIR}/windows-${arch})
    set(suites juxa_core_tests juxa_win32_tests)
    # The long runs only where Wine runs natively: the 32-bit side goes
    # through an emulator on some machines and would take an hour.
    if(arch STREQUAL "x86_64")
      list(APPEND suites juxa_stress_tests)
    endif()
    foreach(suite ${suites})
      add_test(NAME win-${arch}.${suite}
        COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-env run ${JUXA_WINE_DIR} ${bin}/${suite}.exe)
      set_tests_properties(win-${arch}.${suite} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 1500
        PASS_REGULAR_EXPRESSION "\\[  PASSED  \\]" FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
    endforeach()
    # DLLs named like the libraries the program loads, left beside a copy of
    # juxa.exe, never run. The 64-bit helper starts both widths, so the 32-bit
    # side costs one start of the program only.
    add_test(NAME win-${arch}.planted_dlls
      COMMAND ${CMAKE_SOURCE_DIR}/tests/win32/planted-dlls.sh ${JUXA_WINE_DIR} ${bin}/juxa.exe
              ${bin}/juxa_planted.dll ${CMAKE_BINARY_DIR}/windows-x86_64/juxa_remote.exe
              ${bin}/planted-dlls)
    set_tests_properties(win-${arch}.planted_dlls PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600)
  endforeach()

  # The same commit gives the same juxa.exe from another source path and
  # another build tree (scripts/release.sh checks both widths so).
  add_test(NAME release.reproducible
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-reproducible x86_64
            ${CMAKE_BINARY_DIR}/windows-x86_64/juxa.exe ${CMAKE_BINARY_DIR}/reproducible)
  set_tests_properties(release.reproducible PROPERTIES TIMEOUT 900)
endif()
