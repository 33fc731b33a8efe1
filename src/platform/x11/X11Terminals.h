#pragma once

#include "platform/Terminals.h"

#include <QHash>
#include <mutex>

class X11Accessibility;

// The windows of the terminal emulators on an X11 desktop, through the same operations as the
// editor's windows; the folders from /proc.
class X11Terminals final : public Terminals {
public:
    explicit X11Terminals(X11Accessibility& accessibility, QString procRoot = QStringLiteral("/proc"));

    QList<TerminalWindow> windows() override;
    void raise(qint64 id, bool activate) override;
    std::optional<QRectF> frame(qint64 id) override;
    void requestFrame(qint64 id, const QRectF& frame) override;

private:
    qint32 pidOf(qint64 id);

    X11Accessibility& m_ax;
    QString m_procRoot;
    // The process of every window of the last listing.
    std::mutex m_mutex;
    QHash<qint64, qint32> m_pids;
};
