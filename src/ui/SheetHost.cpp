#include "ui/SheetHost.h"

#include "core/Log.h"
#include "ui/LauncherDesign.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int margin = 16;   // between the panel's edges and the sheet
constexpr double radius = 12; // the sheet's corners
} // namespace

SheetHost::SheetHost(QWidget* panel) : QWidget(panel)
{
    hide();
    panel->installEventFilter(this);
    panel->window()->installEventFilter(this);
    // The toolkit takes the keyboard focus away from a window being hidden: the sheet's control
    // that had it last gets it back when the panel is shown again.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (m_sheet && m_sheet->isAncestorOf(now))
            m_focus = now;
    });
}

void SheetHost::present(QWidget* near, QDialog* sheet)
{
    SheetHost* host = near ? near->window()->findChild<SheetHost*>() : nullptr;
    if (!host) {
        sheet->open();
        return;
    }
    host->present(sheet);
}

void SheetHost::present(QDialog* sheet)
{
    if (m_sheet && m_sheet != sheet)
        m_sheet->reject();
    m_sheet = sheet;
    // A sheet that chose its size keeps it; the others take what their layout asks for.
    m_wanted = sheet->testAttribute(Qt::WA_Resized) ? sheet->size()
                                                     : sheet->sizeHint().expandedTo(sheet->minimumSize());
    // A part of the panel from now on: no window of its own, no frame, drawn on the host's card.
    sheet->setParent(this, Qt::Widget);
    sheet->setAutoFillBackground(false);
    // The fields as the design draws them: white, a hairline, rounded, the accent while typing.
    sheet->setStyleSheet(sheet->styleSheet() +
                         QStringLiteral("QLineEdit { background: %1; border: 1px solid %2; border-radius: 8px; "
                                        "padding: 0 10px; color: %3; }"
                                        "QLineEdit:focus { border: 1px solid %4; }")
                             .arg(LauncherDesign::card.name(), LauncherDesign::hair.name(),
                                  LauncherDesign::ink.name(), LauncherDesign::primary.name()));
    sheet->installEventFilter(this);
    connect(sheet, &QDialog::finished, this, [this, sheet] {
        if (m_sheet != sheet)
            return;
        m_sheet = nullptr;
        hide();
        Q_EMIT ended();
    });
    place();
    show();
    raise();
    sheet->show();
    // The keys go to the sheet's first control, a field keeping its text as it is.
    for (QWidget* w = sheet->nextInFocusChain(); w != sheet; w = w->nextInFocusChain()) {
        if (sheet->isAncestorOf(w) && w->isVisibleTo(sheet) && w->isEnabled() &&
            (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
    Log::line(QStringLiteral("SheetHost: showing ") + sheet->windowTitle());
}

// The sheet at its own width, centred near the top of the panel; as tall as it wants where the
// panel has the room, else as tall as the panel allows (its content scrolls inside).
void SheetHost::place()
{
    setGeometry(parentWidget()->rect());
    if (!m_sheet)
        return;
    const QSize wanted = m_wanted;
    const int width = std::min(wanted.width(), this->width() - 2 * margin);
    const int height = std::min(std::max(wanted.height(), m_sheet->minimumSizeHint().height()),
                                this->height() - 2 * margin);
    m_sheet->setGeometry((this->width() - width) / 2, margin, width, height);
    update();
}

bool SheetHost::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize && isVisible())
        place();
    if (watched == window() && event->type() == QEvent::Show && m_sheet && m_focus)
        m_focus->setFocus(Qt::OtherFocusReason);
    return QWidget::eventFilter(watched, event);
}

void SheetHost::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(28, 27, 24, 90)); // the panel behind, dimmed
    if (!m_sheet)
        return;
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(m_sheet->geometry()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.fillPath(card.translated(0, 3), QColor(0, 0, 0, 40));
    p.fillPath(card, LauncherDesign::surface);
    p.setPen(QPen(LauncherDesign::hair, 1));
    p.drawPath(card);
}
