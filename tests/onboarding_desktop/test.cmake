# Under the desktop harness of scripts/run-tests.sh: the real program's first
# run on a real X server, walked with the mouse, with a first dictation
# spoken into the FIFO microphone and read back over AT-SPI.
set(QUORVANE_TEST_LABELS desktop)
# It speaks into the microphone and its windows take the focus that other
# desktop tests type into; the real program takes the engine's port.
set(QUORVANE_TEST_LOCKS microphone port50061)
target_compile_definitions(${target} PRIVATE QUORVANE_BINARY="$<TARGET_FILE:quorvane>"
                           QUORVANE_ARTIFACTS="${CMAKE_BINARY_DIR}/artifacts")
target_link_libraries(${target} PRIVATE PkgConfig::ATSPI)
# The program and the engine distribution its test engine copies the model from.
add_dependencies(${target} quorvane quorvane_engine_archive)
