# Checks of the real KVX_32.dll: its export table and resources, and the
# behaviour checks run under Wine against the real spooler, once per Windows
# release (Wine gives each program the release named in its AppDefaults key).
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The test network provider (kvxnp.dll beside the checks), registered in the
# checks' prefix with the network of tests/data/test_network.txt.
add_subdirectory(tests/netprovider)

set(KVX_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine/prefix)
# The rest of the Wine environment comes from scripts/wine-env.sh, which every
# script that runs a Windows program sources.
set(KVX_WINE_ENV WINEPREFIX=${KVX_WINE_PREFIX} KVX_NET_DLL_DIR=${CMAKE_BINARY_DIR}/bin)
# 64-bit programs start straight in wine64 (the generic launcher goes through the
# 32-bit loader first). A check of the 32-bit DLL runs as one session of
# scripts/wine32.sh: here where this machine executes 32-bit code, else in a
# virtual machine that does (inside one, the session is this machine's own).
if(KVX_WINE64)
  list(APPEND KVX_WINE_ENV KVX_WINE=/usr/lib/wine/wine64)
  set(KVX_WINE_SESSION)
else()
  set(KVX_WINE_SESSION ${CMAKE_SOURCE_DIR}/scripts/wine32.sh --session)
endif()
# Every release but winxp, an NT 5 release as win2k is.
set(KVX_WINE_RELEASES ${KVX_WINDOWS_RELEASES})
list(REMOVE_ITEM KVX_WINE_RELEASES winxp)

# kvx_wine_test(NAME COMMAND... [TIMEOUT seconds] [ENVIRONMENT var=value...]):
# a check of the real DLL under Wine, in the checks' prefix, one at a time. It
# reports skipped (77) only where no Wine program can run at all.
function(kvx_wine_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "TIMEOUT" "COMMAND;ENVIRONMENT")
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 300)
  endif()
  add_test(NAME ${name} COMMAND ${KVX_WINE_SESSION} ${arg_COMMAND})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine RUN_SERIAL ON
                       SKIP_RETURN_CODE 77 TIMEOUT ${arg_TIMEOUT}
                       ENVIRONMENT "${KVX_WINE_ENV};${arg_ENVIRONMENT}")
endfunction()

# The behaviour checks and the harness, by their suffix: cmake/TestSources.cmake.
include(cmake/TestSources.cmake)
kvx_test_sources(KVX_CONFORMANCE_SOURCES wine)
add_executable(kvx_checks ${KVX_CONFORMANCE_SOURCES})
add_dependencies(kvx_checks kvx32_import kvxnp)
target_include_directories(kvx_checks PRIVATE tests platform)
target_compile_options(kvx_checks PRIVATE ${KVX_WARNINGS})
target_link_options(kvx_checks PRIVATE ${KVX_STATIC_RUNTIME})
target_link_libraries(kvx_checks PRIVATE kvx32_import gtest gtest_main winspool mpr)

add_test(NAME wine_prefix
         COMMAND ${KVX_WINE_SESSION} ${CMAKE_SOURCE_DIR}/tests/wine/prepare_prefix.sh
                 ${KVX_WINE_PREFIX} ${KVX_WINE_RELEASES})
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine SKIP_RETURN_CODE 77 TIMEOUT 900
                     ENVIRONMENT "${KVX_WINE_ENV}")
add_test(NAME wine_stop COMMAND sh -c "wineserver -k 2>/dev/null || true")
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine ENVIRONMENT "${KVX_WINE_ENV}")

if(NOT KVX_WINE64)
  add_test(NAME dll_exports
           COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/check_exports.sh $<TARGET_FILE:kvx32>
                   ${CMAKE_SOURCE_DIR}/tests/wine/expected_exports.txt)
  # No instruction a 386 lacks, and headers the oldest loaders accept.
  add_test(NAME dll_machine_code
           COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/check_machine_code.sh $<TARGET_FILE:kvx32>)
endif()
# The DLL imports only the system functions on its allowlist: no C runtime.
add_test(NAME dll_imports
         COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/check_imports.sh $<TARGET_FILE:kvx32>
                 ${CMAKE_SOURCE_DIR}/src/frame/imports.allow)
# ... and that check fails where it must (an altered allowlist for each message).
add_test(NAME dll_imports_check_fails
         COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/check_imports_test.sh $<TARGET_FILE:kvx32>
                 ${CMAKE_SOURCE_DIR}/src/frame/imports.allow)
add_test(NAME dll_resources
         COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/check_resources.py $<TARGET_FILE:kvx32>)

foreach(release ${KVX_WINE_RELEASES})
  set(copy ${CMAKE_BINARY_DIR}/bin/kvx_checks_${release}.exe)
  add_custom_command(TARGET kvx_checks POST_BUILD
                     COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:kvx_checks> ${copy})
  kvx_wine_test(wine_checks_${release} COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh ${copy}
                ENVIRONMENT KVX_WINE_RELEASE=${release})
endforeach()

