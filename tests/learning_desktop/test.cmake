# The helper's accessibility commands, the selection chip and correction
# learning against a target window in another process, under the desktop
# harness of scripts/run-tests.sh.
set(QUORVANE_TEST_LABELS desktop)
set(QUORVANE_TEST_PROPERTIES ENVIRONMENT "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1")
# The microphone keeps other desktop tests from typing into our target
# meanwhile, and the dictation's scripted speech server takes the engine's port.
set(QUORVANE_TEST_LOCKS microphone port50061)
target_link_libraries(${target} PRIVATE quorvane_linux)
add_dependencies(${target} quorvane-helper)
target_compile_definitions(${target} PRIVATE QUORVANE_REAL_HELPER="$<TARGET_FILE:quorvane-helper>")
