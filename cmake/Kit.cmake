# The host developer's kit: the MSVC-style import library beside the MinGW one,
# the install layout (bin/ARCH, lib/ARCH, include/) and the CMake package kvx32, so that
# a host project writes find_package(kvx32) and links kvx32::kvx32.
include(CMakePackageConfigHelpers)

# The kit's version is the DLL's file version.
file(STRINGS ${CMAKE_SOURCE_DIR}/res/version.h version_lines
     REGEX "^#define KVX_VERSION_(MAJOR|MINOR|BUILD|REVISION) ")
string(REGEX REPLACE "#define KVX_VERSION_[A-Z]+ " "" version_parts "${version_lines}")
list(JOIN version_parts "." KVX_KIT_VERSION)

# MSVC-style import library, from the same module-definition file. -k keeps the
# decorated symbols hosts reference (_GetPrinterDriverDir@8) and imports them by
# the undecorated names the DLL exports.
find_program(KVX_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 REQUIRED)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(KVX_LLVM_MACHINE i386:x86-64)
else()
  set(KVX_LLVM_MACHINE i386)
endif()
set(KVX_MSVC_IMPORT_LIB ${CMAKE_BINARY_DIR}/lib/KVX_32.lib)
add_custom_command(OUTPUT ${KVX_MSVC_IMPORT_LIB}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/lib
                   COMMAND ${KVX_LLVM_DLLTOOL} -m ${KVX_LLVM_MACHINE} -k -d ${KVX_IMPORT_DEF_FILE}
                           -D KVX_32.dll -l ${KVX_MSVC_IMPORT_LIB}
                   DEPENDS ${KVX_IMPORT_DEF_FILE} VERBATIM)
add_custom_target(kvx32_msvc_implib ALL DEPENDS ${KVX_MSVC_IMPORT_LIB})

# Each architecture in a folder of its own, as Windows kits lay them out
# (bin/x86, bin/x64, lib/x86, lib/x64): the mingw and wine64 builds install into
# one prefix side by side, and share the header and the package files.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(KVX_KIT_ARCH x64)
else()
  set(KVX_KIT_ARCH x86)
endif()
install(TARGETS kvx32 kvxctl RUNTIME DESTINATION bin/${KVX_KIT_ARCH})
install(FILES ${KVX_IMPORT_LIB} ${KVX_MSVC_IMPORT_LIB} DESTINATION lib/${KVX_KIT_ARCH})
install(FILES include/kvx32.h DESTINATION include)

configure_file(cmake/kvx32Config.cmake.in ${CMAKE_BINARY_DIR}/kit/kvx32Config.cmake @ONLY)
# One package for both architectures: the configuration picks the host's.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/kit/kvx32ConfigVersion.cmake
                                 VERSION ${KVX_KIT_VERSION} COMPATIBILITY SameMajorVersion
                                 ARCH_INDEPENDENT)
install(FILES ${CMAKE_BINARY_DIR}/kit/kvx32Config.cmake ${CMAKE_BINARY_DIR}/kit/kvx32ConfigVersion.cmake
        DESTINATION lib/cmake/kvx32)

if(BUILD_TESTING)
  # MSVC and MinGW hosts link KVX_32.lib and libkvx32.dll.a and import the DLL's
  # export names, whichever convention they declare the driver exports with
  # (32-bit only: the decorated names exist there alone).
  if(NOT KVX_WINE64)
    add_test(NAME kit_msvc_import_lib
             COMMAND ${CMAKE_SOURCE_DIR}/tests/kit/check_host_link.sh msvc ${CMAKE_SOURCE_DIR}
                     $<TARGET_FILE:kvx32> ${KVX_MSVC_IMPORT_LIB} ${CMAKE_BINARY_DIR}/kit-msvc-link)
    # kvx32.h with its binding macros and the README's C examples compile without
    # a warning as C89, C99, C++98 and C++17 (compilers only, no Wine).
    add_test(NAME kit_host_sources
             COMMAND ${CMAKE_SOURCE_DIR}/tests/kit/check_host_sources.sh ${CMAKE_SOURCE_DIR}
                     ${CMAKE_BINARY_DIR}/kit-host-sources)
    add_test(NAME kit_mingw_import_lib
             COMMAND ${CMAKE_SOURCE_DIR}/tests/kit/check_host_link.sh mingw ${CMAKE_SOURCE_DIR}
                     $<TARGET_FILE:kvx32> ${KVX_IMPORT_LIB} ${CMAKE_BINARY_DIR}/kit-mingw-link)
  endif()
  # The sample host builds against the installed kit, then runs under Wine over
  # the test network provider.
  # The 64-bit build's check also installs the 32-bit build tree (built before it
  # by scripts/test-all.sh) into the same prefix and builds the sample for both.
  set(KVX_KIT_OTHER)
  if(KVX_KIT_ARCH STREQUAL "x64")
    set(KVX_KIT_32BIT_BUILD ${CMAKE_SOURCE_DIR}/build/mingw CACHE PATH "the 32-bit build tree the kit check installs too")
    set(KVX_KIT_OTHER ${KVX_KIT_32BIT_BUILD} ${CMAKE_SOURCE_DIR}/cmake/mingw-i686.cmake)
  endif()
  add_test(NAME kit_example_build
           COMMAND ${CMAKE_SOURCE_DIR}/tests/kit/example_host.sh build ${CMAKE_SOURCE_DIR}
                   ${CMAKE_BINARY_DIR} ${CMAKE_TOOLCHAIN_FILE} ${KVX_KIT_ARCH} ${KVX_KIT_OTHER})
  set_tests_properties(kit_example_build PROPERTIES FIXTURES_SETUP kit_example)
  kvx_wine_test(kit_example_run
                COMMAND ${CMAKE_SOURCE_DIR}/tests/kit/example_host.sh run ${CMAKE_BINARY_DIR})
  set_tests_properties(kit_example_run PROPERTIES FIXTURES_REQUIRED "wine;kit_example")
endif()
