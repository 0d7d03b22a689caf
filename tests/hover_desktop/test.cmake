# Hover reading on the desktop harness of scripts/run-tests.sh: the Linux
# services, target windows in other processes, and the pointer moved through XTest.
set(QUORVANE_TEST_LABELS desktop)
set(QUORVANE_TEST_PROPERTIES ENVIRONMENT "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1")
# The tests move the one pointer of the display, and their target windows take
# the focus that other desktop tests type into (the microphone lock).
set(QUORVANE_TEST_LOCKS pointer microphone)
target_link_libraries(${target} PRIVATE quorvane_linux)
