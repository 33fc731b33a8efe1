#include "ui/PermissionView.h"

#include "ui/Icons.h"
#include "ui/LauncherDesign.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {

constexpr int bodyWidth = 560;

QLabel* text(const QString& content, LauncherDesign::TextStyle style, const QColor& color, QWidget* parent)
{
    auto* label = new QLabel(content, parent);
    label->setFont(LauncherDesign::font(style));
    label->setAlignment(Qt::AlignHCenter);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

} // namespace

PermissionView::PermissionView(QWidget* parent) : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(12);

    auto* symbol = new QLabel(this);
    symbol->setPixmap(
        Icons::symbol(QStringLiteral("lock.shield"), LauncherDesign::primaryDeep, 36, devicePixelRatioF()));
    column->addWidget(symbol, 0, Qt::AlignHCenter);
    column->addWidget(text(title, LauncherDesign::TextStyle::title, LauncherDesign::ink, this), 0,
                      Qt::AlignHCenter);
    QLabel* explanation = text(LauncherDesign::wrappingBetweenPhrases(body),
                               LauncherDesign::TextStyle::caption, LauncherDesign::body, this);
    explanation->setWordWrap(true);
    explanation->setFixedWidth(bodyWidth);
    // Wrapped text inside a fixed-size panel: reserve the height of all its lines up front.
    explanation->setMinimumHeight(explanation->heightForWidth(bodyWidth));
    column->addWidget(explanation, 0, Qt::AlignHCenter);
    auto* button = LauncherDesign::textButton(buttonLabel, LauncherDesign::ButtonFill::card, this);
    connect(button, &QAbstractButton::clicked, this, &PermissionView::openSettingsRequested);
    column->addWidget(button, 0, Qt::AlignHCenter);
}
