# Veils the clean-up's patterns and instructions at build time: VeiledTexts.txt
# (readable) becomes the generated header cleanup/VeiledTexts.h (veiled bytes only).
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(QUORVANE_VEILED_SOURCE "${CMAKE_SOURCE_DIR}/src/cleanup/VeiledTexts.txt")
set(QUORVANE_VEILED_HEADER "${CMAKE_BINARY_DIR}/generated/cleanup/VeiledTexts.h")
add_custom_command(OUTPUT "${QUORVANE_VEILED_HEADER}"
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_BINARY_DIR}/generated/cleanup"
  COMMAND "${Python3_EXECUTABLE}" "${CMAKE_SOURCE_DIR}/scripts/veil.py" --header
          "${QUORVANE_VEILED_SOURCE}" "${QUORVANE_VEILED_HEADER}"
  DEPENDS "${QUORVANE_VEILED_SOURCE}" "${CMAKE_SOURCE_DIR}/scripts/veil.py"
  COMMENT "Veiling the clean-up texts"
  VERBATIM)
target_sources(quorvane_services PRIVATE "${QUORVANE_VEILED_HEADER}")
target_include_directories(quorvane_services PRIVATE "${CMAKE_BINARY_DIR}/generated")
