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
    const CSharedString& PrinterName() const { return m_printerName; }
    // The nodes of the items shown; emptied when the dialog ends.
    const BrowseNodeList& Nodes() const { return m_nodes; }

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

    DragTreeCtrl m_tree;
    CSharedString m_printerName;
    BrowseNodeList m_nodes;
    char m_reservedLabel[64];
};

// The entry list of a container, fetched from the network enumeration through its
// two calls while the wait cursor shows. No data and size 0 when there is nothing
// to fetch (also when another caller's result is pending).
HeapBuffer FetchNetEntries(const CSharedString& provider, const CSharedString& path,
                           uint32_t& size);
