# One dictation for real under the desktop harness: the speech engine on its
# fixed port, the FIFO microphone and a target window in another process.
set(QUORVANE_TEST_LABELS desktop)
set(QUORVANE_TEST_WHOLE_PROGRAM ON)
set(QUORVANE_TEST_LOCKS microphone port50061)
# The second test runs the real program.
target_compile_definitions(${target} PRIVATE QUORVANE_BINARY="$<TARGET_FILE:quorvane>")
add_dependencies(${target} quorvane)
# Drives the real Linux services.
target_link_libraries(${target} PRIVATE quorvane_linux)
