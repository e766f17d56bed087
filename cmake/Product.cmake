# The product: KVX_32.dll, with kvxctl.exe and the checks that run under Wine.
enable_language(RC)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

set(KVX_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

add_library(kvx32 SHARED ${KVX_LIBRARY_SOURCES} src/frame/dll_main.cpp src/frame/exports.def)
set_target_properties(kvx32 PROPERTIES OUTPUT_NAME KVX_32 PREFIX "" IMPORT_PREFIX "lib")
target_include_directories(kvx32 PUBLIC include PRIVATE src platform res)
target_compile_options(kvx32 PRIVATE ${KVX_WARNINGS} -fno-exceptions)
target_link_options(kvx32 PRIVATE ${KVX_STATIC_RUNTIME} -Wl,--kill-at -Wl,--enable-stdcall-fixup)
target_link_libraries(kvx32 PRIVATE winspool mpr shell32 comctl32 ole32)
if(EXISTS ${CMAKE_SOURCE_DIR}/cmake/Resources.cmake)
  include(cmake/Resources.cmake)
  kvx_add_resources(kvx32)
endif()

# The import library for hosts that link the DLL: made by dlltool from the same
# module-definition file, so the stdcall symbols callers reference
# (GetPrinterDriverDir@8) import the undecorated export names.
find_program(KVX_DLLTOOL i686-w64-mingw32-dlltool REQUIRED)
set(KVX_IMPORT_LIB ${CMAKE_BINARY_DIR}/lib/libkvx32.dll.a)
add_custom_command(OUTPUT ${KVX_IMPORT_LIB}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/lib
                   COMMAND ${KVX_DLLTOOL} --kill-at -d ${CMAKE_SOURCE_DIR}/src/frame/exports.def
                           -D KVX_32.dll -l ${KVX_IMPORT_LIB}
                   DEPENDS ${CMAKE_SOURCE_DIR}/src/frame/exports.def VERBATIM)
add_custom_target(kvx32_implib DEPENDS ${KVX_IMPORT_LIB})
add_library(kvx32_import INTERFACE)
add_dependencies(kvx32_import kvx32_implib kvx32)
target_include_directories(kvx32_import INTERFACE include)
target_link_libraries(kvx32_import INTERFACE ${KVX_IMPORT_LIB})

add_executable(kvxctl tools/kvxctl/main.cpp tools/kvxctl/commands.cpp tools/kvxctl/bind_dll.cpp)
target_include_directories(kvxctl PRIVATE include platform tools/kvxctl)
target_compile_options(kvxctl PRIVATE ${KVX_WARNINGS})
target_link_options(kvxctl PRIVATE ${KVX_STATIC_RUNTIME})
target_link_libraries(kvxctl PRIVATE winspool)
add_dependencies(kvxctl kvx32)

if(BUILD_TESTING)
  include(cmake/WineTests.cmake)
endif()
