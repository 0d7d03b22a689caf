# Hover reading in the real program under the desktop harness: the speech
# engine on its fixed port, a target window in another process, the pointer
# moved through XTest and the null speaker recorded at its monitor.
set(QUORVANE_TEST_LABELS desktop)
set(QUORVANE_TEST_WHOLE_PROGRAM ON)
set(QUORVANE_TEST_LOCKS microphone speaker port50061 pointer)
target_compile_definitions(${target} PRIVATE QUORVANE_BINARY="$<TARGET_FILE:quorvane>")
add_dependencies(${target} quorvane)
target_link_libraries(${target} PRIVATE quorvane_linux)
