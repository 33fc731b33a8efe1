#pragma once

#include "core/windows/WindowDiscovery.h"
#include "platform/Screens.h"

#include <QRectF>
#include <atomic>
#include <memory>
#include <optional>

class AppState;

// Placing windows: tiling the slots' windows over the screen under the pointer, maximising one
// (launching its project first when it has no window), in the background and in request order.
class WindowPlacing {
public:
    struct Placement {
        AppWindow window;
        QRectF topLeftFrame;
    };

    explicit WindowPlacing(AppState& state) : m_state(state) {}

    bool tileWindows(int count);
    void setTileCount(int count);
    bool maximizeSlot(int slot);
    // The first screen whose frame holds the pointer, else the main screen; the panel opens there and
    // tiling and maximising fill it.
    std::optional<Screens::Screen> screenUnderPointer();

private:
    std::optional<QRectF> targetFrameForMouseScreen();
    void applyInBackground(QList<Placement> placements);

    AppState& m_state;
    // Read by placement tasks off the main thread: a newer placement supersedes the waiting ones.
    std::shared_ptr<std::atomic<int>> m_generation = std::make_shared<std::atomic<int>>(0);
};
