# Voice tuning for real under the desktop harness: flite speech through the FIFO
# microphone into the tuning's recorder, the stand-in speech engine on its
# fixed port.
set(QUORVANE_TEST_LABELS desktop)
set(QUORVANE_TEST_WHOLE_PROGRAM ON)
# Two runs of sixteen spoken takes, eight transcriptions and a fit each.
set(QUORVANE_TEST_WHOLE_PROGRAM_TIMEOUT 1200)
set(QUORVANE_TEST_LOCKS microphone port50061)
target_link_libraries(${target} PRIVATE quorvane_linux)
