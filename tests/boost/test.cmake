# The word boost inside the speech server script runs with Debian's Python: the
# matcher and the replaced step on a toy vocabulary as unit tests, and the real
# recogniser behind the script on a free loopback port as engine tests.
add_test(NAME boost.server_script
         COMMAND /usr/bin/python3 -m unittest speech_server_boost_test
         WORKING_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}/boost")
set_tests_properties(boost.server_script PROPERTIES LABELS unit TIMEOUT 120
                     ENVIRONMENT "PYTHONDONTWRITEBYTECODE=1")
add_test(NAME boost.server_recogniser
         COMMAND /usr/bin/python3 -m unittest speech_server_boost_engine_test
         WORKING_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}/boost")
set_tests_properties(boost.server_recogniser PROPERTIES LABELS engine TIMEOUT 900
                     ENVIRONMENT "PYTHONDONTWRITEBYTECODE=1")
# The C++ tests launch a stand-in speech server on its fixed port.
list(APPEND QUORVANE_TEST_PROPERTIES RESOURCE_LOCK port50061)
