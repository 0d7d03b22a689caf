# The helper's accessibility and key-watch sub-commands, run in-process on fakes.
target_sources(${target} PRIVATE "${CMAKE_SOURCE_DIR}/src/helper/HelperProgram.cpp")
quorvane_include_tree(${target} PRIVATE helper)
