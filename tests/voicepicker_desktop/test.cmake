# The voice picker alone in a window with the real reader and the speech
# engine on its fixed port, heard at the null speaker's monitor, and its two
# stops read over AT-SPI. The speaker is shared with the volume ducking tests,
# which hold the microphone lock.
set(QUORVANE_TEST_LABELS desktop)
set(QUORVANE_TEST_LOCKS microphone speaker port50061)
set(QUORVANE_TEST_PROPERTIES ENVIRONMENT "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1")
target_link_libraries(${target} PRIVATE quorvane_linux PkgConfig::ATSPI)
