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
        if (list_ != nullptr)
            ImageList_Destroy(list_);
    }

    bool Create(int cx, int cy, UINT flags, int initial, int grow) {
        list_ = ImageList_Create(cx, cy, flags, initial, grow);
        return list_ != nullptr;
    }
    // Adds the images of a bitmap, `mask` being the transparent colour; the index of
    // the first one, or -1.
    int Add(HBITMAP bitmap, COLORREF mask) { return ImageList_AddMasked(list_, bitmap, mask); }
    HIMAGELIST Detach() { return std::exchange(list_, nullptr); }

private:
    HIMAGELIST list_ = nullptr;
};

class CBitmap {
public:
    CBitmap() = default;
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;
    ~CBitmap() {
        if (bitmap_ != nullptr)
            DeleteObject(bitmap_);
    }

    bool LoadBitmap(UINT id) {
        bitmap_ = ::LoadBitmapA(ModuleInstance(), MAKEINTRESOURCEA(id));
        return bitmap_ != nullptr;
    }
    operator HBITMAP() const { return bitmap_; } // NOLINT(google-explicit-constructor)

private:
    HBITMAP bitmap_ = nullptr;
};
