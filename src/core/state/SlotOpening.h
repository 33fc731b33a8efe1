#pragma once

#include "core/layout/Layout.h"
#include "core/windows/WindowDiscovery.h"

#include <QRectF>
#include <optional>

class AppState;

// Opening things: bringing a window forward (and the pointer after it), launching a slot's project,
// and the folder, address, server and shortcut buttons.
class SlotOpening {
public:
    explicit SlotOpening(AppState& state) : m_state(state) {}

    // Brings the window forward; unless `takeKeyboard` is false, it also gets the keyboard.
    void raiseWindow(const AppWindow& window, bool takeKeyboard = true);
    void launchSlot(int slot);
    bool openFinder(int slot);
    void openURL(int slot);
    bool openServer(int slot);
    bool openFolder(const AppWindow& window);
    bool openFolderShortcut(const ShortcutEntry& shortcut);
    bool openURLShortcut(const ShortcutEntry& shortcut);
    bool openAppShortcut(const ShortcutEntry& shortcut);

private:
    void focusPointer(const AppWindow& window);
    std::optional<QRectF> currentFrame(const AppWindow& window);

    AppState& m_state;
};
