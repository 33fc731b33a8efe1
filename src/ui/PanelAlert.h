#pragma once

#include <QDialog>
#include <QList>

class QAbstractButton;

// An alert of the panel in the design's own style: a title, a line of explanation and its buttons,
// the destructive one in the alert colour, the last one added the default (Return); Escape cancels.
class PanelAlert final : public QDialog {
    Q_OBJECT

public:
    enum class Role { cancel, destructive, plain };

    PanelAlert(const QString& title, const QString& detail, QWidget* parent);
    // Adds a button; `action` runs when it is pressed, before the alert ends.
    QAbstractButton* addButton(const QString& label, Role role, std::function<void()> action = {});

    QString text() const { return m_title; }
    QString informativeText() const { return m_detail; }
    QList<QAbstractButton*> buttons() const { return m_buttons; }

private:
    QString m_title;
    QString m_detail;
    QList<QAbstractButton*> m_buttons;
    class QHBoxLayout* m_row;
};
