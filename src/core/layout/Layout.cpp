#include "core/layout/Layout.h"

HotkeyConfig HotkeyConfig::defaultConfig()
{
    return {9, {QStringLiteral("option"), QStringLiteral("command")}};
}

quint32 HotkeyConfig::carbonModifiers() const
{
    quint32 mask = 0;
    for (const QString& word : modifiers) {
        if (word == u"command")
            mask |= commandKey;
        else if (word == u"shift")
            mask |= shiftKey;
        else if (word == u"option")
            mask |= optionKey;
        else if (word == u"control")
            mask |= controlKey;
    }
    return mask;
}

WindowKind SlotEntry::windowKind() const
{
    return kind ? windowKindFromRawValue(*kind).value_or(WindowKind::vscode) : WindowKind::vscode;
}

QString rawValue(DoubleTapKey key)
{
    switch (key) {
    case DoubleTapKey::shift:
        return QStringLiteral("shift");
    case DoubleTapKey::space:
        return QStringLiteral("space");
    case DoubleTapKey::none:
        return QStringLiteral("none");
    }
    return {};
}

std::optional<SlotEntry> Layout::entry(int slot) const
{
    const auto it = slots.constFind(slotKey(slot));
    if (it == slots.constEnd())
        return std::nullopt;
    return *it;
}

DoubleTapKey Layout::effectiveDoubleTapKey() const
{
    if (doubleTapKey) {
        if (*doubleTapKey == QStringLiteral("space"))
            return DoubleTapKey::space;
        if (*doubleTapKey == QStringLiteral("none"))
            return DoubleTapKey::none;
        return DoubleTapKey::shift;
    }
    return doubleTapShift == false ? DoubleTapKey::none : DoubleTapKey::shift;
}
