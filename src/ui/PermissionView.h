#pragma once

#include <QWidget>

// The notice shown in place of the window lists while the Accessibility permission is missing. Its
// button only asks; the panel decides what to open.
class PermissionView final : public QWidget {
    Q_OBJECT

public:
    static inline const QString title = QStringLiteral("アクセシビリティ権限が必要です");
    static inline const QString body =
        QStringLiteral("VSCodeのウィンドウを列挙・切り替えるために、システム設定でこのアプリ(開発中はターミ"
                       "ナル)にアクセシビリティ権限を許可してください。許可後、ホットキーでパネルを開き直す"
                       "と反映されます。");
    static inline const QString buttonLabel = QStringLiteral("システム設定を開く");

    explicit PermissionView(QWidget* parent = nullptr);

Q_SIGNALS:
    void openSettingsRequested();
};
