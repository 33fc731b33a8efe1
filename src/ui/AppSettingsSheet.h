#pragma once

#include "core/layout/Layout.h"
#include "ui/LauncherDesign.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

class AppState;
class LoginItem;
class Bundle;
class Workspace;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

// Asks for one folder (an application bundle is a folder too) with `prompt` on the accept button,
// starting in `start` when given; empty when the user cancelled. Tests give the sheets their own.
using PathChooser = std::function<QString(QWidget* parent, const QString& prompt, const QString& start)>;
QString chooseFolderDialog(QWidget* parent, const QString& prompt, const QString& start);

// The pieces both settings sheets are made of.
namespace SheetParts {
QLabel* text(const QString& content, LauncherDesign::TextStyle style, const QColor& color, QWidget* parent);
// A white card with a title line; add the contents to its vertical layout.
QFrame* group(const QString& title, QWidget* parent);
QPushButton* primaryButton(const QString& title, QWidget* parent,
                           const QColor& fill = LauncherDesign::primary);
QPushButton* secondaryButton(const QString& title, QWidget* parent,
                             const QColor& color = LauncherDesign::ink);
} // namespace SheetParts

// What both settings sheets share: the red line that shows the first problem found on saving
// (hidden without one), and the row of buttons that ends the sheet, "キャンセル" and "保存" after
// any of the sheet's own.
class SettingsSheet : public QDialog {
    Q_OBJECT

public:
    std::optional<QString> errorMessage() const { return m_error; }
    // Validates and writes everything, then closes; false (and the message set) on the first problem.
    virtual bool save() = 0;

protected:
    using QDialog::QDialog;
    // Adds the error line and the buttons to the end of `column`; `leading`, when given, goes first, on the
    // left.
    void addFooter(QVBoxLayout* column, QPushButton* leading = nullptr);
    void clearError();
    // Shows `message` on the red line; false, for `return fail(…)` in save().
    bool fail(const QString& message);

private:
    QLabel* m_errorLine = nullptr;
    std::optional<QString> m_error;
};

// The application settings, shown as a modal sheet over the panel: how the panel is called up, the
// agent badges and the usage meter, and the three shortcut lists. A sheet is made each time it is
// shown and edits copies of the values; "保存" writes them only when every row passes, otherwise
// the first problem stays on a red line and the sheet stays open. While it is open the state's
// appSettingsShown is true.
class AppSettingsSheet : public SettingsSheet {
    Q_OBJECT

public:
    // Where the sheet looks for Claude Code's program and settings and for agent state files.
    struct Probes {
        QString home;
        std::function<bool(const QString&)> isExecutable;
        std::function<bool()> hasAgentEntries; // may delete stale state files
        std::shared_ptr<LoginItem> loginItem;  // none: the sheet has no login switch
        static Probes system();
    };

    AppSettingsSheet(AppState& state, const Bundle& bundle, Workspace& workspace, QWidget* parent = nullptr,
                     Probes probes = Probes::system());
    ~AppSettingsSheet() override;

    void setFolderChooser(PathChooser chooser) { m_chooseFolder = std::move(chooser); }
    void setApplicationChooser(PathChooser chooser) { m_chooseApplication = std::move(chooser); }

    bool save() override;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct Row {
        QLineEdit* name = nullptr;
        QLineEdit* target = nullptr;
    };

    QWidget* buildTriggerGroup(const Layout& layout);
    QWidget* buildAgentGroup(const Layout& layout);
    QWidget* buildFolderGroup();
    QWidget* buildAppGroup();
    QWidget* buildUrlGroup();
    QList<Row> addRows(QWidget* group, const QString& kind, const QString& targetTitle, const QString& hint,
                       const QList<ShortcutEntry>& entries, int count,
                       const std::function<QWidget*(int, const Row&)>& accessory);
    QWidget* appMenuButton(const Row& row);
    void chooseFolderFor(const Row& row);
    void chooseApplicationFor(const Row& row);
    void updateTriggerRows();

    AppState& m_state;
    const Bundle& m_bundle;
    Workspace& m_workspace;
    Probes m_probes;
    PathChooser m_chooseFolder = chooseFolderDialog;
    PathChooser m_chooseApplication = chooseFolderDialog;

    QCheckBox* m_hotkey = nullptr;
    QCheckBox* m_login = nullptr;
    QComboBox* m_doubleTapKey = nullptr;
    QWidget* m_tapCountRow = nullptr;
    QComboBox* m_tapCount = nullptr;
    QLabel* m_spaceCaption = nullptr;
    QCheckBox* m_agentStatus = nullptr;
    QCheckBox* m_claudeUsage = nullptr;
    QList<Row> m_folderRows, m_appRows, m_urlRows;
};
