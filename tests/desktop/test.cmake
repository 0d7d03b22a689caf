# Needs the desktop harness of scripts/run-tests.sh: Xvfb, the session and
# accessibility buses, the tray host and PulseAudio with the FIFO microphone.
set(QUORVANE_TEST_LABELS desktop)
set(QUORVANE_TEST_PROPERTIES ENVIRONMENT "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1")
set(QUORVANE_TEST_LOCKS microphone)
# Drives the real Linux services.
target_link_libraries(${target} PRIVATE quorvane_linux)
target_link_libraries(${target} PRIVATE PkgConfig::ATSPI)
