#pragma once

#include <QDialog>
#include <QPointer>
#include <QWidget>

// Where the panel's sheets and alerts are shown: inside the panel, over the dimmed panel, one at a
// time. A sheet stays attached while the panel is hidden and is there again, as it was left, when
// the panel is shown; it ends when it is accepted or rejected.
class SheetHost final : public QWidget {
    Q_OBJECT

public:
    // Covers `panel` (the panel's content) and follows its size.
    explicit SheetHost(QWidget* panel);

    // Shows `sheet` (a dialog of the panel's, taken over as a part of it) in the panel; without a
    // host, as a window of its own over `near`.
    static void present(QWidget* near, QDialog* sheet);
    void present(QDialog* sheet);
    QDialog* sheet() const { return m_sheet; }

    Q_SIGNAL void ended();

protected:
    void paintEvent(QPaintEvent*) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent*) override {}

private:
    void place();

    QPointer<QDialog> m_sheet;
    QSize m_wanted;
    QPointer<QWidget> m_focus;
};
