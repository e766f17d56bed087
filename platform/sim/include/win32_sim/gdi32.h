// Simulated GDI: bitmaps loaded from the module's resources, as the image lists use them.
#pragma once

#include <win32_sim/base_types.h>

typedef DWORD COLORREF;
#define RGB(r, g, b)                                                                               \
    ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))

typedef void* HGDIOBJ;
DECLARE_HANDLE(HBITMAP);

// A bitmap resource (RT_BITMAP) of the module; null when there is none.
HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name);
BOOL DeleteObject(HGDIOBJ object);
