# quorvane_floor(<target> FOLDERS <folder>... [BELOW <target>] [EXCLUDE <regex>])
#
# Makes the static library of one floor: the .cpp and .h files directly in
# src/<folder> for each folder (those whose path matches EXCLUDE left out),
# linked to the floor BELOW it. Its include tree, floors/<target> in the build
# folder, links to its own folders and to those of the floors below, and to no
# other: the floor and every target that links it include through that tree,
# so an include that goes up a floor names no file and stops the build.
# platform/ is linked file by file, so that its linux/ folder stays out of
# the trees of the floors that must not see it.
function(quorvane_floor target)
  cmake_parse_arguments(PARSE_ARGV 1 FLOOR "" "BELOW;EXCLUDE" "FOLDERS")
  set(sources)
  foreach(folder IN LISTS FLOOR_FOLDERS)
    file(GLOB found CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/src/${folder}/*.cpp" "${CMAKE_SOURCE_DIR}/src/${folder}/*.h")
    list(APPEND sources ${found})
  endforeach()
  if(FLOOR_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${FLOOR_EXCLUDE}")
  endif()
  add_library(${target} STATIC ${sources})

  set(folders ${FLOOR_FOLDERS})
  if(FLOOR_BELOW)
    get_target_property(below ${FLOOR_BELOW} QUORVANE_FLOOR_FOLDERS)
    list(PREPEND folders ${below})
    target_link_libraries(${target} PUBLIC ${FLOOR_BELOW})
  endif()
  set_target_properties(${target} PROPERTIES QUORVANE_FLOOR_FOLDERS "${folders}")

  quorvane_include_tree(${target} PUBLIC ${folders})
endfunction()

# quorvane_include_tree(<target> PUBLIC|PRIVATE <folder>...): the include tree
# floors/<target> in the build folder, which links to each folder of src/
# named, is where <target> (and, when PUBLIC, whatever links it) finds the
# headers of src/.
function(quorvane_include_tree target scope)
  set(folders ${ARGN})
  set(tree "${CMAKE_BINARY_DIR}/floors/${target}")
  file(REMOVE_RECURSE "${tree}")
  file(MAKE_DIRECTORY "${tree}")
  foreach(folder IN LISTS folders)
    if(folder STREQUAL "platform")
      file(MAKE_DIRECTORY "${tree}/platform")
      file(GLOB headers LIST_DIRECTORIES false RELATIVE "${CMAKE_SOURCE_DIR}/src/platform"
           "${CMAKE_SOURCE_DIR}/src/platform/*")
      foreach(header IN LISTS headers)
        file(CREATE_LINK "${CMAKE_SOURCE_DIR}/src/platform/${header}" "${tree}/platform/${header}" SYMBOLIC)
      endforeach()
    else()
      get_filename_component(parent "${tree}/${folder}" DIRECTORY)
      file(MAKE_DIRECTORY "${parent}")
      file(CREATE_LINK "${CMAKE_SOURCE_DIR}/src/${folder}" "${tree}/${folder}" SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${target} ${scope} "${tree}")
endfunction()
