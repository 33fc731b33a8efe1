#include "platform/HotkeyNames.h"

QString HotkeyNames::switchLabel()
{
    return QStringLiteral("⌥⌘V でパネルを開く");
}
