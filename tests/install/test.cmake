# The tests compare against the build's site values.
target_compile_definitions(${target} PRIVATE
  QUORVANE_SUPPORT_ADDRESS_FOR_TESTS="${QUORVANE_SUPPORT_ADDRESS}"
  QUORVANE_BUILD_NUMBER_FOR_TESTS="${QUORVANE_BUILD_NUMBER}")
