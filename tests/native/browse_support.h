// Helpers for the Browse Network tests: the module's dialog template and tree
// bitmaps as resources of the simulated module, entry records as the network
// enumeration writes them, and a view of a tree control's items.
#pragma once

#include <win32.h>

#include "resource.h"

#include <sim_control.h>

#include <string>
#include <vector>

namespace browse_test {

// Writes a plain dialog template field by field (little-endian words).
class TemplateWriter {
public:
    void Word(WORD value) {
        bytes_.push_back(static_cast<BYTE>(value));
        bytes_.push_back(static_cast<BYTE>(value >> 8));
    }
    void Dword(DWORD value) {
        Word(static_cast<WORD>(value));
        Word(static_cast<WORD>(value >> 16));
    }
    // Text of the ANSI code page (Latin-1 here) as NUL-terminated UTF-16.
    void String(const std::string& text) {
        for (unsigned char c : text)
            Word(c);
        Word(0);
    }
    void Align() {
        while (bytes_.size() % 4 != 0)
            bytes_.push_back(0);
    }
    const std::vector<BYTE>& bytes() const { return bytes_; }

private:
    std::vector<BYTE> bytes_;
};

struct TemplateControl {
    WORD id;
    WORD classOrdinal; // 0: the class is named
    const char* className;
    const char* text;
    DWORD style;
};

// Template 134 as the module carries it (geometry left out: the simulation has none).
inline std::vector<BYTE> BrowseDialogTemplate() {
    const TemplateControl controls[] = {
        {IDC_TREE, 0, "SysTreeView32", "Treeview1", 0x50010003},
        {IDC_PRINTER_LABEL, 0x82, nullptr, "Imprimante :", 0x50020000},
        {IDC_PRINTER_NAME, 0x81, nullptr, "", 0x50810080},
        {IDC_SHARED_LABEL, 0x82, nullptr,
         "Imprimantes partag\xE9"
         "es :",
         0x50020000},
        {IDOK, 0x80, nullptr, "OK", 0x50014001},
        {IDCANCEL, 0x80, nullptr, "Cancel", 0x50010000},
    };
    TemplateWriter out;
    out.Dword(0x80C80040);
    out.Dword(0);
    out.Word(6);
    for (WORD value : {0, 0, 248, 213})
        out.Word(value);
    out.Word(0); // no menu
    out.Word(0); // the dialog class
    out.String("Browse Network");
    out.Word(8);
    out.String("MS Sans Serif");
    for (const TemplateControl& control : controls) {
        out.Align();
        out.Dword(control.style);
        out.Dword(0);
        for (int i = 0; i < 4; ++i)
            out.Word(0);
        out.Word(control.id);
        if (control.classOrdinal != 0) {
            out.Word(0xFFFF);
            out.Word(control.classOrdinal);
        } else {
            out.String(control.className);
        }
        out.String(control.text);
        out.Word(0); // no creation data
    }
    return out.bytes();
}

// A 16 x 16 bitmap at 4 bits per pixel: header, 16-colour palette, pixels.
inline std::vector<BYTE> TreeBitmap() {
    std::vector<BYTE> bytes(232, 0);
    const DWORD header[] = {40, 16, 16};
    for (int i = 0; i < 3; ++i)
        for (int b = 0; b < 4; ++b)
            bytes[4 * i + b] = static_cast<BYTE>(header[i] >> (8 * b));
    bytes[12] = 1; // planes
    bytes[14] = 4; // bits per pixel
    return bytes;
}

inline void InstallBrowseResources() {
    sim::AddResource(RT_DIALOG, IDD_BROWSE_NETWORK, BrowseDialogTemplate());
    for (WORD id = IDB_TREE_FIRST; id <= IDB_TREE_LAST; ++id)
        sim::AddResource(RT_BITMAP, id, TreeBitmap());
}

struct Record {
    std::string provider;
    std::string remoteName;
    unsigned char displayType;
};

// The records back to back, then the closing zero byte.
inline std::string Records(const std::vector<Record>& records) {
    std::string bytes;
    for (const Record& record : records) {
        bytes += record.provider + '\0' + record.remoteName + '\0';
        bytes += static_cast<char>(record.displayType);
        bytes += '\0';
    }
    return bytes + '\0';
}

struct ItemView {
    HTREEITEM item;
    std::string text;
    int image;
    int selectedImage;
    int children;
    UINT state;
};

inline ItemView ViewOf(HWND tree, HTREEITEM item) {
    char text[512] = {};
    TVITEMA fields = {};
    fields.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_STATE;
    fields.hItem = item;
    fields.pszText = text;
    fields.cchTextMax = sizeof text;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&fields));
    return {item, text, fields.iImage, fields.iSelectedImage, fields.cChildren, fields.state};
}

// The items under `parent` (null: the root of the tree), in the tree's order.
inline std::vector<ItemView> ChildrenOf(HWND tree, HTREEITEM parent) {
    std::vector<ItemView> children;
    auto next = [tree](WPARAM flag, HTREEITEM item) {
        return reinterpret_cast<HTREEITEM>(
            SendMessageA(tree, TVM_GETNEXTITEM, flag, reinterpret_cast<LPARAM>(item)));
    };
    for (HTREEITEM item = parent ? next(TVGN_CHILD, parent) : next(TVGN_ROOT, nullptr);
         item != nullptr; item = next(TVGN_NEXT, item))
        children.push_back(ViewOf(tree, item));
    return children;
}

inline std::vector<std::string> Labels(const std::vector<ItemView>& items) {
    std::vector<std::string> labels;
    for (const ItemView& item : items)
        labels.push_back(item.text);
    return labels;
}

} // namespace browse_test
