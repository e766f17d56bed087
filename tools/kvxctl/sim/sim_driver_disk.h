// Natively, the simulated machine's driver directories are kept in a folder of
// the host, so that kvxctl copies real files into them: the simulated
// C:\windows\system32\spool\drivers\w32x86\KVX_50.DLL is
// STORE/windows/system32/spool/drivers/w32x86/KVX_50.DLL. STORE is the folder
// given with --driver-store (it keeps the files from one run to the next), else
// a temporary folder removed when kvxctl ends. The files found there at start
// are on the simulated disk. The spooler's drivers and printers are kept beside
// them, in STORE/spooler-state.txt.
#pragma once

#include <string>

// Makes the driver directories in `store` (or a temporary folder when empty) and
// puts the files they hold on the simulated disk. A store that did not exist is
// made, and that is said on standard error.
bool SetUpSimDriverDisk(const std::string& store, std::string* error);

// From now on every write into the driver directories fails, as a
// write-protected directory's would.
void SetSimDriverDiskReadOnly(bool readOnly);

// From now on every rename into the driver directories fails, as when another
// program holds the staged copy open (deleting still works).
void SetSimDriverDiskRenamesFail(bool fail);

// Places a placeholder for each driver file of the platform (what
// --with-driver-files asks for).
bool PlacePlaceholderDriverFiles(int platformCode, std::string* error);

// From now on the system holds the driver file of that name open: removing it
// fails, as Windows refuses to delete a file in use.
void MarkSimDriverFileInUse(const std::string& name);

// The simulated spooler's drivers and printers: read from the store at start,
// written back when kvxctl ends (only to a store given with --driver-store; a
// spooler with neither leaves no file there). False with a message.
bool LoadSimSpoolerState(std::string* error);
bool SaveSimSpoolerState(std::string* error);
