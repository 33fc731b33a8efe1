#pragma once

#include "core/layout/Layout.h"

// The n-th document of the kill test: big enough that writing it takes a while, and different for
// every n, so that a file tells exactly which save it came from.
inline Layout killTestDocument(qint64 n)
{
    Layout layout;
    layout.lastTileCount = n;
    for (int slot = Layout::firstSlot; slot <= Layout::lastSlot; ++slot) {
        SlotEntry entry;
        entry.name = QStringLiteral("プロジェクト %1 / %2 ").arg(slot).arg(n).repeated(400);
        entry.path = QStringLiteral("/Users/dev/src/project-%1-%2").arg(slot).arg(n);
        layout.slots.insert(Layout::slotKey(slot), entry);
    }
    return layout;
}
