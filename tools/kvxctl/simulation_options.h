// The names of the options that set up the native kvxctl's simulated machine.
// The native binding declares its options by these names; the Windows kvxctl
// knows them too, so that it can say where they are available.
#pragma once

#include <cstddef>

enum class SimulationOption {
    kWindows,
    kX64,
    kWithDriverFiles,
    kDriverStore,
    kReadOnlyDriverDir,
    kDriverDirRenamesFail,
    kDriverFileInUse,
    kNoAdminRights,
    kQueuedJobs,
    kBrowsePath,
    kBrowsePrinter,
    kBrowseCancel,
    kConnectPrinter,
    kNetwork,
};

// Indexed by SimulationOption.
inline constexpr const char* kSimulationOptionNames[] = {
    "--windows",
    "--x64",
    "--with-driver-files",
    "--driver-store",
    "--read-only-driver-dir",
    "--driver-dir-renames-fail",
    "--driver-file-in-use",
    "--no-admin-rights",
    "--queued-jobs",
    "--browse-path",
    "--browse-printer",
    "--browse-cancel",
    "--connect-printer",
    "--network",
};

static_assert(sizeof kSimulationOptionNames / sizeof *kSimulationOptionNames ==
                  static_cast<size_t>(SimulationOption::kNetwork) + 1,
              "a name for each option");

inline constexpr const char* NameOf(SimulationOption option) {
    return kSimulationOptionNames[static_cast<size_t>(option)];
}

// The Windows kvxctl's only option of its own.
inline constexpr const char kDllOption[] = "--dll";
