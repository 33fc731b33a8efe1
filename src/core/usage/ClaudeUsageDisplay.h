#pragma once

#include "core/usage/ClaudeUsage.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QTimeZone>
#include <optional>

// What the panel header shows of the usage figures: a row for the 5-hour window and one for the
// week, and a note when the figures are old.
struct ClaudeUsageDisplay {
    struct Row {
        QString label;              // "5時間" or "週"
        std::optional<int> percent; // 0 to 100; absent once the window has reset
        QString detail;             // when it resets, or "リセット済み"
        bool isHigh = false;        // 80 % or more
        bool operator==(const Row&) const = default;
    };
    QList<Row> rows;
    std::optional<QString> lastUpdate; // "last update: 10分前" and the like
    bool operator==(const ClaudeUsageDisplay&) const = default;

    // Absent when there is no usage or every window present has already reset: the meter is hidden.
    static std::optional<ClaudeUsageDisplay> make(const std::optional<ClaudeUsage>& usage,
                                                  const QDateTime& now, const QTimeZone& timeZone);
};

// When the command-line refresh runs: once when the panel opens, then every 5 minutes on a grid
// counted from that opening, for 30 minutes after the latest opening.
struct ClaudeUsageRefreshSchedule {
    static constexpr int interval = 300; // seconds between refreshes
    static constexpr int window = 1800;  // seconds a refresh window lasts after an opening

    std::optional<QDateTime> startedAt;
    std::optional<QDateTime> endsAt;

    // True when a new window started (refresh at once); an opening within a running window only
    // extends it.
    bool panelOpened(const QDateTime& at);
    // The next grid time after `after`, never before the start plus one interval; absent past the end.
    std::optional<QDateTime> nextRun(const QDateTime& after) const;
    bool isActive(const QDateTime& at) const;
    bool operator==(const ClaudeUsageRefreshSchedule&) const = default;
};
