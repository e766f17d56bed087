# Checks of the real KVX_32.dll: its export table and resources, and the
# behaviour checks run under Wine against the real spooler, once per Windows
# release (Wine gives each program the release named in its AppDefaults key).
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The test network provider (kvxnp.dll beside the checks), registered in the
# checks' prefix with the network of tests/wine/test_network.txt.
add_subdirectory(tests/wine/netprovider)

set(KVX_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine/prefix)
set(KVX_WINE_ENV WINEPREFIX=${KVX_WINE_PREFIX} WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml="
    KVX_NET_DLL_DIR=${CMAKE_BINARY_DIR}/bin)
# 64-bit programs start straight in wine64 (the generic launcher goes through the
# 32-bit loader first); 32-bit ones go through scripts/wine32.sh.
if(KVX_WINE64)
  list(APPEND KVX_WINE_ENV KVX_WINE=/usr/lib/wine/wine64)
endif()
set(KVX_WINE_RELEASES win31 win95 win98 winme nt351 nt40 win2k win10)

file(GLOB KVX_CONFORMANCE_SOURCES CONFIGURE_DEPENDS tests/conformance/*.cpp)
list(FILTER KVX_CONFORMANCE_SOURCES EXCLUDE REGEX "_sim\\.cpp$")
add_executable(kvx_checks ${KVX_CONFORMANCE_SOURCES})
add_dependencies(kvx_checks kvx32_import kvxnp)
target_include_directories(kvx_checks PRIVATE tests platform)
target_compile_options(kvx_checks PRIVATE ${KVX_WARNINGS})
target_link_options(kvx_checks PRIVATE ${KVX_STATIC_RUNTIME})
target_link_libraries(kvx_checks PRIVATE kvx32_import gtest gtest_main winspool mpr)

add_test(NAME wine_prefix
         COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/prepare_prefix.sh ${KVX_WINE_PREFIX} ${KVX_WINE_RELEASES})
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine SKIP_RETURN_CODE 77
                     ENVIRONMENT "${KVX_WINE_ENV}")
add_test(NAME wine_stop COMMAND sh -c "wineserver -k 2>/dev/null || true")
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine ENVIRONMENT "${KVX_WINE_ENV}")

if(NOT KVX_WINE64)
  add_test(NAME dll_exports
           COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/check_exports.sh $<TARGET_FILE:kvx32>
                   ${CMAKE_SOURCE_DIR}/tests/wine/expected_exports.txt)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/tools/check_resources.py)
  add_test(NAME dll_resources
           COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/check_resources.py $<TARGET_FILE:kvx32>)
endif()

foreach(release ${KVX_WINE_RELEASES})
  set(copy ${CMAKE_BINARY_DIR}/bin/kvx_checks_${release}.exe)
  add_custom_command(TARGET kvx_checks POST_BUILD
                     COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:kvx_checks> ${copy})
  add_test(NAME wine_checks_${release} COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh ${copy})
  set_tests_properties(wine_checks_${release} PROPERTIES
                       FIXTURES_REQUIRED wine RUN_SERIAL ON SKIP_RETURN_CODE 77
                       ENVIRONMENT "${KVX_WINE_ENV};KVX_WINE_RELEASE=${release}")
endforeach()

# The 64-bit stand-in tours as Windows 98: a 64-bit process sees the NT spooler's
# x64 environment, where the product's 32-bit NT driver cannot serve a printer.
if(KVX_WINE64)
  set(KVX_TOUR_ENV KVX_TOUR_RELEASE=win98)
endif()
add_test(NAME wine_kvxctl_tour
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/tour.sh ${CMAKE_BINARY_DIR}/bin)
set_tests_properties(wine_kvxctl_tour PROPERTIES FIXTURES_REQUIRED wine RUN_SERIAL ON
                     SKIP_RETURN_CODE 77 ENVIRONMENT "${KVX_WINE_ENV};${KVX_TOUR_ENV}")

# The shell printer browser on a display (a virtual one unless DISPLAY is set):
# titles, result codes and preselection checked from inside, then a screenshot
# taken through kvxctl.exe and the dialog cancelled with Escape.
add_executable(kvx_dialog_checks tests/wine/browse_dialog_checks.cpp)
add_dependencies(kvx_dialog_checks kvx32_import)
target_include_directories(kvx_dialog_checks PRIVATE platform)
target_compile_options(kvx_dialog_checks PRIVATE ${KVX_WARNINGS})
target_link_options(kvx_dialog_checks PRIVATE ${KVX_STATIC_RUNTIME})
target_link_libraries(kvx_dialog_checks PRIVATE kvx32_import gtest gtest_main)
add_test(NAME wine_browse_dialog
         COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/on_display.sh
                 ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh $<TARGET_FILE:kvx_dialog_checks>)
add_test(NAME wine_browse_dialog_screenshot
         COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/on_display.sh
                 ${CMAKE_SOURCE_DIR}/scripts/browse_dialog_screenshot.sh ${CMAKE_BINARY_DIR}/bin
                 ${CMAKE_BINARY_DIR}/browse_dialog.png)
set_tests_properties(wine_browse_dialog wine_browse_dialog_screenshot PROPERTIES
                     FIXTURES_REQUIRED wine RUN_SERIAL ON SKIP_RETURN_CODE 77
                     ENVIRONMENT "${KVX_WINE_ENV}")

# The Browse Network dialog on the real platform, played with the keyboard on a
# virtual display, over the test network provider.
add_test(NAME wine_browse_network_dialog
         COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/browse_dialog_check.sh $<TARGET_FILE:browse_demo>
                 ${CMAKE_BINARY_DIR}/browse_network.png)
set_tests_properties(wine_browse_network_dialog PROPERTIES FIXTURES_REQUIRED wine RUN_SERIAL ON
                     SKIP_RETURN_CODE 77 ENVIRONMENT "${KVX_WINE_ENV}")
