# Onboarding, guides and milestones on fakes and fake clocks; the pages, the
# badge, the guide and the chime are rendered offscreen and kept under the
# build folder for people to look at and listen to.
target_compile_definitions(${target} PRIVATE QUORVANE_ARTIFACTS="${CMAKE_BINARY_DIR}/artifacts")
# The step pictures are built in the Linux wording.
target_link_libraries(${target} PRIVATE quorvane_linux)
