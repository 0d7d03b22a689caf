# The reading-voice picker: values, audition, keyboard and accessibility in
# process, and pictures of the picker and its cards for people to look at.
target_compile_definitions(${target} PRIVATE QUORVANE_ARTIFACTS="${CMAKE_BINARY_DIR}/artifacts/voicepicker")
