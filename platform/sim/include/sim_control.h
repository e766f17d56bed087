// Control API of the simulated platform, for tests and the native kvxctl:
// set the machine's state, inject failures, and count what is still held.
#pragma once

#include <win32_sim/windows.h>

#include <string>
#include <vector>

namespace sim {

// Returns every part of the simulation to a new machine: Windows NT 4.0, the
// default driver directories, no driver files, no drivers, no faults. Memory
// still held by the code under test stays valid and counted: check leaks by
// comparing the counts before and after an operation.
void Reset();

// ---- kernel32 ----
void SetVersion(DWORD platformId, DWORD major, DWORD minor, DWORD build = 0);
void FailVersionQuery(bool fail);

// A named Windows release, as Wine's version switch names them (win31, win95,
// win98, winme, nt351, nt40, win2k, winxp, win10). Returns false for an unknown name.
bool SetWindowsVersion(const std::string& name);

enum class Fault { GlobalAlloc, GlobalLock, GlobalReAlloc, HeapAlloc, AnyMemory };
// Makes the nth call (1 = the next one) of that kind fail; AnyMemory counts
// every call of the four kinds together. Cleared by Reset and by ClearFaults.
void FailNth(Fault kind, unsigned nth);
void ClearFaults();
// Whether an armed fault has fired since it was armed.
bool FaultFired();

size_t LiveGlobalBlocks();
size_t LockedGlobalBlocks();
size_t LiveHeapBlocks();
// Size and lock count of a live block; false when the handle names none.
bool GlobalBlockInfo(HGLOBAL block, SIZE_T* size, unsigned* locks);

// ---- spooler: drivers ----
// The directory GetPrinterDriverDirectoryA reports for an environment name
// ("Windows NT x86", "Windows 4.0").
void SetDriverDirectory(const std::string& environment, const std::string& directory);
std::string DriverDirectory(const std::string& environment);
// Makes GetPrinterDriverDirectoryA fail with this error (0 = answer normally).
void FailDriverDirectoryQuery(DWORD error);

// Files present on the simulated disk, by full path (case-insensitive).
void AddFile(const std::string& path);
bool FileExists(const std::string& path);

struct Driver {
    std::string environment;
    std::string name;
    DWORD version;
    std::string driverPath;
    std::string dataFile;
    std::string configFile;
};
std::vector<Driver> Drivers();
// Adds a driver without the file checks, e.g. to set up a removal.
void AddDriver(const Driver& driver);
// Makes every printer driver of that name count as in use (removal refused).
void SetDriverInUse(const std::string& name, bool inUse);

} // namespace sim
