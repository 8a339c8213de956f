# Helpers shared by the area CMake files.
#
# vurn_sources(<out-var> <dir>...) collects the C and C++ sources of the given
# folders (not their tests/ folders), so a new file needs no CMake edit.
function(vurn_sources out)
  set(result)
  foreach(dir ${ARGN})
    file(GLOB found CONFIGURE_DEPENDS
      ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.c)
    list(APPEND result ${found})
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# vurn_add_tests(<name> <dir> [THREADED] [SANITIZED <filter> [COST <n>]]
#                LIBS <libs>...) builds the tests of <dir>/tests:
#   *_test.cpp      -> <name>_tests      labelled "unit" (no display)
#   *_gui_test.cpp  -> <name>_gui_tests  labelled "gui"  (needs an X display)
# Each TEST becomes its own CTest test, so ctest -j runs them in parallel.
# Each binary is also one CTest test of its own, <binary>.whole, labelled
# "whole": all its tests in one process, in a shuffled order (the seed is
# in its output; --gtest_random_seed=N repeats it), so state that one test
# leaves behind for the next shows up too.
# THREADED: the area runs work on threads of its own; its tests are
# labelled "unit-threads" and "gui-threads" and belong to the target
# vurn_threaded_tests, which the ThreadSanitizer stage of the test command
# builds and runs ("ctest -L threads").
# SANITIZED: the window tests that the gtest filter selects ("*": all) run
# in the AddressSanitizer stage of the test command too: the tests of the
# whole program and its module. Their label ends in "-sanitized" ("ctest -L
# sanitized"), and they may take longer (300 s) under the sanitizers; a
# parallel ctest starts them early (COST, 50 unless given).
function(vurn_add_tests name dir)
  if(NOT VURN_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "THREADED" "SANITIZED;COST" "LIBS" ${ARGN})
  if(NOT T_COST)
    set(T_COST 50)
  endif()
  if(NOT TARGET vurn_threaded_tests)
    add_custom_target(vurn_threaded_tests)
  endif()
  set(unitLabels unit)
  set(guiLabels gui)
  if(T_THREADED)
    # One label each (the test discovery cannot carry a list): "ctest -L"
    # takes a regular expression, so "unit" and "gui" still select these,
    # and "threads" selects both.
    set(unitLabels unit-threads)
    set(guiLabels gui-threads)
  endif()
  file(GLOB all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/tests/*_test.cpp)
  file(GLOB gui CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/tests/*_gui_test.cpp)
  file(GLOB helpers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/tests/*_support.cpp)
  set(unit ${all})
  if(gui)
    list(REMOVE_ITEM unit ${gui})
  endif()
  if(unit)
    add_executable(${name}_tests ${unit} ${helpers})
    target_link_libraries(${name}_tests PRIVATE ${T_LIBS} vurn_testing GTest::gtest)
    gtest_discover_tests(${name}_tests DISCOVERY_MODE PRE_TEST
      PROPERTIES LABELS "${unitLabels}" TIMEOUT 120)
    vurn_add_whole_test(${name}_tests)
    if(T_THREADED)
      add_dependencies(vurn_threaded_tests ${name}_tests)
    endif()
  endif()
  if(gui)
    add_executable(${name}_gui_tests ${gui} ${helpers})
    target_link_libraries(${name}_gui_tests PRIVATE ${T_LIBS} vurn_testing GTest::gtest)
    # Each run (and the test listing) gets a private X server.
    set_target_properties(${name}_gui_tests PROPERTIES
      CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/tools/with-xvfb.sh)
    if(T_SANITIZED)
      if(NOT T_SANITIZED STREQUAL "*")
        gtest_discover_tests(${name}_gui_tests DISCOVERY_MODE PRE_TEST TEST_FILTER "-${T_SANITIZED}"
          PROPERTIES LABELS "${guiLabels}" TIMEOUT 180)
      endif()
      gtest_discover_tests(${name}_gui_tests DISCOVERY_MODE PRE_TEST TEST_FILTER "${T_SANITIZED}"
        PROPERTIES LABELS "${guiLabels}-sanitized" TIMEOUT 300 COST ${T_COST})
    else()
      gtest_discover_tests(${name}_gui_tests DISCOVERY_MODE PRE_TEST
        PROPERTIES LABELS "${guiLabels}" TIMEOUT 180)
    endif()
    vurn_add_whole_test(${name}_gui_tests 200)
    if(T_THREADED)
      add_dependencies(vurn_threaded_tests ${name}_gui_tests)
    endif()
  endif()
endfunction()

# vurn_add_whole_test(<target> [<cost>]): the test <target>.whole (see
# above). A gui binary runs under its X server (the target's emulator). The
# whole runs are the longest tests, those of the window tests the longest of
# all (cost 200, else 100), and the long window tests of the sanitizer build
# come next (50): a parallel ctest starts them first, also on a fresh build
# that has no timings of its own yet.
function(vurn_add_whole_test target)
  set(cost 100)
  if(ARGC GREATER 1)
    set(cost ${ARGV1})
  endif()
  add_test(NAME ${target}.whole COMMAND ${target} --gtest_shuffle)
  set_tests_properties(${target}.whole PROPERTIES LABELS whole TIMEOUT 900 COST ${cost})
endfunction()

# vurn_library(<name> <sources>...): a static library of an area's sources.
function(vurn_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()
