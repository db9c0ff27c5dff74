# Windows build (MinGW-w64 cross or native): the programs and the tests that
# run on the platform itself (under Wine on Linux).
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
# Everything static, so the executables need no DLL beyond the system's.
set(JUXA_STATIC_LINK -static -static-libgcc -static-libstdc++)

add_library(juxa_win32_port STATIC src/win32/Win32DevicePort.cpp)
target_include_directories(juxa_win32_port PUBLIC src/win32)
target_link_libraries(juxa_win32_port PUBLIC juxa_core)

add_executable(juxa src/win32/Probe.cpp)
target_link_libraries(juxa PRIVATE juxa_win32_port)
target_link_options(juxa PRIVATE ${JUXA_STATIC_LINK} -municode)

add_executable(juxa-sim src/win32/Probe.cpp)
target_compile_definitions(juxa-sim PRIVATE JUXA_SIMULATED)
target_link_libraries(juxa-sim PRIVATE juxa_win32_port juxa_sim)
target_link_options(juxa-sim PRIVATE ${JUXA_STATIC_LINK} -municode)

# GoogleTest from Debian's sources, built with this toolchain.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_executable(juxa_core_tests ${JUXA_CORE_TEST_SOURCES})
target_include_directories(juxa_core_tests PRIVATE tests/core)
target_link_libraries(juxa_core_tests PRIVATE juxa_sim juxa_core gtest gtest_main)
target_link_options(juxa_core_tests PRIVATE ${JUXA_STATIC_LINK})

add_executable(juxa_win32_tests
  tests/win32/Win32PortTests.cpp
)
target_link_libraries(juxa_win32_tests PRIVATE juxa_win32_port gtest gtest_main)
target_link_options(juxa_win32_tests PRIVATE ${JUXA_STATIC_LINK})
