# Rendered pages are saved for people to look at.
target_compile_definitions(${target} PRIVATE QUORVANE_ARTIFACTS="${CMAKE_BINARY_DIR}/artifacts")
# Page renders are built in the Linux wording.
target_link_libraries(${target} PRIVATE quorvane_linux)
