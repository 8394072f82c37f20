# GoogleTest from Debian's sources, built for the current target, and the helpers that
# declare test programs. Windows test programs run under scripts/wine (the emulator).
# Test code and GoogleTest carry line tables only, enough for the backtraces of a failing
# test, and are optimised only as far as debugging allows: they compile in about half the
# time, and the code under test keeps the trees' own optimisation.
set(TAVI_TEST_COMPILE_OPTIONS -g1 -Og)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(library gtest gtest_main gmock gmock_main)
  target_compile_options(${library} PRIVATE ${TAVI_TEST_COMPILE_OPTIONS})
endforeach()
include(GoogleTest)

if(TAVI_WINDOWS)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine --dir ${CMAKE_BINARY_DIR}/wine)
  # Test type libraries are made with widl and import stdole2.tlb, which the Wine environment
  # ships (its 64-bit folder serves both targets).
  find_program(TAVI_WIDL ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-widl REQUIRED)
  set(TAVI_WINE_TYPELIB_DIR ${TAVI_DEPS_CACHE}/wine-root/usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
endif()

# tavi_add_gtest(NAME [RUN_SERIAL] SOURCES ... LIBS ...): one GoogleTest program, its cases
# discovered by CTest before the run. RUN_SERIAL for programs that change shared prefix state
# (drive D:, the Windows folder, the registry).
function(tavi_add_gtest name)
  cmake_parse_arguments(T "RUN_SERIAL" "" "SOURCES;LIBS" ${ARGN})
  set(serial)
  if(T_RUN_SERIAL)
    set(serial RUN_SERIAL TRUE)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                       PROPERTIES TIMEOUT 300 ${serial})
endfunction()

# Adds every child folder of the current one that has a CMakeLists.txt, so that each area
# keeps its tests in a folder of its own.
function(tavi_add_child_dirs)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
