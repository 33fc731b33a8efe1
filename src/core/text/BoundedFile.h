#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

struct stat;

// How every file the product reads is read: opened without blocking (a pipe in a file's place
// never holds the caller), regular files only, never more than a cap that fits the kind of file,
// and valid UTF-8 (every file read is UTF-8 text). Anything else cannot be read: absent.
namespace BoundedFile {

inline constexpr qint64 kib = 1024, mib = 1024 * kib;
// layout.json: a few kilobytes in use, even with every slot, memo and shortcut filled.
inline constexpr qint64 layoutLimit = 4 * mib;
// An agent state file is a few short lines.
inline constexpr qint64 agentStateLimit = 64 * kib;
// agent-ack.json and activity.json: one short entry per project.
inline constexpr qint64 agentRecordLimit = 4 * mib;
// The editor's storage.json and Claude Code's .claude.json grow with their histories.
inline constexpr qint64 editorStorageLimit = 64 * mib;
inline constexpr qint64 claudeStateLimit = 64 * mib;
// ~/.claude/settings.json and desktop entries.
inline constexpr qint64 settingsLimit = 4 * mib;

std::optional<QByteArray> read(const QString& path, qint64 limit);
// The same for `name` in an open folder; `info` receives the file's status when it could be opened.
std::optional<QByteArray> readAt(int directory, const char* name, qint64 limit, struct stat* info);
// Strict UTF-8: absent when the bytes are not valid UTF-8.
std::optional<QString> decode(const QByteArray& bytes);

} // namespace BoundedFile
