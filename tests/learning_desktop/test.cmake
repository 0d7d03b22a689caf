# The helper's accessibility commands and the selection chip against a target
# window in another process, under the desktop harness of scripts/run-tests.sh.
set(QUORVANE_TEST_LABELS desktop)
# The lock keeps other desktop tests from typing into our target meanwhile.
set(QUORVANE_TEST_PROPERTIES
    ENVIRONMENT "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"
    RESOURCE_LOCK microphone)
target_link_libraries(${target} PRIVATE quorvane_linux)
add_dependencies(${target} quorvane-helper)
target_compile_definitions(${target} PRIVATE QUORVANE_REAL_HELPER="$<TARGET_FILE:quorvane-helper>")
