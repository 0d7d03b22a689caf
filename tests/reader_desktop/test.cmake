# Reading aloud for real under the desktop harness: the real program with the
# speech engine on its fixed port, a target window in another process, and the
# null speaker recorded at its monitor. The speaker is shared with the volume
# ducking tests, which hold the microphone lock, so this program holds both.
set(QUORVANE_TEST_LABELS desktop)
set(QUORVANE_TEST_WHOLE_PROGRAM ON)
set(QUORVANE_TEST_LOCKS microphone speaker port50061)
target_compile_definitions(${target} PRIVATE QUORVANE_BINARY="$<TARGET_FILE:quorvane>")
add_dependencies(${target} quorvane)
target_link_libraries(${target} PRIVATE quorvane_linux)
