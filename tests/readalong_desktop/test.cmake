# The read-along window for real under the desktop harness: the stand-in
# speech engine on its fixed port, the audio sink player, and the null speaker
# recorded at its monitor (shared with the ducking tests' microphone lock).
set(QUORVANE_TEST_LABELS desktop)
set(QUORVANE_TEST_WHOLE_PROGRAM ON)
set(QUORVANE_TEST_LOCKS microphone speaker port50061)
target_link_libraries(${target} PRIVATE quorvane_linux)
