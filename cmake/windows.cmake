# Windows build (MinGW-w64 cross or native): the programs and the tests that
# run on the platform itself (under Wine on Linux).
enable_language(RC)
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
# Everything static, so the executables need no DLL beyond the system's.
set(JUXA_STATIC_LINK -static -static-libgcc -static-libstdc++)

# The same commit gives the same bytes wherever and whenever it is built, so
# that anyone can check a download against a build of their own: no time
# stamp in the PE header, and the source and build folders never reach the
# code (file names in any debug information and in __FILE__ start at the
# top of the source tree). windres takes no such options and writes no paths.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(
    $<$<COMPILE_LANGUAGE:CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=>
    $<$<COMPILE_LANGUAGE:CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}/=>)
  add_link_options(-Wl,--no-insert-timestamp)
endif()

add_library(juxa_win32_port STATIC src/win32/Win32DevicePort.cpp src/win32/Win32DriveQueries.cpp)
target_include_directories(juxa_win32_port PUBLIC src/win32)
target_link_libraries(juxa_win32_port PUBLIC juxa_core)

# The window binding: frmMain, its controls and dialogs, frmAbout and the
# program entry, shared by both programs and the window tests.
add_library(juxa_ui STATIC
  src/win32/About.cpp
  src/win32/CommandRunner.cpp
  src/win32/Juxa.cpp
  src/win32/Layout.cpp
  src/win32/MainWindow.cpp
  src/win32/PlatformChecks.cpp
  src/win32/SpinField.cpp
  src/win32/Win32Clipboard.cpp
  src/win32/Win32Controls.cpp
  src/win32/Win32Dialogs.cpp
  src/win32/WindowBase.cpp
)
target_include_directories(juxa_ui PUBLIC src/win32)
target_link_libraries(juxa_ui PUBLIC juxa_core comctl32 gdi32 user32)

# Icon, manifest (common controls 6, asInvoker, per-monitor DPI) and version.
set(JUXA_RESOURCES ${CMAKE_CURRENT_SOURCE_DIR}/src/win32/Juxa.rc)
set_source_files_properties(${JUXA_RESOURCES} PROPERTIES OBJECT_DEPENDS
  "${CMAKE_CURRENT_SOURCE_DIR}/src/win32/Juxa.ico;${CMAKE_CURRENT_SOURCE_DIR}/src/win32/Juxa.manifest")

add_executable(juxa WIN32 src/win32/JuxaMain.cpp ${JUXA_RESOURCES})
target_link_libraries(juxa PRIVATE juxa_ui juxa_win32_port)
target_link_options(juxa PRIVATE ${JUXA_STATIC_LINK} -municode)
# What we ship carries no symbol table and no debug information: the static
# runtime libraries bring theirs, with the paths they were built at.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_link_options(juxa PRIVATE $<$<CONFIG:Release>:-s>)
endif()

# The same program on the simulated handheld; juxa.exe never links juxa_sim.
add_executable(juxa-sim WIN32 src/win32/JuxaSimMain.cpp ${JUXA_RESOURCES})
target_link_libraries(juxa-sim PRIVATE juxa_ui juxa_sim)
target_link_options(juxa-sim PRIVATE ${JUXA_STATIC_LINK} -municode)
# The demo is the same program: no symbol table in Release either.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_link_options(juxa-sim PRIVATE $<$<CONFIG:Release>:-s>)
endif()

# The libraries a program imports, which Windows loads before its entry can
# restrict the search, are looked for in the system folder only
# (src/win32/LoadConfig.cpp). GNU ld 2.40 leaves the load-configuration
# directory empty: it is pointed at the structure after linking, through the
# address in the link map, and checked.
foreach(program juxa juxa-sim)
  if(MSVC)
    target_link_options(${program} PRIVATE /DEPENDENTLOADFLAG:0x800)
  else()
    target_sources(${program} PRIVATE src/win32/LoadConfig.cpp)
    target_link_options(${program} PRIVATE -Wl,-Map=$<TARGET_FILE:${program}>.map)
    add_custom_command(TARGET ${program} POST_BUILD
      COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/scripts/pe-load-config set
              $<TARGET_FILE:${program}> $<TARGET_FILE:${program}>.map
      COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/scripts/pe-load-config check
              $<TARGET_FILE:${program}>
      VERBATIM)
  endif()
