# The product: KVX_32.dll, with kvxctl.exe and the checks that run under Wine.
enable_language(RC)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

set(KVX_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

# The module-definition file names the stdcall symbols with their argument size
# (Name@N); a 64-bit build has no such decoration, so it gets a copy without it.
set(KVX_DEF_FILE ${CMAKE_SOURCE_DIR}/src/frame/exports.def)
if(KVX_WINE64)
  file(READ ${KVX_DEF_FILE} def_text)
  string(REGEX REPLACE "@[0-9]+ " " " def_text "${def_text}")
  set(KVX_DEF_FILE ${CMAKE_BINARY_DIR}/exports64.def)
  file(WRITE ${KVX_DEF_FILE} "${def_text}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/frame/exports.def)
endif()

# The library's objects, compiled once for the DLL and browse_demo.
add_library(kvx32_core OBJECT ${KVX_LIBRARY_SOURCES})
target_include_directories(kvx32_core PUBLIC include PRIVATE src platform res)
target_compile_options(kvx32_core PRIVATE ${KVX_WARNINGS})

add_library(kvx32 SHARED src/frame/dll_main.cpp ${KVX_DEF_FILE})
set_target_properties(kvx32 PROPERTIES OUTPUT_NAME KVX_32 PREFIX "" IMPORT_PREFIX "lib")
target_include_directories(kvx32 PRIVATE src platform)
target_compile_options(kvx32 PRIVATE ${KVX_WARNINGS})
target_link_options(kvx32 PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
target_link_libraries(kvx32 PRIVATE kvx32_core)
include(cmake/Freestanding.cmake)
kvx_freestanding(kvx32_core)
kvx_freestanding(kvx32)
# The 32-bit DLL runs on every processor of its Windows releases, down to a 386,
# and its headers name the system version every one of them loads (4.0); the
# check dll_machine_code holds it to both.
if(NOT KVX_WINE64)
  set(KVX_OLDEST_PROCESSOR -march=i386 -mtune=generic)
  target_compile_options(kvx32_core PRIVATE ${KVX_OLDEST_PROCESSOR})
  target_compile_options(kvx32 PRIVATE ${KVX_OLDEST_PROCESSOR})
  target_link_options(kvx32 PRIVATE -Wl,--major-os-version,4 -Wl,--minor-os-version,0
                      -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0)
endif()
include(cmake/Resources.cmake)
kvx_add_resources(kvx32)

# No export opens the Browse Network dialog: this host shows it, built from the
# library's objects and resources (tools/browse_demo).
add_executable(browse_demo tools/browse_demo/main.cpp)
target_include_directories(browse_demo PRIVATE src platform res)
target_compile_options(browse_demo PRIVATE ${KVX_WARNINGS} -fno-exceptions)
target_link_options(browse_demo PRIVATE ${KVX_STATIC_RUNTIME})
target_link_libraries(browse_demo PRIVATE kvx32_core winspool mpr shell32 comctl32 ole32)
kvx_add_resources(browse_demo)

# The import libraries' module-definition file: the DLL's, plus for each export
# of the C convention (a 32-bit name without argument size; none takes arguments)
# its stdcall name Name@0, so that a host that declares it __stdcall links too.
# Both names import the one undecorated export.
set(KVX_IMPORT_DEF_FILE ${KVX_DEF_FILE})
if(NOT KVX_WINE64)
  file(READ ${KVX_DEF_FILE} def_text)
  string(REGEX REPLACE "\n    ([A-Za-z0-9_]+) (@[0-9]+)" "\n    \\1 \\2\n    \\1@0 \\2" def_text "${def_text}")
  set(KVX_IMPORT_DEF_FILE ${CMAKE_BINARY_DIR}/imports.def)
  file(WRITE ${KVX_IMPORT_DEF_FILE}.new "${def_text}")
  configure_file(${KVX_IMPORT_DEF_FILE}.new ${KVX_IMPORT_DEF_FILE} COPYONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/frame/exports.def)
endif()

# The import library for hosts that link the DLL: made by dlltool from the
# module-definition file, so the stdcall symbols callers reference
# (GetPrinterDriverDir@8) import the undecorated export names.
find_program(KVX_DLLTOOL ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-dlltool REQUIRED)
set(KVX_IMPORT_LIB ${CMAKE_BINARY_DIR}/lib/libkvx32.dll.a)
add_custom_command(OUTPUT ${KVX_IMPORT_LIB}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/lib
                   COMMAND ${KVX_DLLTOOL} --kill-at -d ${KVX_IMPORT_DEF_FILE}
                           -D KVX_32.dll -l ${KVX_IMPORT_LIB}
                   DEPENDS ${KVX_IMPORT_DEF_FILE} VERBATIM)
add_custom_target(kvx32_implib ALL DEPENDS ${KVX_IMPORT_LIB})
add_library(kvx32_import INTERFACE)
add_dependencies(kvx32_import kvx32_implib kvx32)
target_include_directories(kvx32_import INTERFACE include)
target_link_libraries(kvx32_import INTERFACE ${KVX_IMPORT_LIB})

# kvxctl's header-only libraries (CLI11, nlohmann-json) come from the Debian
# packages; the MinGW compilers see a folder of links to those two alone, never
# the host's /usr/include as a whole.
set(KVX_HOST_INCLUDE /usr/include CACHE PATH "where the CLI11 and nlohmann-json headers lie")
set(KVX_KVXCTL_INCLUDE ${CMAKE_BINARY_DIR}/kvxctl-include)
foreach(library CLI nlohmann)
  if(NOT EXISTS ${KVX_HOST_INCLUDE}/${library})
    message(FATAL_ERROR "${KVX_HOST_INCLUDE}/${library} is missing: install libcli11-dev and "
                        "nlohmann-json3-dev (scripts/install-deps.sh)")
  endif()
  file(MAKE_DIRECTORY ${KVX_KVXCTL_INCLUDE})
  file(CREATE_LINK ${KVX_HOST_INCLUDE}/${library} ${KVX_KVXCTL_INCLUDE}/${library} SYMBOLIC)
endforeach()

add_executable(kvxctl ${KVXCTL_SOURCES} tools/kvxctl/binding_dll.cpp tools/kvxctl/file_system_win32.cpp
               tools/kvxctl/console_output_win32.cpp)
target_include_directories(kvxctl PRIVATE include platform tools/kvxctl res)
target_include_directories(kvxctl SYSTEM PRIVATE ${KVX_KVXCTL_INCLUDE})
target_compile_options(kvxctl PRIVATE ${KVX_WARNINGS})
target_link_options(kvxctl PRIVATE ${KVX_STATIC_RUNTIME})
# version: the library's version record, for --version.
target_link_libraries(kvxctl PRIVATE winspool version)
add_dependencies(kvxctl kvx32)

if(BUILD_TESTING)
  include(cmake/WineTests.cmake)
endif()
include(cmake/Kit.cmake)
add_subdirectory(bench)
