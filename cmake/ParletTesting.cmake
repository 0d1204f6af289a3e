# GoogleTest for both targets. Natively Debian's packaged build is used;
# for Windows it is built from Debian's googletest sources.
if(WIN32)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Upstream sources are not ours to keep warning-clean.
  foreach(t gtest gtest_main gmock gmock_main)
    if(TARGET ${t})
      target_compile_options(${t} PRIVATE -w -Og -g1)
    endif()
  endforeach()
  set(PARLET_GTEST gtest gmock)
  set(PARLET_GTEST_MAIN gtest_main)
else()
  find_package(GTest REQUIRED)
  set(PARLET_GTEST GTest::gtest GTest::gmock)
  set(PARLET_GTEST_MAIN GTest::gtest_main)
endif()

# Under Wine, scripts/test.sh runs two tests at a time: tests that may open
# windows take turns on the session's one display (input goes to the focused
# window) and prefix (its registry), with these properties; command-line
# scripts, which open none, and the GUI scenarios, each in a session of its
# own (tests/gui/), run beside them.
if(WIN32)
  set(PARLET_TAKES_TURNS RESOURCE_LOCK wine_desktop)
else()
  set(PARLET_TAKES_TURNS "")
endif()

# One ctest entry per test program: under Wine a process start is costly,
# so a program runs whole rather than once per test case.
# parlet_add_test(NAME name SOURCES ... [LIBS ...] [NO_MAIN] [LABELS ...] [ENV ...])
function(parlet_add_test)
  cmake_parse_arguments(T "NO_MAIN" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS;ENV;FIXTURES" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  parlet_windows_files_alone(${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} ${PARLET_GTEST} parlet_json)
  if(NOT T_NO_MAIN)
    target_link_libraries(${T_NAME} PRIVATE ${PARLET_GTEST_MAIN})
  endif()
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common)
  target_precompile_headers(${T_NAME} REUSE_FROM parlet_test_headers)
  if(WIN32)
    # Under Wine a backtrace names functions from the symbol table, which
    # stays; the line tables of the engine in every test program would fill
    # most of the build folder.
    target_link_options(${T_NAME} PRIVATE -Wl,--strip-debug)
  endif()
  if(WIN32)
    set(label wine)
  elseif(PARLET_SANITIZE)
    set(label sanitizer)
  else()
    set(label native)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_color=no)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES LABELS "${label};${T_LABELS}" TIMEOUT ${T_TIMEOUT} ${PARLET_TAKES_TURNS})
  if(T_ENV)
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${T_ENV}")
  endif()
  if(T_FIXTURES)
    set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED "${T_FIXTURES}")
  endif()
endfunction()

# The .cpp files of the current folder for this platform: files ending in
# _win.cpp only on Windows, _posix.cpp only elsewhere, and none of the
# names given (programs of their own).
function(parlet_platform_sources out)
  file(GLOB all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(kept "")
  foreach(f ${all})
    get_filename_component(name ${f} NAME)
    if((name MATCHES "_win\\.cpp$" AND NOT WIN32) OR (name MATCHES "_posix\\.cpp$" AND WIN32))
      continue()
    endif()
    if(name IN_LIST ARGN)
      continue()
    endif()
    list(APPEND kept ${f})
  endforeach()
  parlet_windows_files_alone(${kept})
  set(${out} ${kept} PARENT_SCOPE)
endfunction()

# Files that include <windows.h> compile alone, never in a unity batch: its
# macros (CreateService for CreateServiceA, ...) would rename the names of
# the files after them. [TARGET_DIRECTORY target] when the target that
# compiles them was made in another folder.
function(parlet_windows_files_alone)
  cmake_parse_arguments(W "" "TARGET_DIRECTORY" "" ${ARGN})
  if(NOT WIN32)
    return()
  endif()
  set(scope "")
  if(W_TARGET_DIRECTORY)
    set(scope TARGET_DIRECTORY ${W_TARGET_DIRECTORY})
  endif()
  foreach(f ${W_UNPARSED_ARGUMENTS})
    if(f MATCHES "_win\\.cpp$")
      set_source_files_properties(${f} ${scope} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
    endif()
  endforeach()
endfunction()

# Adds a subsystem folder's sources to the engine.
function(parlet_engine_sources)
  parlet_platform_sources(sources PluginEntry_win.cpp)   # the DLL's exports are the DLL's alone
  parlet_windows_files_alone(${sources} TARGET_DIRECTORY parlet_engine)
  target_sources(parlet_engine PRIVATE ${sources})
endfunction()
