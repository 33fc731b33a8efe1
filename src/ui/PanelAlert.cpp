#include "ui/PanelAlert.h"

#include "ui/AppSettingsSheet.h"
#include "ui/Icons.h"
#include "ui/LauncherDesign.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using LauncherDesign::TextStyle;

PanelAlert::PanelAlert(const QString& title, const QString& detail, QWidget* parent)
    : QDialog(parent), m_title(title), m_detail(detail)
{
    setWindowTitle(title);
    setFont(LauncherDesign::font(TextStyle::caption));
    setFixedWidth(420);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 16);
    column->setSpacing(10);
    auto* heading = new QHBoxLayout;
    heading->setSpacing(8);
    heading->addWidget(LauncherDesign::symbolLabel(QStringLiteral("exclamationmark.triangle.fill"),
                                                   LauncherDesign::alert, 18, this));
    QLabel* titleLine = SheetParts::text(LauncherDesign::wrappingBetweenPhrases(title), TextStyle::label,
                                         LauncherDesign::ink, this);
    titleLine->setWordWrap(true);
    heading->addWidget(titleLine, 1);
    column->addLayout(heading);
    QLabel* detailLine = SheetParts::text(LauncherDesign::wrappingBetweenPhrases(detail), TextStyle::caption,
                                          LauncherDesign::body, this);
    detailLine->setWordWrap(true);
    detailLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(detailLine);
    column->addSpacing(6);
    m_row = new QHBoxLayout;
    m_row->addStretch();
    column->addLayout(m_row);
}

QAbstractButton* PanelAlert::addButton(const QString& label, Role role, std::function<void()> action)
{
    QPushButton* button = role == Role::destructive
                              ? SheetParts::primaryButton(label, this, LauncherDesign::alert)
                              : SheetParts::secondaryButton(label, this);
    for (QAbstractButton* other : m_buttons)
        static_cast<QPushButton*>(other)->setDefault(false);
    button->setDefault(true);
    m_row->addWidget(button);
    m_buttons.append(button);
    connect(button, &QPushButton::clicked, this, [this, role, action = std::move(action)] {
        if (action)
            action();
        role == Role::cancel ? reject() : accept();
    });
    return button;
}
