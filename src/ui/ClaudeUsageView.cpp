#include "ui/ClaudeUsageView.h"

#include "ui/LauncherDesign.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {

constexpr int labelWidth = 34;
constexpr int barWidth = 160;
constexpr int barHeight = 8;
constexpr int figureWidth = 40;

// The bar of one row: a track with the used share over it, in the warning colour when high.
class UsageBar final : public QWidget {
public:
    UsageBar(std::optional<int> percent, bool high, QWidget* parent)
        : QWidget(parent), m_percent(percent), m_high(high)
    {
        setFixedSize(barWidth, barHeight);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        const auto capsule = [&](double width, const QColor& color) {
            if (width <= 0)
                return;
            QPainterPath path;
            path.addRoundedRect(QRectF(0, 0, width, barHeight), barHeight / 2.0, barHeight / 2.0);
            p.fillPath(path, color);
        };
        capsule(barWidth, LauncherDesign::hair);
        capsule(barWidth * m_percent.value_or(0) / 100.0,
                m_high ? LauncherDesign::alert : LauncherDesign::primary);
    }

private:
    std::optional<int> m_percent;
    bool m_high;
};

QLabel* text(const QString& content, const QFont& font, const QColor& color, QWidget* parent)
{
    return LauncherDesign::label(content, font, color, parent);
}

} // namespace

ClaudeUsageView::ClaudeUsageView(QWidget* parent) : QWidget(parent)
{
    setToolTip(tooltip);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(5);
}

QString ClaudeUsageView::accessibilityText(const ClaudeUsageDisplay::Row& row)
{
    if (row.percent)
        return row.label + QStringLiteral("の使用量 ") + QString::number(*row.percent) +
               QStringLiteral("%、") + row.detail;
    return row.label + QStringLiteral("の使用量 ") + row.detail;
}

void ClaudeUsageView::setDisplay(const ClaudeUsageDisplay& display)
{
    if (display == m_display && layout()->count() > 0)
        return;
    m_display = display;
    rebuild();
}

void ClaudeUsageView::rebuild()
{
    auto* column = static_cast<QVBoxLayout*>(layout());
    while (QLayoutItem* item = column->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    using LauncherDesign::font;
    using LauncherDesign::TextStyle;
    QFont figureFont = font(TextStyle::caption);
    figureFont.setWeight(QFont::Bold);

    for (const ClaudeUsageDisplay::Row& row : m_display.rows) {
        auto* line = new QWidget(this);
        line->setAccessibleName(accessibilityText(row));
        auto* items = new QHBoxLayout(line);
        items->setContentsMargins(0, 0, 0, 0);
        items->setSpacing(10);
        QLabel* label = text(row.label, font(TextStyle::micro), LauncherDesign::body, line);
        label->setFixedWidth(labelWidth);
        items->addWidget(label);
        items->addWidget(new UsageBar(row.percent, row.isHigh, line), 0, Qt::AlignVCenter);
        // Tabular, so that the figure does not shift as the percentage changes.
        QLabel* figure = LauncherDesign::tabularLabel(
            row.percent ? QString::number(*row.percent) + u'%' : QStringLiteral("\u2014"), figureFont,
            row.isHigh ? LauncherDesign::alert : LauncherDesign::ink, line);
        figure->setFixedWidth(figureWidth);
        figure->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        items->addWidget(figure);
        items->addWidget(text(row.detail, font(TextStyle::micro), LauncherDesign::muted, line));
        items->addStretch();
        column->addWidget(line);
    }
    if (m_display.lastUpdate) {
        QFont noteFont = font(TextStyle::caption);
        noteFont.setPixelSize(11);
        noteFont.setWeight(QFont::Normal);
        QLabel* note = text(*m_display.lastUpdate, noteFont, LauncherDesign::muted, this);
        note->setContentsMargins(44, 0, 0, 0);
        column->addWidget(note);
    }
    adjustSize();
}
