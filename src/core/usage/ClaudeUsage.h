#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

// The usage figures Claude Code keeps in its own state file: how much of the plan's 5-hour window
// and of the week has been used. At least one window is present in every value the reader gives.
struct ClaudeUsage {
    struct Window {
        double usedPercent = 0; // as written in the file; the display clamps it
        QDateTime resetsAt;     // keeps the file's offset; compared by instant
        bool operator==(const Window&) const = default;
    };
    QDateTime fetchedAt;
    std::optional<Window> fiveHour;
    std::optional<Window> sevenDay;
    bool operator==(const ClaudeUsage&) const = default;
};

// Reads the cached figures out of "~/.claude.json". Every failure (no file, bad JSON, missing or
// mistyped members, another account's figures, unreadable reset times) is simply no usage.
namespace ClaudeUsageReader {

QString defaultFile();
std::optional<ClaudeUsage> load(const QString& path);
std::optional<ClaudeUsage> parse(const QByteArray& bytes);

} // namespace ClaudeUsageReader
