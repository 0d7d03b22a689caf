# A note from a simulated phone, through the real listener, sent by the
# Dashboard's insert target into a target window in another process, under the
# desktop harness of scripts/run-tests.sh.
set(QUORVANE_TEST_LABELS desktop)
set(QUORVANE_TEST_PROPERTIES ENVIRONMENT "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1")
target_link_libraries(${target} PRIVATE quorvane_linux)
