// The two-call handoff: a module-wide slot keeps a result block between the
// sizing call that computes it and the fetch call that copies it out.
#pragma once

#include "frame/global_block.h"

using HandoffBlock = GlobalBlock;

class HandoffSlot {
public:
    bool Pending() const { return block_ != nullptr; }
    // Moves the pending block (or none) out of the slot, which is left empty.
    HandoffBlock Take() { return HandoffBlock(std::exchange(block_, nullptr)); }
    // Keeps a block pending in place of the one pending so far, which is freed.
    void Keep(HandoffBlock block) { HandoffBlock replaced(std::exchange(block_, block.Release())); }

private:
    // A plain handle: the slot is never destroyed, so a block pending at unload is
    // left to the system, which reclaims it with the process.
    HGLOBAL block_ = nullptr;
};

// One slot per two-call export.
extern HandoffSlot g_portsSlot;
extern HandoffSlot g_netListSlot;
extern HandoffSlot g_connectDialogSlot;
extern HandoffSlot g_printerBrowserSlot;
