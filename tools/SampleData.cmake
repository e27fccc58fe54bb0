# Content tools and the sample game's data.
#
# kyfont rasterises TrueType fonts into the engine's font files; kydatagen
# makes every data file from its description. The sample_data target runs
# them over data/ into ${CMAKE_BINARY_DIR}/game, beside the game executable:
# a description "NAME.gen" makes NAME, a fragment "NAME.inc" is only included
# by descriptions, hidden files and editor back-ups are left out, and every
# other file is copied (the same rules as DataGenerator::roleOf). One build
# command per file, so Ninja makes them in parallel and remakes only what
# changed, including what a description includes or composes (depfiles).

find_package(Freetype REQUIRED)
find_path(KY_FONT_DIR DejaVuSans.ttf
  PATHS /usr/share/fonts/truetype/dejavu /usr/share/fonts/dejavu /usr/share/fonts/TTF
  NO_DEFAULT_PATH REQUIRED)

file(GLOB KY_DATAGEN_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/datagen/*.cpp)
add_library(ky_datagen STATIC ${KY_DATAGEN_SOURCES})
target_include_directories(ky_datagen PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(ky_datagen PUBLIC ky_content Freetype::Freetype)

foreach(tool kyfont kydatagen)
  add_executable(${tool} ${CMAKE_SOURCE_DIR}/tools/${tool}.cpp)
  target_link_libraries(${tool} PRIVATE ky_datagen)
  set_target_properties(${tool} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
endforeach()

set(KY_DATA_DIR ${CMAKE_SOURCE_DIR}/data)
set(KY_GAME_DATA_DIR ${CMAKE_BINARY_DIR}/game)
set(KY_DATA_DEPS_DIR ${CMAKE_BINARY_DIR}/sample_data_deps)
file(GLOB_RECURSE KY_DATA_FILES CONFIGURE_DEPENDS RELATIVE ${KY_DATA_DIR} ${KY_DATA_DIR}/*)
list(SORT KY_DATA_FILES)
set(KY_DATA_OUTPUTS)
foreach(relative IN LISTS KY_DATA_FILES)
  get_filename_component(name ${relative} NAME)
  if(relative MATCHES "(^|/)\\." OR name MATCHES "~$" OR name MATCHES "\\.inc$")
    continue()
  endif()
  if(name MATCHES ".\\.gen$")
    string(REGEX REPLACE "\\.gen$" "" made ${relative})
    set(output ${KY_GAME_DATA_DIR}/${made})
    set(depfile ${KY_DATA_DEPS_DIR}/${made}.d)
    add_custom_command(OUTPUT ${output}
      COMMAND kydatagen --data ${KY_DATA_DIR} --fonts ${KY_FONT_DIR} --depfile ${depfile}
              ${KY_DATA_DIR}/${relative} ${output}
      DEPENDS kydatagen ${KY_DATA_DIR}/${relative}
      DEPFILE ${depfile}
      COMMENT "Sample data ${made}"
      VERBATIM)
  else()
    set(output ${KY_GAME_DATA_DIR}/${relative})
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E copy ${KY_DATA_DIR}/${relative} ${output}
      DEPENDS ${KY_DATA_DIR}/${relative}
      COMMENT "Sample data ${relative}"
      VERBATIM)
  endif()
  list(APPEND KY_DATA_OUTPUTS ${output})
endforeach()
add_custom_target(sample_data ALL DEPENDS ${KY_DATA_OUTPUTS})
