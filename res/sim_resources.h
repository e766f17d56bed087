// The module's resources as the simulated module holds them: the Browse Network
// dialog's template (134) and its tree bitmaps, which the product's resource
// script (kvx32.rc) links into KVX_32.dll. The native build has no resource
// compiler, so tests and benchmarks install these in the simulation.
#pragma once

#include "resource.h"

#include <sim_control.h>

#include <string>
#include <vector>

namespace sim_resources {

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

} // namespace sim_resources
