#pragma once

#include "core/layout/Layout.h"
#include "core/windows/AppWindow.h"

#include <QList>
#include <functional>

// The result of matching one assigned slot.
struct SlotStatus {
    int slot = 0;
    SlotEntry entry;
    std::optional<AppWindow> window;
    bool folderMissing = false;
};

// Which open window belongs to which slot, and which windows belong to none.
namespace SlotMatcher {

struct Result {
    QList<SlotStatus> statuses;  // one per assigned slot 1…9, by slot number
    QList<AppWindow> unassigned; // in input order
};

// `windows` in tie-breaking order (editor, then Terminal, then browser windows); the records are
// moved into the result, so callers hand over a list they no longer need. `fileExists` answers
// whether something exists at a path.
Result match(const QMap<QString, SlotEntry>& slots, QList<AppWindow> windows,
             const std::function<bool(const QString&)>& fileExists);

} // namespace SlotMatcher
