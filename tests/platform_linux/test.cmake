# Tests of the Linux implementations themselves.
target_link_libraries(${target} PRIVATE quorvane_linux)
