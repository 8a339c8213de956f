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

# vurn_add_tests(<name> <dir> LIBS <libs>...) builds the tests of <dir>/tests:
#   *_test.cpp      -> <name>_tests      labelled "unit" (no display)
#   *_gui_test.cpp  -> <name>_gui_tests  labelled "gui"  (needs an X display)
# Each TEST becomes its own CTest test, so process-wide state never leaks
# from one test into the next and ctest -j runs them in parallel.
function(vurn_add_tests name dir)
  if(NOT VURN_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "LIBS" ${ARGN})
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
      PROPERTIES LABELS unit TIMEOUT 120)
  endif()
  if(gui)
    add_executable(${name}_gui_tests ${gui} ${helpers})
    target_link_libraries(${name}_gui_tests PRIVATE ${T_LIBS} vurn_testing GTest::gtest)
    # Each run (and the test listing) gets a private X server.
    set_target_properties(${name}_gui_tests PROPERTIES
      CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/tools/with-xvfb.sh)
    gtest_discover_tests(${name}_gui_tests DISCOVERY_MODE PRE_TEST
      PROPERTIES LABELS gui TIMEOUT 180)
  endif()
endfunction()

# vurn_library(<name> <sources>...): a static library; an area that has no
# sources yet still gives a (empty) library, so its dependants link.
function(vurn_library name)
  set(srcs ${ARGN})
  if(NOT srcs)
    set(empty ${CMAKE_BINARY_DIR}/vurn_empty_${name}.cpp)
    if(NOT EXISTS ${empty})
      file(WRITE ${empty} "// no sources yet\n")
    endif()
    set(srcs ${empty})
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()