endforeach()

# GoogleTest from Debian's sources, built with this toolchain.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_executable(juxa_core_tests ${JUXA_CORE_TEST_SOURCES})
target_include_directories(juxa_core_tests PRIVATE tests/core)
target_link_libraries(juxa_core_tests PRIVATE juxa_sim juxa_core gtest gtest_main)
target_link_options(juxa_core_tests PRIVATE ${JUXA_STATIC_LINK})

# The window tests run the real window in their own process; the resources
# give them the same manifest (task dialogs need common controls 6).
add_executable(juxa_win32_tests
  tests/win32/Win32PortTests.cpp
  tests/win32/WindowTestSupport.cpp
  tests/win32/MainWindowTests.cpp
  tests/win32/FieldTests.cpp
  tests/win32/DialogTests.cpp
  tests/win32/WaitTests.cpp
  ${JUXA_RESOURCES}
)
target_include_directories(juxa_win32_tests PRIVATE tests/win32)
target_link_libraries(juxa_win32_tests PRIVATE juxa_ui juxa_win32_port juxa_sim gtest gtest_main)
target_link_options(juxa_win32_tests PRIVATE ${JUXA_STATIC_LINK})

# Long runs on the real window: thousands of sends, thousands of user actions.
add_executable(juxa_stress_tests
  tests/win32/WindowTestSupport.cpp
  tests/win32/SoakTests.cpp
  tests/win32/MonkeyTests.cpp
  ${JUXA_RESOURCES}
)
target_include_directories(juxa_stress_tests PRIVATE tests/win32)
target_link_libraries(juxa_stress_tests PRIVATE juxa_ui juxa_win32_port juxa_sim psapi gtest gtest_main)
target_link_options(juxa_stress_tests PRIVATE ${JUXA_STATIC_LINK})

# Benchmarks (bench/run.sh runs them): the least window the platform shows,
# a launcher that times start-up and reads memory from outside, and the
# in-process timing of a result's display.
add_executable(bench_floor WIN32 bench/FloorWindow.cpp)
target_link_options(bench_floor PRIVATE ${JUXA_STATIC_LINK} -municode)
add_executable(bench_floor_libraries WIN32 bench/FloorWindow.cpp ${JUXA_RESOURCES})
target_compile_definitions(bench_floor_libraries PRIVATE JUXA_FLOOR_LIBRARIES)
target_link_libraries(bench_floor_libraries PRIVATE comctl32)
target_link_options(bench_floor_libraries PRIVATE ${JUXA_STATIC_LINK} -municode)
add_executable(bench_floor_controls WIN32 bench/FloorWindow.cpp ${JUXA_RESOURCES})
target_compile_definitions(bench_floor_controls PRIVATE JUXA_FLOOR_LIBRARIES JUXA_FLOOR_CONTROLS)
target_link_libraries(bench_floor_controls PRIVATE juxa_ui)
target_link_options(bench_floor_controls PRIVATE ${JUXA_STATIC_LINK} -municode)
add_executable(bench_launch bench/Launch.cpp)
target_include_directories(bench_launch PRIVATE src/win32)
target_link_libraries(bench_launch PRIVATE psapi)
target_link_options(bench_launch PRIVATE ${JUXA_STATIC_LINK} -municode)
add_executable(juxa_bench_display bench/DisplayBench.cpp ${JUXA_RESOURCES})
target_link_libraries(juxa_bench_display PRIVATE juxa_ui juxa_sim)
target_link_options(juxa_bench_display PRIVATE ${JUXA_STATIC_LINK})

# Checks of the real program from outside: a helper that starts it and works
# its window, and a library that proves it ran if the program loads it from
# its own folder (tests/win32/planted-dlls.sh).
add_executable(juxa_remote tests/win32/Remote.cpp)
target_include_directories(juxa_remote PRIVATE src/win32)
target_link_options(juxa_remote PRIVATE ${JUXA_STATIC_LINK} -municode)
add_library(juxa_planted SHARED tests/win32/PlantedDll.cpp)
set_target_properties(juxa_planted PROPERTIES PREFIX "")
target_link_options(juxa_planted PRIVATE ${JUXA_STATIC_LINK})
