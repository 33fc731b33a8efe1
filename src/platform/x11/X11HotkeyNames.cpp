#include "platform/HotkeyNames.h"

// The option key is Alt here and the command key Super (see X11Keyboard::modifierState).
QString HotkeyNames::switchLabel()
{
    return QStringLiteral("Alt+Super+V でパネルを開く");
}
