# The real Avahi daemon, on a private system bus inside a network namespace that
# holds only loopback (needs root for unshare); nothing reaches another machine.
set(QUORVANE_TEST_LABELS avahi)
set(QUORVANE_TEST_PROPERTIES RESOURCE_LOCK avahi)
target_link_libraries(${target} PRIVATE quorvane_linux)
