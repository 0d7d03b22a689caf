# The page renders are saved for people to look at.
target_compile_definitions(${target} PRIVATE QUORVANE_ARTIFACTS="${CMAKE_BINARY_DIR}/artifacts")
# The tuning tests answer as the speech server on its fixed port 50061.
list(APPEND QUORVANE_TEST_PROPERTIES RESOURCE_LOCK port50061)
# Voice adaptation inside the speech server script, with Debian's Python: the
# search and the fit against the recogniser's forced alignment in process as
# unit tests; the real recogniser behind the script on a free loopback port as
# engine tests.
add_test(NAME tuning.adapt_server_script
         COMMAND /usr/bin/python3 -m unittest speech_server_adapt_test
         WORKING_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}/tuning")
set_tests_properties(tuning.adapt_server_script PROPERTIES LABELS unit TIMEOUT 300
                     ENVIRONMENT "PYTHONDONTWRITEBYTECODE=1")
add_test(NAME tuning.adapt_server_recogniser
         COMMAND /usr/bin/python3 -m unittest speech_server_adapt_engine_test
         WORKING_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}/tuning")
set_tests_properties(tuning.adapt_server_recogniser PROPERTIES LABELS engine TIMEOUT 600
                     ENVIRONMENT "PYTHONDONTWRITEBYTECODE=1")
# Page renders are built in the Linux wording.
target_link_libraries(${target} PRIVATE quorvane_linux)
