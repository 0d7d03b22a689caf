# Translation on fakes, and its bar, table and pack control rendered offscreen;
# the renders are kept under the build folder for people to look at.
target_compile_definitions(${target} PRIVATE QUORVANE_ARTIFACTS="${CMAKE_BINARY_DIR}/artifacts/translation")
# Page renders are built in the Linux wording.
target_link_libraries(${target} PRIVATE quorvane_linux)
