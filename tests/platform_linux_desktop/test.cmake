# The Linux implementations against real applications, on the desktop harness
# of scripts/run-tests.sh: Xvfb, the session and accessibility buses.
set(QUORVANE_TEST_LABELS desktop)
set(QUORVANE_TEST_PROPERTIES ENVIRONMENT "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1")
# The target windows take the focus that other desktop tests type into.
set(QUORVANE_TEST_LOCKS microphone)
target_link_libraries(${target} PRIVATE quorvane_linux PkgConfig::ATSPI)
