# Resources of KVX_32.dll.
#
# kvx_add_resources(<target>)
#   Generates the tree bitmaps from res/bitmaps/tree_images.txt into the build
#   tree and compiles res/kvx32.rc (version record, dialog 134, bitmaps) into
#   <target> through CMake's RC language (windres in the MinGW build). The
#   project must have enabled RC before calling this. Call it from the
#   directory that defines <target>.

set(KVX_RESOURCES_ROOT "${CMAKE_CURRENT_LIST_DIR}/..")
get_filename_component(KVX_RESOURCES_ROOT "${KVX_RESOURCES_ROOT}" ABSOLUTE)

function(kvx_add_resources target)
    if(NOT TARGET ${target})
        message(FATAL_ERROR "kvx_add_resources: no target named ${target}")
    endif()
    get_property(_languages GLOBAL PROPERTY ENABLED_LANGUAGES)
    if(NOT "RC" IN_LIST _languages)
        message(FATAL_ERROR "kvx_add_resources: enable the RC language first")
    endif()
    if(NOT Python3_EXECUTABLE)
        find_package(Python3 REQUIRED COMPONENTS Interpreter)
    endif()

    set(_root "${KVX_RESOURCES_ROOT}")
    set(_res "${_root}/res")
    set(_generator "${_root}/tools/make_bitmaps.py")
    set(_art "${_res}/bitmaps/tree_images.txt")
    set(_outdir "${CMAKE_CURRENT_BINARY_DIR}/${target}_bitmaps")

    set(_bitmaps "")
    foreach(_id RANGE 200 207)
        list(APPEND _bitmaps "${_outdir}/tree_${_id}.bmp")
    endforeach()

    add_custom_command(
        OUTPUT ${_bitmaps}
        COMMAND "${Python3_EXECUTABLE}" "${_generator}" "${_outdir}" "${_art}"
        DEPENDS "${_generator}" "${_art}"
        COMMENT "Generating the tree bitmaps of ${target}"
        VERBATIM)
    add_custom_target(${target}_bitmaps DEPENDS ${_bitmaps})
    add_dependencies(${target} ${target}_bitmaps)

    set(_rc "${_res}/kvx32.rc")
    target_sources(${target} PRIVATE "${_rc}")
    # The bitmaps and the scripts that kvx32.rc includes are not found by
    # CMake's dependency scan for windres, so name them here: changing any of
    # them recompiles the resources.
    set_property(SOURCE "${_rc}" APPEND PROPERTY OBJECT_DEPENDS
        ${_bitmaps}
        "${_res}/resource.h"
        "${_res}/version.rc"
        "${_res}/version.h"
        "${_res}/browse_network.rc")
    set_property(SOURCE "${_rc}" APPEND PROPERTY INCLUDE_DIRECTORIES "${_res}" "${_outdir}")
endfunction()
