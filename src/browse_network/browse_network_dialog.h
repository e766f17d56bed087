// The Browse Network dialog (template 134): the network as a tree that grows on
// demand. The first time the user opens a node, the dialog asks the network
// enumeration for the node's children and inserts them, sorted by label; selecting
// a printer share puts its name into the printer-name field.
#pragma once

#include "appkit/dialog.h"
#include "appkit/heap_buffer.h"
#include "browse_network/browse_nodes.h"
#include "browse_network/drag_tree_ctrl.h"

#include <cstdint>

class BrowseNetworkDialog : public CDialog {
public:
    explicit BrowseNetworkDialog(CWnd* parent = nullptr);
    const MessageMap* GetMessageMap() const override { return &messageMap; }

    // The printer name: the last printer share selected, or what the user typed.
    const CSharedString& PrinterName() const { return printerName_; }
    // The nodes of the items shown; emptied when the dialog ends.
    const BrowseNodeList& Nodes() const { return nodes_; }

    // The label of the item shown when the network lists no provider; a node with
    // this label is never filled.
    static const char kReservedLabel[];
    static const MessageMap messageMap;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* exchange) override;

private:
    static const MessageMapEntry messageEntries[];

    void OnItemExpanding(NMHDR* notification, LRESULT* result);
    void OnSelChanging(NMHDR* notification, LRESULT* result);
    void OnDestroy();
    void AttachImages();
    void FillRoot();
    void FillNode(BrowseNode& node);

    DragTreeCtrl tree_;
    CSharedString printerName_;
    BrowseNodeList nodes_;
    char reservedLabel_[64];
};
