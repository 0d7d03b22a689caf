# Under the desktop harness of scripts/run-tests.sh: the real program's first
# run on a real X server, walked with the mouse.
set(QUORVANE_TEST_LABELS desktop)
set(QUORVANE_TEST_PROPERTIES RESOURCE_LOCK port50061)
target_compile_definitions(${target} PRIVATE QUORVANE_BINARY="$<TARGET_FILE:quorvane>"
                           QUORVANE_ARTIFACTS="${CMAKE_BINARY_DIR}/artifacts")
add_dependencies(${target} quorvane)
