# The fuzz tests (label "fuzz"): each makes the separate clang build of fuzz/
# below the build folder and runs its fuzzer from the seeds, 60 s by default
# (QV_FUZZ_SECONDS).
foreach(fuzzer fuzz_frame_reader fuzz_note_decoder)
  add_test(NAME "fuzz.${fuzzer}"
           COMMAND bash "${CMAKE_SOURCE_DIR}/fuzz/run.sh" "${CMAKE_BINARY_DIR}/fuzz-clang" "${fuzzer}")
  set_tests_properties("fuzz.${fuzzer}" PROPERTIES LABELS fuzz TIMEOUT 600)
endforeach()
