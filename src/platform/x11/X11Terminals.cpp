#include "platform/x11/X11Terminals.h"

#include "platform/linux/TerminalFolders.h"
#include "platform/x11/X11Accessibility.h"

#include <QDir>

namespace {
const QString terminalIdentity = QStringLiteral("com.apple.Terminal");
} // namespace

X11Terminals::X11Terminals(X11Accessibility& accessibility, QString procRoot)
    : m_ax(accessibility), m_procRoot(std::move(procRoot))
{
}

QList<TerminalWindow> X11Terminals::windows()
{
    QList<TerminalWindow> result;
    QHash<qint64, qint32> pids;
    const QString home = QDir::homePath();
    for (const qint32 pid : m_ax.runningApplications(terminalIdentity)) {
        const AXResult listed = m_ax.copyAttribute(m_ax.applicationElement(pid), AXAttribute::windows);
        const auto* elements = std::get_if<AXElementList>(&listed.value);
        if (!listed.succeeded() || !elements)
            continue;
        for (const AXElement& element : *elements) {
            const auto window = X11Accessibility::windowOf(element);
            const AXResult titleRead = m_ax.copyAttribute(element, AXAttribute::title);
            const auto* title = std::get_if<QString>(&titleRead.value);
            if (!window || !title)
                continue;
            const int count = int(elements->size());
            result.append({*window, pid, *title, TerminalFolders::of(m_procRoot, pid, count, *title, home)});
            pids.insert(*window, pid);
        }
    }
    const std::lock_guard lock(m_mutex);
    m_pids = std::move(pids);
    return result;
}

qint32 X11Terminals::pidOf(qint64 id)
{
    const std::lock_guard lock(m_mutex);
    return m_pids.value(id);
}

void X11Terminals::raise(qint64 id, bool activate)
{
    const qint32 pid = pidOf(id);
    m_ax.performAction(X11Accessibility::windowElement(pid, quint32(id)), AXAction::raise);
    if (activate)
        m_ax.activateApplication(pid);
}

std::optional<QRectF> X11Terminals::frame(qint64 id)
{
    const AXElement element = X11Accessibility::windowElement(pidOf(id), quint32(id));
    const AXResult position = m_ax.copyAttribute(element, AXAttribute::position);
    const AXResult size = m_ax.copyAttribute(element, AXAttribute::size);
    const auto* at = std::get_if<QPointF>(&position.value);
    const auto* extent = std::get_if<QSizeF>(&size.value);
    if (!at || !extent)
        return std::nullopt;
    return QRectF(*at, *extent);
}

void X11Terminals::requestFrame(qint64 id, const QRectF& frame)
{
    const AXElement element = X11Accessibility::windowElement(pidOf(id), quint32(id));
    m_ax.setAttribute(element, AXAttribute::size, frame.size());
    m_ax.setAttribute(element, AXAttribute::position, frame.topLeft());
}
