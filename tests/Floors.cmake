# Keeps the floors of the source tree: a folder includes only from the
# folders below it. From the bottom: os, core, platform, media, ui, then
# script, scene and net side by side (scene may include script), then game
# (with game/screens), then tools. Tests, benchmarks and fuzz targets may
# include anything and are not read.
#
#   cmake -DKY_SOURCE_DIR=<root> -P Floors.cmake
#       fails, naming every include that reaches up, when the tree at <root>
#       breaks a floor.
#   cmake -DKY_FLOORS_SELF_TEST=<scratch folder> -P Floors.cmake
#       writes a small tree into the scratch folder and fails unless the check
#       finds exactly the includes of that tree that reach up.

cmake_minimum_required(VERSION 3.25)

set(KY_FLOOR_FOLDERS os core platform media ui script scene net game tools)

# The floor of a top folder in out (0 at the bottom), or -1 for a folder that
# has none (tests, bench, ...): nothing may include from those.
function(ky_floor folder out)
  set(floors os=0 core=1 platform=2 media=3 ui=4 script=5 scene=5 net=5 game=6 tools=7)
  set(result -1)
  foreach(entry IN LISTS floors)
    string(REPLACE "=" ";" pair "${entry}")
    list(GET pair 0 name)
    list(GET pair 1 floor)
    if(name STREQUAL folder)
      set(result ${floor})
    endif()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# Whether a file of folder `from` may include a file of folder `to`.
function(ky_floor_allows from to out)
  ky_floor(${from} fromFloor)
  ky_floor(${to} toFloor)
  if(toFloor EQUAL -1)
    set(allowed FALSE)
  elseif(from STREQUAL to OR toFloor LESS fromFloor)
    set(allowed TRUE)
  elseif(from STREQUAL "scene" AND to STREQUAL "script")
    set(allowed TRUE)
  else()
    set(allowed FALSE)
  endif()
  set(${out} ${allowed} PARENT_SCOPE)
endfunction()

# Every include of the tree at root that reaches above its folder's floor, as
# 'file: #include "path"' entries (file relative to root).
function(ky_floor_violations root out)
  set(found)
  foreach(folder IN LISTS KY_FLOOR_FOLDERS)
    file(GLOB_RECURSE sources RELATIVE ${root}
      ${root}/${folder}/*.h ${root}/${folder}/*.hpp ${root}/${folder}/*.cpp ${root}/${folder}/*.c)
    list(SORT sources)
    foreach(source IN LISTS sources)
      file(STRINGS ${root}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
      foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*$" "\\1" path "${line}")
        string(REGEX REPLACE "/.*$" "" target "${path}")
        ky_floor_allows(${folder} "${target}" allowed)
        if(NOT allowed)
          list(APPEND found "${source}: #include \"${path}\"")
        endif()
      endforeach()
    endforeach()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

if(DEFINED KY_FLOORS_SELF_TEST)
  set(root ${KY_FLOORS_SELF_TEST})
  file(REMOVE_RECURSE ${root})
  # path|include: each file holds the one include.
  set(tree
    "os/Low.h|os/Other.h"
    "os/Up.h|core/KyTypes.h"
    "core/Low.cpp|os/KyOsLog.h"
    "core/Up.cpp|platform/KyPickMesh.h"
    "platform/Low.h|core/KyList.h"
    "platform/Up.h|ui/KyLayout.h"
    "media/Up.h|ui/KySprite.h"
    "ui/Low.cpp|media/KyMusic.h"
    "script/Side.h|scene/KyWarp.h"
    "scene/FromScript.cpp|script/KyLua.h"
    "net/Side.cpp|script/KyLua.h"
    "net/Tests.cpp|tests/support/TempDir.h"
    "ui/Game.hpp|game/Application.h"
    "game/screens/Low.cpp|game/GameWarp.h"
    "game/Screens.cpp|game/screens/MainMenu.h"
    "game/Tools.cpp|tools/content/ImageWriters.h"
    "tools/Low.cpp|game/Application.h"
    "tests/Free.cpp|tools/content/ImageWriters.h"
    "bench/Free.cpp|game/Application.h")
  set(expected
    "core/Up.cpp: #include \"platform/KyPickMesh.h\""
    "game/Tools.cpp: #include \"tools/content/ImageWriters.h\""
    "media/Up.h: #include \"ui/KySprite.h\""
    "net/Side.cpp: #include \"script/KyLua.h\""
    "net/Tests.cpp: #include \"tests/support/TempDir.h\""
    "os/Up.h: #include \"core/KyTypes.h\""
    "platform/Up.h: #include \"ui/KyLayout.h\""
    "script/Side.h: #include \"scene/KyWarp.h\""
    "ui/Game.hpp: #include \"game/Application.h\"")
  foreach(entry IN LISTS tree)
    string(REPLACE "|" ";" pair "${entry}")
    list(GET pair 0 path)
    list(GET pair 1 include)
    file(WRITE ${root}/${path} "// made by the floor check's own test\n#include <cstdio>\n  #  include \"${include}\" // why\n")
  endforeach()
  ky_floor_violations(${root} found)
  list(SORT found)
  list(SORT expected)
  if(NOT found STREQUAL expected)
    string(REPLACE ";" "\n  " found "${found}")
    string(REPLACE ";" "\n  " expected "${expected}")
    message(FATAL_ERROR "The floor check found:\n  ${found}\nbut should have found:\n  ${expected}")
  endif()
  file(REMOVE_RECURSE ${root})
  message(STATUS "The floor check finds exactly the includes that reach up.")
elseif(DEFINED KY_SOURCE_DIR)
  ky_floor_violations(${KY_SOURCE_DIR} found)
  if(found)
    string(REPLACE ";" "\n  " found "${found}")
    message(FATAL_ERROR "Includes that reach above their folder's floor:\n  ${found}")
  endif()
  message(STATUS "Every folder includes only from its own floor and below.")
else()
  message(FATAL_ERROR "Give -DKY_SOURCE_DIR=<root> or -DKY_FLOORS_SELF_TEST=<scratch folder>.")
endif()
