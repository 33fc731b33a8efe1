#pragma once

class QWidget;

// Windows of a resident accessory application: no entry in the task bar or the pager. Call it
// before each show, since the window manager forgets the window's state when it is hidden.
namespace AccessoryWindow {
void prepare(QWidget* window);
// Whether a compositing manager draws translucent windows; without one their clear parts are black.
bool compositing();
// Raises the window and gives it the keyboard on the user's behalf: when the user calls the panel
// or ends a sheet, which some window managers would otherwise take for an application stealing the
// focus.
void takeKeyboard(QWidget* window);
// Shows a window drawn over everything else, on every desktop, that the mouse passes through and
// that stays when another application is active: the focus cue.
void showOverlay(QWidget* window);
// Sets a shown window's opacity and sends it to the window system at once: a fade that repaints
// nothing would otherwise reach the compositor only with the window's next request.
void setOpacity(QWidget* window, double opacity);
// Gives the memory freed since, a panel's pictures say, back to the system.
void returnFreedMemory();
// Whether the desktop asks for reduced motion.
bool reducedMotion();
} // namespace AccessoryWindow
