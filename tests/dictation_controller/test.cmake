# The controller's tests answer as the speech server on its fixed port.
set(QUORVANE_TEST_PROPERTIES RESOURCE_LOCK port50061)
