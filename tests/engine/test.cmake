# The cleanup model server tests run a stand-in server on its fixed port.
list(APPEND QUORVANE_TEST_PROPERTIES RESOURCE_LOCK port50062)
# Servers are launched, found and replaced through the real process services.
target_link_libraries(${target} PRIVATE quorvane_linux)
