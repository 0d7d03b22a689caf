# The cleanup model server tests run a stand-in server on its fixed port.
list(APPEND QUORVANE_TEST_PROPERTIES RESOURCE_LOCK port50062)
