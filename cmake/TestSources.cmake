# The tests of the library, one folder of tests/ per folder of src/ (tests/netlist
# checks src/netlist), plus tests/sweeps (the fault sweep and the hostile networks,
# across every area), tests/sim (the simulated platform itself) and tests/kvxctl.
# The suffix of a file says which builds compile it:
#   NAME_test.cpp    a native test over the simulated platform (kvx_tests only);
#   NAME_checks.cpp  a behaviour check, compiled twice: natively into kvx_tests,
#                    against the simulation, and into kvx_checks_<release>.exe,
#                    against the real DLL under Wine;
#   NAME_sim.cpp     the native half of a check's machinery (kvx_tests only);
#   NAME_wine.cpp    the Wine half (kvx_checks only).
# A file of another suffix stops the configuration. tests/harness holds the
# helpers every test shares (namespace harness); a .cpp file there without
# _sim or _wine goes into both builds. NAME is the source file checked
# (tests/install/get_printer_driver_dir_test.cpp checks
# src/install/get_printer_driver_dir.cpp), or the topic for the harness.
set(KVX_TEST_AREAS appkit frame install ports identity netlist connect_dialog printer_browser
                   browse_network runtime sweeps sim kvxctl harness)

# kvx_test_sources(OUT BUILD): the test sources of BUILD, `native` or `wine`.
function(kvx_test_sources out build)
  set(sources)
  foreach(area IN LISTS KVX_TEST_AREAS)
    file(GLOB area_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${area}/*.cpp)
    foreach(source IN LISTS area_sources)
      if(NOT area STREQUAL "harness" AND NOT source MATCHES "_(test|checks|sim|wine)\\.cpp$")
        message(FATAL_ERROR "${source}: a test file ends in _test, _checks, _sim or _wine")
      endif()
    endforeach()
    list(APPEND sources ${area_sources})
  endforeach()
  if(build STREQUAL "native")
    list(FILTER sources EXCLUDE REGEX "_wine\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "_(sim|test)\\.cpp$")
  endif()
  set(${out} ${sources} PARENT_SCOPE)
endfunction()
