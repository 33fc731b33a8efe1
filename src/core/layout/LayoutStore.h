#pragma once

#include "core/layout/Layout.h"

// The one in-memory layout document and its file. Loaded once at construction; every change is
// written at once, atomically. An unreadable file is not lost: before the first save replaces it,
// it is kept beside as layout.json.unreadable-<UTC time>.
class LayoutStore {
public:
    // layout.json in the support folder.
    LayoutStore();
    explicit LayoutStore(QString filePath);

    static QString defaultFilePath();

    const Layout& layout() const { return m_layout; }
    // Replaces the whole document and saves it.
    void setLayout(Layout layout);
    const QString& filePath() const { return m_filePath; }

    std::optional<SlotEntry> entry(int slot) const { return m_layout.entry(slot); }

    void setLastTileCount(qint64 count);
    void setPanelTheme(const QString& theme);
    void setTriggerSettings(bool hotkeyEnabled, const QString& doubleTapKey, qint64 tapCount);
    void setAgentStatusEnabled(bool enabled);
    void setClaudeUsageEnabled(bool enabled);
    void setShortcuts(QList<ShortcutEntry> folder, QList<ShortcutEntry> url, QList<ShortcutEntry> app);
    void applySettings(int slot, const QString& name, const QString& path, const std::optional<QString>& url,
                       const std::optional<QString>& color, const std::optional<ServerEntry>& server);
    void updateEntry(int slot, const QString& name, const std::optional<QString>& url,
                     const std::optional<QString>& path);
    void setServer(const std::optional<ServerEntry>& server, int slot);
    void setColor(const std::optional<QString>& color, int slot);
    void removeEntry(int slot);
    void moveEntry(int from, int to);
    void assign(const SlotEntry& entry, int slot);

private:
    SlotEntry* mutableEntry(int slot);
    void rememberEntry(const SlotEntry& entry);
    void keepUnreadableFile();
    void save();

    QString m_filePath;
    Layout m_layout;
    bool m_unreadableFileOnDisk = false;
};
