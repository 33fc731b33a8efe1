#pragma once

#include "core/usage/ClaudeUsageDisplay.h"

#include <QWidget>

// The usage meter of the panel header: a line per usage window (label, bar, percentage, reset
// time) and the age note of old figures. It draws a display value and offers no action.
class ClaudeUsageView : public QWidget {
    Q_OBJECT

public:
    static inline const QString tooltip =
        QStringLiteral("Claude Code のプランの使用量。セッションを開いたときと、VS Code の「ACCOUNT & "
                       "USAGE」を開いたときに新しくなります");

    explicit ClaudeUsageView(QWidget* parent = nullptr);
    void setDisplay(const ClaudeUsageDisplay& display);
    const ClaudeUsageDisplay& display() const { return m_display; }

    // "5時間の使用量 42%、14:00 リセット"; without a percent, label and detail only.
    static QString accessibilityText(const ClaudeUsageDisplay::Row& row);

private:
    void rebuild();
    ClaudeUsageDisplay m_display;
};
