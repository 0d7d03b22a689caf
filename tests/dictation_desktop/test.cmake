# Needs the desktop harness of scripts/run-tests.sh: PulseAudio with the FIFO
# microphone and the null speaker whose volume the tests change.
set(QUORVANE_TEST_LABELS desktop)
# The speaker is shared with the read-aloud tests.
set(QUORVANE_TEST_LOCKS microphone speaker)
# Drives the real Linux services.
target_link_libraries(${target} PRIVATE quorvane_linux)
