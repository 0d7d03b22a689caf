# The model clients talk to a stand-in server on the cleanup model's fixed port.
list(APPEND QUORVANE_TEST_PROPERTIES RESOURCE_LOCK port50062)
