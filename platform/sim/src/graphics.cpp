// Bitmaps loaded from the module's bitmap resources, and image lists that take
// images from them: a bitmap w pixels wide adds w / cx images of an image list.
#include "sim_internal.h"

#include <cstring>
#include <map>

namespace {

struct Bitmap {
    LONG width;
    LONG height;
};

struct ImageList {
    int cx;
    int cy;
    int count;
};

std::map<HBITMAP, Bitmap> g_bitmaps;
std::map<HIMAGELIST, ImageList> g_imageLists;
uintptr_t g_lastHandle = 0;

template <typename Handle> Handle NewHandle() {
    return reinterpret_cast<Handle>(static_cast<uintptr_t>(0x80000 + 4 * ++g_lastHandle));
}

LONG ReadLong(const std::vector<BYTE>& bytes, size_t offset) {
    uint32_t value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return static_cast<LONG>(value);
}

} // namespace

namespace sim {

namespace detail {

void ResetGraphics() {
    g_bitmaps.clear();
    g_imageLists.clear();
}

} // namespace detail

size_t LiveImageLists() {
    return g_imageLists.size();
}

size_t LiveBitmaps() {
    return g_bitmaps.size();
}

} // namespace sim

HBITMAP LoadBitmapA(HINSTANCE, LPCSTR name) {
    sim::detail::PlatformCall call("LoadBitmapA");
    if (call.Fails())
        return nullptr;
    const std::vector<BYTE>* bytes = sim::detail::FindResourceBytes(RT_BITMAP, name);
    if (bytes == nullptr) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    // BITMAPINFOHEADER: biSize, biWidth, biHeight (negative for a top-down bitmap).
    if (bytes->size() < 40 || ReadLong(*bytes, 0) < 40 || ReadLong(*bytes, 4) <= 0) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    LONG height = ReadLong(*bytes, 8);
    HBITMAP handle = NewHandle<HBITMAP>();
    g_bitmaps[handle] = {ReadLong(*bytes, 4), height < 0 ? -height : height};
    return handle;
}

BOOL DeleteObject(HGDIOBJ object) {
    sim::detail::PlatformCall call("DeleteObject");
    if (call.Fails())
        return FALSE; // the object stays
    return g_bitmaps.erase(static_cast<HBITMAP>(object)) != 0;
}

HIMAGELIST ImageList_Create(int cx, int cy, UINT, int, int) {
    sim::detail::PlatformCall call("ImageList_Create");
    if (call.Fails())
        return nullptr;
    if (cx <= 0 || cy <= 0)
        return nullptr;
    HIMAGELIST handle = NewHandle<HIMAGELIST>();
    g_imageLists[handle] = {cx, cy, 0};
    return handle;
}

int ImageList_AddMasked(HIMAGELIST list, HBITMAP bitmap, COLORREF) {
    sim::detail::PlatformCall call("ImageList_AddMasked");
    if (call.Fails())
        return -1;
    auto images = g_imageLists.find(list);
    auto picture = g_bitmaps.find(bitmap);
    if (images == g_imageLists.end() || picture == g_bitmaps.end())
        return -1;
    int added = picture->second.width / images->second.cx;
    if (added == 0 || picture->second.height < images->second.cy)
        return -1;
    int first = images->second.count;
    images->second.count += added;
    return first;
}

int ImageList_GetImageCount(HIMAGELIST list) {
    auto images = g_imageLists.find(list);
    return images == g_imageLists.end() ? 0 : images->second.count;
}

BOOL ImageList_Destroy(HIMAGELIST list) {
    sim::detail::PlatformCall call("ImageList_Destroy");
    if (call.Fails())
        return FALSE; // the list stays
    return g_imageLists.erase(list) != 0;
}
