# Under the desktop harness of scripts/run-tests.sh: the real program's first
# run on a real X server, walked with the mouse.
set(QUORVANE_TEST_LABELS desktop)
# Its windows take the focus that other desktop tests type into (the
# microphone lock), and the real program takes the engine's port.
set(QUORVANE_TEST_LOCKS microphone port50061)
target_compile_definitions(${target} PRIVATE QUORVANE_BINARY="$<TARGET_FILE:quorvane>"
                           QUORVANE_ARTIFACTS="${CMAKE_BINARY_DIR}/artifacts")
add_dependencies(${target} quorvane)
