# Translation for real under the desktop harness: Apertium with its
# English-Spanish pair, the speech engine on its fixed port, the FIFO
# microphone, the null speaker, and a target window in another process; the
# second test runs the real program.
set(QUORVANE_TEST_LABELS desktop)
set(QUORVANE_TEST_WHOLE_PROGRAM ON)
set(QUORVANE_TEST_LOCKS microphone speaker port50061)
target_compile_definitions(${target} PRIVATE QUORVANE_BINARY="$<TARGET_FILE:quorvane>")
add_dependencies(${target} quorvane)
target_link_libraries(${target} PRIVATE quorvane_linux)