# The test network provider's own contract (exact sizes, WN_MORE_DATA, counts,
# packing, bad handles) over every container of the sample network, and random
# network files with random buffer sizes and counts, loaded by np_selftest itself.
string(REPLACE "/" "\\" KVX_NETPROVIDER_DLL "Z:${CMAKE_BINARY_DIR}/bin/kvxnp.dll")
string(REPLACE "/" "\\" KVX_NETPROVIDER_SAMPLE "Z:${CMAKE_SOURCE_DIR}/tests/netprovider/sample-tree.txt")
kvx_wine_test(wine_netprovider_contract
              COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh $<TARGET_FILE:np_selftest>
                      --direct ${KVX_NETPROVIDER_DLL}
              ENVIRONMENT KVXNP_TREE=${KVX_NETPROVIDER_SAMPLE})
# Under wine64 the 100 rounds of seed 1 take seconds; the 32-bit route's virtual
# machine emulates every instruction, and the later rounds (large generated
# containers) took it over 6 minutes from round 5 to 15, so the 32-bit DLL gets
# the first 4 (about 15 s there).
if(KVX_WINE64)
  set(KVX_NETPROVIDER_FUZZ_ROUNDS 100)
else()
  set(KVX_NETPROVIDER_FUZZ_ROUNDS 4)
endif()
kvx_wine_test(wine_netprovider_fuzz
              COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh $<TARGET_FILE:np_selftest>
                      --fuzz ${KVX_NETPROVIDER_DLL} ${KVX_NETPROVIDER_FUZZ_ROUNDS} 1
              TIMEOUT 600)

# The module entry under the real loader: two DLLs on the product's entry code,
# one whose DllMain accepts the process attach and one whose DllMain refuses it,
# loaded by a program that checks what each reports of its static objects and
# its DllMain calls.
foreach(answer accept refuse)
  add_library(kvx_entry_probe_${answer} SHARED tests/wine/module_entry_probe.cpp)
  set_target_properties(kvx_entry_probe_${answer} PROPERTIES PREFIX "")
  target_include_directories(kvx_entry_probe_${answer} PRIVATE platform)
  target_compile_options(kvx_entry_probe_${answer} PRIVATE ${KVX_WARNINGS})
  kvx_freestanding(kvx_entry_probe_${answer})
endforeach()
target_compile_definitions(kvx_entry_probe_refuse PRIVATE KVX_PROBE_REFUSES)
add_executable(kvx_module_entry_checks tests/wine/module_entry_checks.cpp)
add_dependencies(kvx_module_entry_checks kvx_entry_probe_accept kvx_entry_probe_refuse)
target_include_directories(kvx_module_entry_checks PRIVATE platform)
target_compile_options(kvx_module_entry_checks PRIVATE ${KVX_WARNINGS})
target_link_options(kvx_module_entry_checks PRIVATE ${KVX_STATIC_RUNTIME})
target_link_libraries(kvx_module_entry_checks PRIVATE gtest gtest_main)
kvx_wine_test(wine_module_entry
              COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh $<TARGET_FILE:kvx_module_entry_checks>)

# The 64-bit build tours as Windows NT 4.0: it registers the Windows NT 4 driver
# under "Windows x64", the environment a 64-bit process's printers are served from.
if(KVX_WINE64)
  set(KVX_TOUR_ENV KVX_TOUR_RELEASE=nt40)
endif()
# Under emulation (scripts/wine32.sh's virtual machine) each kvxctl.exe call costs
# seconds, and the tour makes about ninety: it took 10 to 23 minutes there.
kvx_wine_test(wine_kvxctl_tour COMMAND ${CMAKE_SOURCE_DIR}/tests/tour/kvxctl_tour.sh wine ${CMAKE_BINARY_DIR}/bin
              TIMEOUT 1800 ENVIRONMENT ${KVX_TOUR_ENV})

# The shell printer browser on a display (a virtual one unless DISPLAY is set):
# titles, result codes and preselection checked from inside, then a screenshot
# taken through kvxctl.exe and the dialog cancelled with Escape.
add_executable(kvx_dialog_checks tests/wine/printer_browser_checks.cpp)
add_dependencies(kvx_dialog_checks kvx32_import)
target_include_directories(kvx_dialog_checks PRIVATE platform)
target_compile_options(kvx_dialog_checks PRIVATE ${KVX_WARNINGS})
target_link_options(kvx_dialog_checks PRIVATE ${KVX_STATIC_RUNTIME})
target_link_libraries(kvx_dialog_checks PRIVATE kvx32_import gtest gtest_main)
kvx_wine_test(wine_printer_browser
              COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/on_display.sh
                      ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh $<TARGET_FILE:kvx_dialog_checks>)
kvx_wine_test(wine_printer_browser_screenshot
              COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/on_display.sh
                      ${CMAKE_SOURCE_DIR}/scripts/printer_browser_screenshot.sh ${CMAKE_BINARY_DIR}/bin
                      ${CMAKE_BINARY_DIR}/printer_browser.png)

# The Browse Network dialog on the real platform, played with the keyboard on a
# virtual display, over the test network provider.
kvx_wine_test(wine_browse_network_dialog
              COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/browse_network_check.sh $<TARGET_FILE:browse_demo>
                      ${CMAKE_BINARY_DIR}/browse_network.png)
