# Word swaps, correction learning and the chips on fakes; the chips are also
# rendered offscreen and kept under the build folder for people to look at.
target_compile_definitions(${target} PRIVATE QUORVANE_ARTIFACTS="${CMAKE_BINARY_DIR}/artifacts/learning")
# The selection cleanup meets the language detector every user has.
target_link_libraries(${target} PRIVATE quorvane_linux)
