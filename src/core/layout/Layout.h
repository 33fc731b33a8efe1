#pragma once

#include "core/windows/WindowKind.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

// The layout document: everything Panedeck remembers between runs, held by the layout store and
// written as layout.json. Optional fields are absent unless the file or the user set them; defaults
// live only in the derived properties.

struct ServerEntry {
    QString address; // host and port, "192.168.1.5:8080"
    QString browser; // "safari" or "chrome"
    bool operator==(const ServerEntry&) const = default;
};

struct ShortcutEntry {
    QString name;
    QString target; // a folder path, a web address or an application bundle path
    bool operator==(const ShortcutEntry&) const = default;
};

struct HotkeyConfig {
    // The modifier bits of the platform's hot-key service.
    static constexpr quint32 commandKey = 0x100;
    static constexpr quint32 shiftKey = 0x200;
    static constexpr quint32 optionKey = 0x800;
    static constexpr quint32 controlKey = 0x1000;

    quint32 keyCode = 9;                 // the platform's virtual key code
    QStringList modifiers;               // "command", "control", "option", "shift"
    static HotkeyConfig defaultConfig(); // Option-Command-V
    // The modifier words as a mask; other words (and other spellings) add nothing.
    quint32 carbonModifiers() const;
    bool operator==(const HotkeyConfig&) const = default;
};

struct SlotEntry {
    QString name;
    QString path; // may be empty: no folder
    std::optional<QString> url;
    std::optional<QString> kind; // raw WindowKind; absent means an editor slot
    std::optional<ServerEntry> server;
    std::optional<QString> color;
    std::optional<QString> matchKey;

    // The kind all matching and launching use: unknown or absent kinds are editor slots.
    WindowKind windowKind() const;
    bool operator==(const SlotEntry&) const = default;
};

// Remembered settings of a project that left its slot.
struct ProjectMemo {
    std::optional<QString> name;
    std::optional<QString> url;
    std::optional<QString> color;
    std::optional<ServerEntry> server;
    bool operator==(const ProjectMemo&) const = default;
};
using ProjectMemoryMap = QMap<QString, ProjectMemo>;

enum class DoubleTapKey { shift, space, none };
QString rawValue(DoubleTapKey key);

namespace ShortcutLimits {
inline constexpr int folder = 5;
inline constexpr int url = 5;
inline constexpr int app = 10;
} // namespace ShortcutLimits

struct Layout {
    QMap<QString, SlotEntry> slots; // "1".."9"; other keys are kept but never used
    HotkeyConfig hotkey = HotkeyConfig::defaultConfig();
    std::optional<bool> hotkeyEnabled;
    std::optional<bool> doubleTapShift; // older switch, kept as found
    std::optional<QString> panelTheme;
    std::optional<qint64> lastTileCount;
    std::optional<QString> doubleTapKey;
    std::optional<qint64> tapCount;
    std::optional<QList<ShortcutEntry>> folderShortcuts;
    std::optional<QList<ShortcutEntry>> urlShortcuts;
    std::optional<QList<ShortcutEntry>> appShortcuts;
    std::optional<ProjectMemoryMap> projectMemory;
    std::optional<bool> agentStatusEnabled;
    std::optional<bool> claudeUsageEnabled;

    static Layout empty() { return {}; }

    static constexpr int firstSlot = 1;
    static constexpr int lastSlot = 9;
    static bool isSlot(int slot) { return slot >= firstSlot && slot <= lastSlot; }
    static QString slotKey(int slot) { return QString::number(slot); }
    std::optional<SlotEntry> entry(int slot) const;

    bool isHotkeyEnabled() const { return hotkeyEnabled.value_or(true); }
    bool isDoubleTapShiftEnabled() const { return doubleTapShift.value_or(true); }
    DoubleTapKey effectiveDoubleTapKey() const;
    int effectiveTapCount() const { return tapCount == 3 ? 3 : 2; }
    bool isAgentStatusEnabled() const { return agentStatusEnabled.value_or(false); }
    bool isClaudeUsageEnabled() const { return claudeUsageEnabled.value_or(false); }

    bool operator==(const Layout&) const = default;
};
