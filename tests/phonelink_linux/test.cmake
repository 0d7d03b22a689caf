# The Linux notes stand-in and desktop-application lookup.
target_link_libraries(${target} PRIVATE quorvane_linux)
