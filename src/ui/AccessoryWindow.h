#pragma once

class QWidget;

// Windows of a resident accessory application: no entry in the task bar or the pager. Call it
// before each show, since the window manager forgets the window's state when it is hidden.
namespace AccessoryWindow {
void prepare(QWidget* window);
// Whether a compositing manager draws translucent windows; without one their clear parts are black.
bool compositing();
// Raises the window and gives it the keyboard on the user's behalf: after a sheet the user ended,
// say, which some window managers would otherwise take for an application stealing the focus.
void takeKeyboard(QWidget* window);
// Whether the desktop asks for reduced motion.
bool reducedMotion();
} // namespace AccessoryWindow
