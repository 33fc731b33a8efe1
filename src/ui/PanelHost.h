#pragma once

// What the panel's views ask of the window that holds them.
class PanelHost {
public:
    virtual ~PanelHost() = default;
    // Takes the panel off the screen (its key handling first), as after a successful choice.
    virtual void hidePanel() = 0;
};
