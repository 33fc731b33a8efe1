#pragma once

#include "core/layout/PanelTheme.h"
#include "ui/AppSettingsSheet.h"

#include <QDialog>

class QButtonGroup;
class QRadioButton;

// The settings of one slot, shown as a modal sheet over the panel: name, folder, address, colour
// and development server. A sheet is made each time it is shown, starting from the slot's status
// entry; "保存" writes only when every field passes, otherwise the first problem stays on a red line
// and the sheet stays open. While it is open the state's settingsSlot holds the slot number.
class SlotSettingsSheet : public SettingsSheet {
    Q_OBJECT

public:
    // The bundle and workspace are those of the application sheet; a slot needs neither yet.
    SlotSettingsSheet(AppState& state, int slot, const Bundle& bundle, Workspace& workspace,
                      QWidget* parent = nullptr);
    ~SlotSettingsSheet() override;

    void setFolderChooser(PathChooser chooser) { m_chooseFolder = std::move(chooser); }

    PanelTheme color() const { return m_color; }
    bool save() override;
    // "配置を解除": the slot's entry leaves the layout and the sheet closes.
    void removeFromSlot();

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildSwatches();
    void chooseFolder();

    AppState& m_state;
    int m_slot;
    bool m_isSafari = false;
    PanelTheme m_color = PanelTheme::standard;
    PathChooser m_chooseFolder = chooseFolderDialog;

    QLineEdit* m_name = nullptr;
    QLineEdit* m_path = nullptr;
    QLineEdit* m_url = nullptr;
    QLineEdit* m_server = nullptr;
    QRadioButton* m_chrome = nullptr;
};
