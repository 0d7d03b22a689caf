# The helper's sub-commands run inside the test program; the client tests start
# the real helper and a helper built with a scripted on-device model.
target_sources(${target} PRIVATE "${CMAKE_SOURCE_DIR}/src/helper/HelperProgram.cpp")
quorvane_include_tree(${target} PRIVATE helper)
add_executable(fake-quorvane-helper "${CMAKE_CURRENT_SOURCE_DIR}/${folder}/fake/FakeHelperMain.cpp"
               "${CMAKE_SOURCE_DIR}/src/helper/HelperProgram.cpp")
target_include_directories(fake-quorvane-helper PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}")
quorvane_include_tree(fake-quorvane-helper PRIVATE helper)
target_link_libraries(fake-quorvane-helper PRIVATE quorvane_core)
add_dependencies(${target} fake-quorvane-helper quorvane-helper)
target_compile_definitions(${target} PRIVATE
  QUORVANE_FAKE_HELPER="$<TARGET_FILE:fake-quorvane-helper>"
  QUORVANE_REAL_HELPER="$<TARGET_FILE:quorvane-helper>")
