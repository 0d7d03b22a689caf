# Values of the build for the self-update and the support features, and the
# libraries the update's signature check and unpacking use.
set(QUORVANE_SITE "https://quorvane.example" CACHE STRING "The maker's web site (version.json, download and review pages)")
set(QUORVANE_SUPPORT_ADDRESS "support@quorvane.example" CACHE STRING "The support e-mail address")
set(QUORVANE_BUILD_NUMBER "1" CACHE STRING "The build number shown in problem reports")
# The release signing key: 32 bytes of Ed25519 public key in base64, as
# scripts/make-release-key.sh prints it (README, "Making a release"). A build
# without one never updates itself and asks no server.
set(QUORVANE_UPDATE_PUBLIC_KEY "" CACHE STRING "Ed25519 public key (base64) that release archives are signed with")

pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
pkg_check_modules(ARCHIVE REQUIRED IMPORTED_TARGET libarchive)
target_link_libraries(quorvane_roads PUBLIC PkgConfig::SODIUM PkgConfig::ARCHIVE)
# Only one file sees them, so changing one rebuilds one file.
set_property(SOURCE "${CMAKE_SOURCE_DIR}/src/install/BuildValues.cpp"
  APPEND PROPERTY COMPILE_DEFINITIONS
  QUORVANE_SITE="${QUORVANE_SITE}"
  QUORVANE_SUPPORT_ADDRESS="${QUORVANE_SUPPORT_ADDRESS}"
  QUORVANE_BUILD_NUMBER="${QUORVANE_BUILD_NUMBER}"
  QUORVANE_UPDATE_PUBLIC_KEY="${QUORVANE_UPDATE_PUBLIC_KEY}")
