# A first run from an empty home against the build's own engine distribution:
# the real speech server on its fixed port 50061.
set(QUORVANE_TEST_LABELS engine)
list(APPEND QUORVANE_TEST_PROPERTIES RESOURCE_LOCK port50061)
add_dependencies(${target} quorvane_engine_archive quorvane_setup_script)
target_link_libraries(${target} PRIVATE quorvane_linux)
