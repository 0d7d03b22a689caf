# Quitting the real program under the desktop harness with its features in
# use, its crash line after a fatal signal, and the real helper on a desktop
# without an accessibility bus. The program takes the engine's port; the tests
# speak into the microphone, record the speaker, move the pointer and take
# the focus that other desktop tests type into.
set(QUORVANE_TEST_LABELS desktop)
set(QUORVANE_TEST_LOCKS microphone speaker pointer port50061)
# The engine's start, a reading and a dictation in one test.
list(APPEND QUORVANE_TEST_PROPERTIES TIMEOUT 300)
target_compile_definitions(${target} PRIVATE QUORVANE_BINARY="$<TARGET_FILE:quorvane>"
                           QUORVANE_HELPER_BINARY="$<TARGET_FILE:quorvane-helper>")
add_dependencies(${target} quorvane quorvane-helper)
# Drives the real Linux services.
target_link_libraries(${target} PRIVATE quorvane_linux)
