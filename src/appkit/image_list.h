// Owners of an image list and of a bitmap of the module: each frees its object on
// every path unless it has handed it over.
#pragma once

#include "appkit/module_instance.h"

#include <utility>

class CImageList {
public:
    CImageList() = default;
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;
    ~CImageList() {
        if (m_hImageList != nullptr)
            ImageList_Destroy(m_hImageList);
    }

    bool Create(int cx, int cy, UINT flags, int initial, int grow) {
        m_hImageList = ImageList_Create(cx, cy, flags, initial, grow);
        return m_hImageList != nullptr;
    }
    // Adds the images of a bitmap, `mask` being the transparent colour; the index of
    // the first one, or -1.
    int Add(HBITMAP bitmap, COLORREF mask) {
        return ImageList_AddMasked(m_hImageList, bitmap, mask);
    }
    HIMAGELIST Detach() { return std::exchange(m_hImageList, nullptr); }

private:
    HIMAGELIST m_hImageList = nullptr;
};

class CBitmap {
public:
    CBitmap() = default;
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;
    ~CBitmap() {
        if (m_hBitmap != nullptr)
            DeleteObject(m_hBitmap);
    }

    bool LoadBitmap(UINT id) {
        m_hBitmap = ::LoadBitmapA(ModuleInstance(), MAKEINTRESOURCEA(id));
        return m_hBitmap != nullptr;
    }
    operator HBITMAP() const { return m_hBitmap; } // NOLINT(google-explicit-constructor)

private:
    HBITMAP m_hBitmap = nullptr;
};
