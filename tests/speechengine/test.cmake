# The speech server tests use its fixed port 50061 (a lock of their own: CTest
# properties given to test discovery cannot carry two lock names). The server
# script's own tests run with Debian's Python on a free port.
set(QUORVANE_TEST_LABELS engine)
list(APPEND QUORVANE_TEST_PROPERTIES RESOURCE_LOCK port50061)
add_test(NAME speechengine.server_script
         COMMAND /usr/bin/python3 -m unittest speech_server_test
         WORKING_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}/speechengine")
set_tests_properties(speechengine.server_script PROPERTIES LABELS engine TIMEOUT 120
                     ENVIRONMENT "PYTHONDONTWRITEBYTECODE=1")
# MlxServerTest launches, finds and replaces real servers through the real process services.
target_link_libraries(${target} PRIVATE quorvane_linux)
add_test(NAME speechengine.live_takes
         COMMAND /usr/bin/python3 -m unittest live_takes_test
         WORKING_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}/speechengine")
set_tests_properties(speechengine.live_takes PROPERTIES LABELS engine TIMEOUT 300
                     ENVIRONMENT "PYTHONDONTWRITEBYTECODE=1")
