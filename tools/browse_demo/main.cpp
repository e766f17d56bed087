// browse_demo: a Windows host that shows the Browse Network dialog. No export of
// KVX_32.dll opens the dialog, so this program is built from the library's
// sources and resources.
//
//   browse_demo [--dump FILE]
//
// Prints how the dialog ended and the printer name it gave. With --dump, OK first
// writes the tree as it is shown into FILE, one line per item, indented two
// spaces per level: the label, the image and selected image, "+" when the item
// shows an expand button, "open" when it is expanded.
#include "appkit/module_instance.h"
#include "browse_network/browse_network_dialog.h"
#include "resource.h"

#include <cstdio>
#include <cstring>

namespace {

HTREEITEM Next(HWND tree, WPARAM which, HTREEITEM item) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, which, reinterpret_cast<LPARAM>(item)));
}

void DumpItems(FILE* out, HWND tree, HTREEITEM first, int depth) {
    for (HTREEITEM item = first; item != nullptr; item = Next(tree, TVGN_NEXT, item)) {
        char label[512] = {};
        TVITEMA fields = {};
        fields.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_STATE;
        fields.hItem = item;
        fields.stateMask = TVIS_EXPANDED;
        fields.pszText = label;
        fields.cchTextMax = sizeof label;
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&fields));
        std::fprintf(out, "%*s%s [%d/%d]%s%s\n", 2 * depth, "", label, fields.iImage,
                     fields.iSelectedImage, fields.cChildren ? " +" : "",
                     (fields.state & TVIS_EXPANDED) ? " open" : "");
        DumpItems(out, tree, Next(tree, TVGN_CHILD, item), depth + 1);
    }
}

class DemoDialog : public BrowseNetworkDialog {
public:
    explicit DemoDialog(const char* dumpPath) : dumpPath_(dumpPath) {}

protected:
    void OnOK() override {
        if (dumpPath_ != nullptr) {
            if (FILE* out = std::fopen(dumpPath_, "w")) {
                HWND tree = GetDlgItem(GetSafeHwnd(), IDC_TREE);
                DumpItems(out, tree, Next(tree, TVGN_ROOT, nullptr), 0);
                std::fclose(out);
            }
        }
        BrowseNetworkDialog::OnOK();
    }

private:
    const char* dumpPath_;
};

} // namespace

int main(int argc, char** argv) {
    const char* dumpPath = nullptr;
    if (argc == 3 && std::strcmp(argv[1], "--dump") == 0) {
        dumpPath = argv[2];
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: browse_demo [--dump FILE]\n");
        return 2;
    }
    SetModuleInstance(GetModuleHandleA(nullptr));
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    DemoDialog dialog(dumpPath);
    INT_PTR result = dialog.DoModal();
    std::printf("dialog %s\nprinter \"%s\"\n",
                result == IDOK       ? "OK"
                : result == IDCANCEL ? "Cancel"
                                     : "failed",
                dialog.PrinterName().c_str());
    std::fflush(stdout);
    return result == IDOK ? 0 : 1;
}
