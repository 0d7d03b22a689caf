# The desktop's motion setting and compositor as the Linux layer reads them:
# GNOME's through a dconf of the test's own, KDE's file, and the X server's
# XSETTINGS manager and compositor selections, which the tests take
# themselves, one test at a time; and the translucent windows on that display.
set(QUORVANE_TEST_LABELS desktop)
set(QUORVANE_TEST_LOCKS x_selections)
target_link_libraries(${target} PRIVATE quorvane_linux PkgConfig::X11LIBS PkgConfig::GIO)
# The translucent windows are photographed for people to look at.
target_compile_definitions(${target} PRIVATE QUORVANE_ARTIFACTS="${CMAKE_BINARY_DIR}/artifacts/looks")
