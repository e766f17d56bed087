// Functions of a system module found by name at run time rather than imported:
// a release the DLL is for may lack them, and one import the loader cannot
// resolve refuses the whole DLL. LoadedModule holds a module the DLL does not
// import (so it may not be loaded yet) for one scope, or for good.
#pragma once

#include <win32.h>

#include <utility>

// The exported function `name` of `module`, as its own type; false when the
// module lacks it.
template <typename Function>
bool FindFunction(HMODULE module, const char* name, Function* function) {
    *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return *function != nullptr;
}

// A reference to a module loaded by file name, released on every path. What
// was found in the module, and what its functions handed out, must be gone
// before the owner: the module may be unloaded with its last reference.
class LoadedModule {
public:
    explicit LoadedModule(const char* fileName) : module_(LoadLibraryA(fileName)) {}
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;
    ~LoadedModule() {
        if (module_ != nullptr)
            FreeLibrary(module_);
    }

    explicit operator bool() const { return module_ != nullptr; }
    HMODULE get() const { return module_; }
    // The reference is the caller's from now on, never released here.
    HMODULE Keep() { return std::exchange(module_, nullptr); }

private:
    HMODULE module_;
};
