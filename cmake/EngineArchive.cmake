# The engine distribution folder, resources/engine-dist in the build tree: the
# engine archive "mlx-venv.tar.gz" and the dictation model the program
# provisions itself from on first run.
set(QUORVANE_ENGINE_DIST "${QUORVANE_BUILD_RESOURCES}/engine-dist")
file(GLOB_RECURSE QUORVANE_ENGINE_PACKAGES CONFIGURE_DEPENDS
     "${CMAKE_SOURCE_DIR}/src/platform/linux/engine/*.py")
add_custom_command(
  OUTPUT "${QUORVANE_ENGINE_DIST}/mlx-venv.tar.gz"
  COMMAND "${CMAKE_SOURCE_DIR}/cmake/make-engine-archive.sh"
          "${CMAKE_SOURCE_DIR}/src/platform/linux/engine"
          "${CMAKE_SOURCE_DIR}/resources/engine-model/config.json"
          "${CMAKE_BINARY_DIR}/engine-archive-work"
          "${QUORVANE_ENGINE_DIST}"
  DEPENDS "${CMAKE_SOURCE_DIR}/cmake/make-engine-archive.sh"
          "${CMAKE_SOURCE_DIR}/resources/engine-model/config.json"
          ${QUORVANE_ENGINE_PACKAGES}
  COMMENT "Packing the speech engine")
add_custom_target(quorvane_engine_archive ALL DEPENDS "${QUORVANE_ENGINE_DIST}/mlx-venv.tar.gz")
install(DIRECTORY "${QUORVANE_ENGINE_DIST}" DESTINATION share/quorvane)

# The set-up script "engine.dat": our POSIX script carrying the speech
# packages, enciphered with this 22-character key (the program deciphers it).
set(QUORVANE_SETUP_KEY "qv-engine-setup-key-26")
string(LENGTH "${QUORVANE_SETUP_KEY}" QUORVANE_SETUP_KEY_LENGTH)
if(NOT QUORVANE_SETUP_KEY_LENGTH EQUAL 22)
  message(FATAL_ERROR "the set-up key must be 22 characters")
endif()
target_compile_definitions(quorvane_services PRIVATE QUORVANE_SETUP_KEY="${QUORVANE_SETUP_KEY}")
add_custom_command(
  OUTPUT "${QUORVANE_BUILD_RESOURCES}/engine.dat"
  COMMAND "${CMAKE_SOURCE_DIR}/cmake/make-setup-script.sh"
          "${CMAKE_SOURCE_DIR}/src/platform/linux/engine"
          "${CMAKE_SOURCE_DIR}/cmake/engine-setup.sh"
          "${QUORVANE_SETUP_KEY}"
          "${QUORVANE_BUILD_RESOURCES}/engine.dat"
  DEPENDS "${CMAKE_SOURCE_DIR}/cmake/make-setup-script.sh" "${CMAKE_SOURCE_DIR}/cmake/engine-setup.sh"
          ${QUORVANE_ENGINE_PACKAGES}
  COMMENT "Enciphering the engine set-up script")
add_custom_target(quorvane_setup_script ALL DEPENDS "${QUORVANE_BUILD_RESOURCES}/engine.dat")
add_dependencies(quorvane_engine_archive quorvane_setup_script)
install(FILES "${QUORVANE_BUILD_RESOURCES}/engine.dat" DESTINATION share/quorvane)
