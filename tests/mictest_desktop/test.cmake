# The microphone test for real under the desktop harness: the FIFO microphone
# and the speech engine, provisioned from the build's own distribution, on its
# fixed port.
set(QUORVANE_TEST_LABELS desktop)
set(QUORVANE_TEST_WHOLE_PROGRAM ON)
set(QUORVANE_TEST_LOCKS microphone port50061)
add_dependencies(${target} quorvane_engine_archive quorvane_setup_script)
target_link_libraries(${target} PRIVATE quorvane_linux)
