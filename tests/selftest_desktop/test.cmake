# The developer self-tests of the real program under the desktop harness: the
# program started with its switches in a private home, some with the speech
# engine on its fixed port, the FIFO microphone and a target window in another
# process. Screenshots go to artifacts/selftests in the build folder.
set(QUORVANE_TEST_LABELS desktop)
set(QUORVANE_TEST_LOCKS microphone port50061)
# A launch waits for the engine to start and to stop.
list(APPEND QUORVANE_TEST_PROPERTIES TIMEOUT 300)
target_compile_definitions(${target} PRIVATE QUORVANE_BINARY="$<TARGET_FILE:quorvane>"
                           QUORVANE_ARTIFACTS="${CMAKE_BINARY_DIR}/artifacts/selftests")
# The download test fetches from the build's engine distribution.
add_dependencies(${target} quorvane quorvane_engine_archive)
# Drives the real Linux services.
target_link_libraries(${target} PRIVATE quorvane_linux)
