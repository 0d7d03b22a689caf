# Word swaps, correction learning and the chips on fakes; the chips are also
# rendered offscreen and kept under the build folder for people to look at.
target_compile_definitions(${target} PRIVATE QUORVANE_ARTIFACTS="${CMAKE_BINARY_DIR}/artifacts/learning")
