# The reader's clients against the stand-in speech engine on its fixed port.
set(QUORVANE_TEST_LABELS engine)
list(APPEND QUORVANE_TEST_PROPERTIES RESOURCE_LOCK port50061)
# The engine is launched through the real process services.
target_link_libraries(${target} PRIVATE quorvane_linux)
