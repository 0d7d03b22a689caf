# Message boxes are rendered in both looks for people to look at.
target_compile_definitions(${target} PRIVATE QUORVANE_ARTIFACTS="${CMAKE_BINARY_DIR}/artifacts/looks")
