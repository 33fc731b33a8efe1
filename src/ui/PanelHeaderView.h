#pragma once

#include <QWidget>

class AppState;
class Bundle;
class ClaudeUsageView;
class PanelHost;
class Workspace;
class QAbstractButton;
class QButtonGroup;

// The header strip: the mark and title, the usage meter when there are figures, the key hints, the
// tile-count picker, the guide and settings buttons and "終了".
class PanelHeaderView final : public QWidget {
    Q_OBJECT

public:
    static inline const QList<int> tileChoices{2, 3, 4, 6};

    PanelHeaderView(AppState& state, PanelHost& host, const Bundle& bundle, Workspace& workspace,
                    QWidget* parent = nullptr);
    ClaudeUsageView* usageView() const { return m_usage; }
    QAbstractButton* tileButton(int count) const;
    QAbstractButton* guideButton() const { return m_guide; }
    QAbstractButton* settingsButton() const { return m_settings; }
    QAbstractButton* quitButton() const { return m_quit; }

    // Re-reads the state: usage figures and the tile count.
    void update();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    AppState& m_state;
    ClaudeUsageView* m_usage = nullptr;
    QWidget* m_usageSpacer = nullptr;
    QButtonGroup* m_tiles = nullptr;
    QAbstractButton* m_guide = nullptr;
    QAbstractButton* m_settings = nullptr;
    QAbstractButton* m_quit = nullptr;
};
