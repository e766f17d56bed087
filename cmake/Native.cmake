# The native build: the library over the simulated platform, with the fast tests.
if(KVX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
# Without exceptions, as the product is built: no branch of the coverage report
# stands for an exception no code throws.
if(KVX_COVERAGE)
  add_compile_options(--coverage -fno-exceptions)
  add_link_options(--coverage)
endif()

file(GLOB KVX_SIM_SOURCES CONFIGURE_DEPENDS platform/sim/src/*.cpp)
add_library(win32sim STATIC ${KVX_SIM_SOURCES})
target_include_directories(win32sim PUBLIC platform platform/sim/include)
target_compile_options(win32sim PRIVATE ${KVX_WARNINGS})

# The library's objects, compiled once for kvxctl, the tests and the benchmarks.
# Its consumers see the public header; white-box tests name src/ themselves.
add_library(kvx32_core OBJECT ${KVX_LIBRARY_SOURCES})
target_include_directories(kvx32_core PUBLIC include PRIVATE src res)
target_compile_options(kvx32_core PRIVATE ${KVX_WARNINGS})
target_link_libraries(kvx32_core PUBLIC win32sim)

add_executable(kvxctl ${KVXCTL_SOURCES} tools/kvxctl/sim/binding_sim.cpp
               tools/kvxctl/sim/file_system_posix.cpp tools/kvxctl/sim/sim_driver_disk.cpp
               tools/kvxctl/sim/console_output_posix.cpp)
target_include_directories(kvxctl PRIVATE tools/kvxctl res)
# CLI11 reports a wrong command line by exception, also in the coverage build.
target_compile_options(kvxctl PRIVATE ${KVX_WARNINGS} -fexceptions)
list(JOIN KVX_WINDOWS_RELEASES " " KVX_WINDOWS_RELEASE_NAMES)
target_compile_definitions(kvxctl PRIVATE KVX_WINDOWS_RELEASES="${KVX_WINDOWS_RELEASE_NAMES}")
target_link_libraries(kvxctl PRIVATE kvx32_core)

if(BUILD_TESTING)
  find_package(GTest REQUIRED)
  # Which tests/ files each build compiles, by their suffix: cmake/TestSources.cmake.
  include(cmake/TestSources.cmake)
  kvx_test_sources(KVX_NATIVE_TESTS native)
  add_executable(kvx_tests ${KVX_NATIVE_TESTS} tools/kvxctl/json_output.cpp)
  target_include_directories(kvx_tests PRIVATE tests src res tools/kvxctl)
  target_compile_options(kvx_tests PRIVATE ${KVX_WARNINGS})
  target_link_libraries(kvx_tests PRIVATE kvx32_core GTest::gtest GTest::gtest_main)
  target_compile_definitions(kvx_tests PRIVATE
                             KVX_TEST_NETWORK="${CMAKE_SOURCE_DIR}/tests/data/test_network.txt"
                             KVX_IMPORTS_ALLOW="${CMAKE_SOURCE_DIR}/src/frame/imports.allow")
  include(GoogleTest)
  gtest_discover_tests(kvx_tests DISCOVERY_TIMEOUT 60)

  add_test(NAME kvxctl_tour COMMAND ${CMAKE_SOURCE_DIR}/tests/tour/kvxctl_tour.sh native $<TARGET_FILE:kvxctl>)
  # kvxctl's files depend one way, and its help states the README's exit codes.
  add_test(NAME kvxctl_layers COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/kvxctl/check_layers.py
                                      ${CMAKE_SOURCE_DIR}/tools/kvxctl)
  add_test(NAME kvxctl_help COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/kvxctl/check_help.py
                                    $<TARGET_FILE:kvxctl> ${CMAKE_SOURCE_DIR}/README.md)
  # The virtual machine that runs the 32-bit DLL's checks where this machine
  # cannot: exit codes, output and time limits come back as promised.
  add_test(NAME vm32_route COMMAND ${CMAKE_SOURCE_DIR}/tests/scripts/vm32_test.sh)
  set_tests_properties(vm32_route PROPERTIES LABELS vm SKIP_RETURN_CODE 77 TIMEOUT 600)
  # Every shell script, the virtual machine's guest programs included, passes shellcheck.
  add_test(NAME shell_scripts COMMAND ${CMAKE_SOURCE_DIR}/tests/scripts/shellcheck_test.sh)
  set_tests_properties(shell_scripts PROPERTIES SKIP_RETURN_CODE 77)
  # Every C and C++ file in the project's format.
  add_test(NAME source_format COMMAND ${CMAKE_SOURCE_DIR}/tests/scripts/format_test.sh)
  # What tests/mutants.py would mutate (the mutants themselves are built by hand).
  add_test(NAME mutants_planner COMMAND ${CMAKE_SOURCE_DIR}/tests/scripts/mutants_test.py)
  # The export index of docs/architecture.md against exports.def and the tree, and
  # that check failing where it must.
  add_test(NAME export_index COMMAND ${CMAKE_SOURCE_DIR}/tests/check_index.py)
  add_test(NAME export_index_check_fails COMMAND ${CMAKE_SOURCE_DIR}/tests/scripts/check_index_test.py)
  add_subdirectory(tests/fuzz)
endif()

add_subdirectory(bench)
