# The bubble on a real X display, without and then with a window manager
# (openbox, started and stopped by the test), during a real dictation: the
# speech engine on its fixed port, the FIFO microphone and a target window in
# another process.
set(QUORVANE_TEST_LABELS desktop)
set(QUORVANE_TEST_WHOLE_PROGRAM ON)
set(QUORVANE_TEST_LOCKS microphone port50061)
target_compile_definitions(${target} PRIVATE QUORVANE_ARTIFACTS="${CMAKE_BINARY_DIR}/artifacts/bubble")
# Drives the real Linux services.
target_link_libraries(${target} PRIVATE quorvane_linux)
