# The product DLL without a C runtime: no C runtime DLL to import (Windows 95
# and NT 3.51 do not ship one) and none of the runtime's start-up code, which
# imports kernel32 functions the library never calls. The library brings its
# own small runtime (src/runtime): the memory and string functions, the C++
# allocation operators over the process heap, and the module's entry point that
# constructs and destroys the static objects around DllMain.
set(KVX_RUNTIME_SOURCES ${CMAKE_SOURCE_DIR}/src/runtime/c_string.cpp
    ${CMAKE_SOURCE_DIR}/src/runtime/heap_new.cpp ${CMAKE_SOURCE_DIR}/src/runtime/module_entry.cpp)
# The string functions must not be recognised as loops that call themselves.
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/runtime/c_string.cpp PROPERTIES
                            COMPILE_OPTIONS "-ffreestanding;-fno-tree-loop-distribute-patterns")

# The system DLLs the library calls, and nothing else; libgcc for the helpers
# the compiler may call (stack probes, 64-bit division), which import nothing.
set(KVX_SYSTEM_LIBRARIES kernel32 user32 gdi32 advapi32 winspool mpr shell32 comctl32)

# Code that runs without a runtime: no exceptions, no run-time type
# information, no guards around local statics, no unwind tables.
set(KVX_FREESTANDING_COMPILE_OPTIONS -fno-exceptions -fno-rtti -fno-threadsafe-statics
    -fno-stack-protector -fno-asynchronous-unwind-tables -fno-unwind-tables -fcheck-new)

# kvx_freestanding(TARGET): compiles TARGET's code for the runtime-free product.
# For the DLL itself, also adds the runtime and links nothing but it, the system
# DLLs and libgcc, with the runtime's entry point.
function(kvx_freestanding target)
  target_compile_options(${target} PRIVATE ${KVX_FREESTANDING_COMPILE_OPTIONS})
  get_target_property(type ${target} TYPE)
  if(NOT type STREQUAL "SHARED_LIBRARY")
    return()
  endif()
  target_sources(${target} PRIVATE ${KVX_RUNTIME_SOURCES})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(entry _DllMainCRTStartup@12)
  else()
    set(entry DllMainCRTStartup)
  endif()
  target_link_options(${target} PRIVATE -nostdlib -Wl,-e,${entry})
  target_link_libraries(${target} PRIVATE ${KVX_SYSTEM_LIBRARIES} gcc)
endfunction()
