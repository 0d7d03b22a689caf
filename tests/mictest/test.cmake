# The window renders offscreen; its pictures go to the build's artifacts folder.
target_compile_definitions(${target} PRIVATE QUORVANE_ARTIFACTS="${CMAKE_BINARY_DIR}/artifacts/mictest")
