# Under the desktop harness of scripts/run-tests.sh: the real program removed
# from its General page, its buttons found and pressed over AT-SPI.
set(QUORVANE_TEST_LABELS desktop)
# Its windows take the focus that other desktop tests type into (the
# microphone lock), and the real program takes the engine's port.
set(QUORVANE_TEST_LOCKS microphone port50061)
target_compile_definitions(${target} PRIVATE QUORVANE_BINARY="$<TARGET_FILE:quorvane>")
target_link_libraries(${target} PRIVATE PkgConfig::ATSPI)
# The program and the engine distribution its test engine copies the model from.
add_dependencies(${target} quorvane quorvane_engine_archive)
