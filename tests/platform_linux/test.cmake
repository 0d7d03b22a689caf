# Tests of the Linux implementations themselves.
target_link_libraries(${target} PRIVATE quorvane_linux)
# Renders in Linux wording are saved for people to look at.
target_compile_definitions(${target} PRIVATE QUORVANE_ARTIFACTS="${CMAKE_BINARY_DIR}/artifacts")
