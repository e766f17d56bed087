# The library's sources, for every build that compiles them: kvx32_core (in the
# product build the objects of KVX_32.dll and browse_demo, in the native build
# those of kvxctl, the tests and the benchmarks) and the libFuzzer build of
# tests/fuzz. The DLL's entry point (src/frame/dll_main.cpp) is the product's own.
set(KVX_LIBRARY_SOURCES
    src/appkit/dialog.cpp
    src/appkit/message_map.cpp
    src/appkit/module_instance.cpp
    src/appkit/shared_string.cpp
    src/appkit/text_format.cpp
    src/appkit/wnd.cpp
    src/frame/dialog_handoff.cpp
    src/frame/global_block.cpp
    src/frame/module_state.cpp
    src/frame/platform_id.cpp
    src/install/driver_directory.cpp
    src/install/driver_install.cpp
    src/install/get_printer_driver_dir.cpp
    src/install/get_printer_driver_name.cpp
    src/install/install_thermal_printer.cpp
    src/ports/local_ports.cpp
    src/identity/net_get_infos.cpp
    src/netlist/get_ports_select.cpp
    src/netlist/net_enum.cpp
    src/netlist/net_path.cpp
    src/connect_dialog/get_net_browse_dialog_nt4.cpp
    src/printer_browser/get_net_browse_dialog32b.cpp
    src/printer_browser/printer_browser.cpp
    src/printer_browser/shell_library.cpp
    src/browse_network/browse_network_dialog.cpp
    src/browse_network/browse_nodes.cpp
    src/browse_network/drag_tree_ctrl.cpp
    src/browse_network/net_records.cpp
)
get_filename_component(kvx_source_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
list(TRANSFORM KVX_LIBRARY_SOURCES PREPEND "${kvx_source_root}/")
