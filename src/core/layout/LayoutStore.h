#pragma once

#include "core/layout/Layout.h"

#include <QDateTime>

// The names of the files the store makes beside its own. The start-up sweep removes what a killed
// save left behind, and nothing else: a file is ours only under a name no one but the store's
// writer gives.
namespace LayoutFiles {

// A save in progress: "." + fileName + ".panedeck-save-" + `random`. The leading dot hides it from
// ordinary listings, the file's own name says what it belongs to, the marker names the product and
// the act (no editor, backup or sync tool writes it), and twelve random characters from a fixed
// alphabet end it: a name of exactly this form was made by the store, beyond doubt.
QString saveName(QStringView fileName, QStringView random);
// Twelve random lowercase letters and digits, as the writer draws them.
QString saveRandom();
// True only for a name saveName gives with a random part saveRandom could draw.
bool isSaveName(QStringView entryName, QStringView fileName);
// Where an unreadable file is kept: filePath + ".unreadable-<UTC time>", then "-2", "-3"… for the
// further attempts when the first is taken.
QString keptName(QStringView filePath, const QDateTime& time, int attempt);

} // namespace LayoutFiles

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
    // Moves the unreadable file aside; on failure, why.
    std::optional<QString> keepUnreadableFile();
    void save();

    QString m_filePath;
    Layout m_layout;
    bool m_unreadableFileOnDisk = false;
};
