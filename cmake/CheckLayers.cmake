# The layers include only downwards: platform/ includes nothing of ours
# above it, framework/ nothing from game/ or services/ (the program's entry
# point in program/ is where they meet). Run as a unit test:
#   cmake -DSOURCE_DIR=<top> -P cmake/CheckLayers.cmake
# and fails with every offending line.
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "CheckLayers: SOURCE_DIR is not set")
endif()

# <floor> <the folders above it, as one alternation>
set(rules
  "platform" "framework|game|services"
  "framework" "game|services")

set(offences)
list(LENGTH rules n)
math(EXPR last "${n} - 1")
foreach(i RANGE 0 ${last} 2)
  math(EXPR j "${i} + 1")
  list(GET rules ${i} floor)
  list(GET rules ${j} above)
  file(GLOB_RECURSE files "${SOURCE_DIR}/${floor}/*.h" "${SOURCE_DIR}/${floor}/*.hpp"
                          "${SOURCE_DIR}/${floor}/*.c" "${SOURCE_DIR}/${floor}/*.cpp")
  if(NOT files)
    message(FATAL_ERROR "CheckLayers: no sources under ${SOURCE_DIR}/${floor}")
  endif()
  foreach(f ${files})
    file(STRINGS "${f}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](${above})/")
    foreach(line ${lines})
      file(RELATIVE_PATH rel "${SOURCE_DIR}" "${f}")
      list(APPEND offences "${rel}: ${line}")
    endforeach()
  endforeach()
endforeach()

if(offences)
  list(JOIN offences "\n  " text)
  message(FATAL_ERROR "Includes that run up the layers:\n  ${text}")
endif()
message(STATUS "CheckLayers: no include runs up the layers")
