# Test programs of the Windows build run under Wine, in a private prefix inside the build folder.
# One ctest per test program: listing a program's cases would start Wine at build time, and one
# Wine start per case costs more than the cases themselves. scripts/wine-test makes the prefix
# and keeps a warm wineserver for the run; the `wine_prefix` fixture makes the prefix when ctest
# is run by hand.
set(TAVREL_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(TAVREL_WINE_ENV
    "WINEPREFIX=${TAVREL_WINE_PREFIX}" "WINEARCH=win64" "WINEDEBUG=-all"
    "WINEDLLOVERRIDES=mscoree,mshtml=" "TAVREL_WINE=${CMAKE_CROSSCOMPILING_EMULATOR}")

# Wine's programs would open windows on the user's display and send loopback traffic to the
# user's proxy: neither is wanted in a test.
set(TAVREL_WINE_ENV_UNSET "DISPLAY=unset:" "WAYLAND_DISPLAY=unset:" "http_proxy=unset:"
    "HTTP_PROXY=unset:" "https_proxy=unset:" "HTTPS_PROXY=unset:" "all_proxy=unset:")

add_test(NAME wine_prefix COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/wine-prefix ${TAVREL_WINE_PREFIX})
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 300
    ENVIRONMENT "${TAVREL_WINE_ENV}" ENVIRONMENT_MODIFICATION "${TAVREL_WINE_ENV_UNSET}")

# Runs under Wine in the build's prefix, without the user's display.
function(tavrel_wine_test_properties name)
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300
      ENVIRONMENT "${TAVREL_WINE_ENV}" ENVIRONMENT_MODIFICATION "${TAVREL_WINE_ENV_UNSET}" ${ARGN})
endfunction()
