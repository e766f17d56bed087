// Simulated shell (shell32.dll): item lists, the shell's allocator as a COM
// interface, special folder locations and the folder-browse dialog.
#pragma once

#include <win32_sim/base_types.h>
#include <win32_sim/user32.h>

#define MAX_PATH 260

#define S_OK ((HRESULT)0)
#define E_FAIL ((HRESULT)0x80004005L)
#define E_INVALIDARG ((HRESULT)0x80070057L)
#define E_NOINTERFACE ((HRESULT)0x80004002L)
#define E_OUTOFMEMORY ((HRESULT)0x8007000EL)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

#define STDMETHODCALLTYPE

typedef struct _GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
} GUID, IID;
typedef const IID& REFIID;

// The COM base interface: the methods are called through the object's table of
// virtual functions, in this order. Objects are never deleted through it.
struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

protected:
    ~IUnknown() = default;
};

struct IMalloc : public IUnknown {
    virtual void* STDMETHODCALLTYPE Alloc(SIZE_T bytes) = 0;
    virtual void* STDMETHODCALLTYPE Realloc(void* memory, SIZE_T bytes) = 0;
    virtual void STDMETHODCALLTYPE Free(void* memory) = 0;
    virtual SIZE_T STDMETHODCALLTYPE GetSize(void* memory) = 0;
    virtual int STDMETHODCALLTYPE DidAlloc(void* memory) = 0;
    virtual void STDMETHODCALLTYPE HeapMinimize() = 0;

protected:
    ~IMalloc() = default;
};
typedef IMalloc* LPMALLOC;

#pragma pack(push, 1)
typedef struct _SHITEMID {
    WORD cb; // size of this identifier, cb included; 0 ends the list
    BYTE abID[1];
} SHITEMID;
typedef struct _ITEMIDLIST {
    SHITEMID mkid;
} ITEMIDLIST;
#pragma pack(pop)
typedef ITEMIDLIST* LPITEMIDLIST;
typedef const ITEMIDLIST* LPCITEMIDLIST;
typedef LPITEMIDLIST PIDLIST_ABSOLUTE;
typedef LPCITEMIDLIST PCIDLIST_ABSOLUTE;

#define CSIDL_DESKTOP 0x0000
#define CSIDL_PRINTERS 0x0004
#define CSIDL_NETWORK 0x0012

#define BIF_BROWSEFORPRINTER 0x00002000

// Messages to the browse callback, and from it to the dialog.
#define BFFM_INITIALIZED 1
#define BFFM_SELCHANGED 2
#define BFFM_SETSELECTIONA (WM_USER + 102)

typedef int(CALLBACK* BFFCALLBACK)(HWND hwnd, UINT message, LPARAM lParam, LPARAM data);

typedef struct _browseinfoA {
    HWND hwndOwner;
    PCIDLIST_ABSOLUTE pidlRoot;
    LPSTR pszDisplayName; // MAX_PATH bytes, receives the chosen item's display name
    LPCSTR lpszTitle;
    UINT ulFlags;
    BFFCALLBACK lpfn;
    LPARAM lParam;
    int iImage;
} BROWSEINFOA, *PBROWSEINFOA, *LPBROWSEINFOA;

HRESULT SHGetMalloc(IMalloc** allocator);
HRESULT SHGetSpecialFolderLocation(HWND owner, int folder, PIDLIST_ABSOLUTE* list);
PIDLIST_ABSOLUTE SHBrowseForFolderA(LPBROWSEINFOA info);
BOOL SHGetPathFromIDListA(PCIDLIST_ABSOLUTE list, LPSTR path);
