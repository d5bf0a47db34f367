#pragma once
// The input and output channel dialogs: one channel (CDSPDlgAttriInput,
// CDSPDlgAttriOutput) and the side's eight channels in a table
// (CDSPDlgAttriInputAll, CDSPDlgAttriOutputAll). They show what their
// controllers hold and forward the operator's edits, clicks and the pop-up
// slider to them.
#include <QComboBox>
#include <QWidget>

#include <array>
#include <memory>

#include "attri_dialogs/channel_controllers.h"
#include "attri_dialogs/ui/attri_base_dialog.h"

namespace shell::ui {
class CMyButton;
}
class QCheckBox;

namespace attri_dialogs::ui {

// One channel: level, invert and mute; the input's gain list and phantom
// switch stay hidden.
class CDSPDlgAttriChannel : public CDSPDlgAttriBase {
    Q_OBJECT
public:
    void RefreshControls() override;
    void OnSliderMoving(int position) override;
    void OnSliderReleased() override;

    CAttriChannelController& Channel() const { return *m_channel; }

protected:
    CDSPDlgAttriChannel(std::unique_ptr<CAttriChannelController> controller, QWidget* parent,
                        QWidget* viewWidget, int dialogId);
    void PlaceSlider() override;

private:
    void Show();
    shell::ui::CMyButton* Toggle(int id, EChannelSwitch which, QRect place);

    std::unique_ptr<CAttriChannelController> m_channel;
    CAttriValueEdit* m_level = nullptr;
    QComboBox* m_gains = nullptr;
    std::array<shell::ui::CMyButton*, 3> m_switches{}; // mute, invert, phantom
};

class CDSPDlgAttriInput final : public CDSPDlgAttriChannel {
    Q_OBJECT
public:
    CDSPDlgAttriInput(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module, QWidget* parent,
                      QWidget* viewWidget);
};

class CDSPDlgAttriOutput final : public CDSPDlgAttriChannel {
    Q_OBJECT
public:
    CDSPDlgAttriOutput(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module, QWidget* parent,
                       QWidget* viewWidget);
};

// A side's eight channels, a row each, over a grey table.
class CDSPDlgAttriAllChannels : public CDSPDlgAttriBase {
    Q_OBJECT
public:
    void RefreshControls() override;
    void OnSliderMoving(int position) override;
    void OnSliderReleased() override;

    CAttriAllChannelsController& Table() const { return *m_table; }

protected:
    CDSPDlgAttriAllChannels(std::unique_ptr<CAttriAllChannelsController> controller,
                            QWidget* parent, QWidget* viewWidget, int dialogId);
    void PlaceSlider() override;
    void OnSetDefaultValues() override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Row {
        CAttriValueEdit* level = nullptr;
        shell::ui::CMyButton* invert = nullptr;
        shell::ui::CMyButton* mute = nullptr;
        QCheckBox* group = nullptr;
        QComboBox* gains = nullptr;
        shell::ui::CMyButton* phantom = nullptr;
    };

    void MakeRow(int row);
    void ShowRows();

    std::unique_ptr<CAttriAllChannelsController> m_table;
    std::array<Row, CAttriAllChannelsController::kRows> m_rows;
};

class CDSPDlgAttriInputAll final : public CDSPDlgAttriAllChannels {
    Q_OBJECT
public:
    CDSPDlgAttriInputAll(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module,
                         QWidget* parent, QWidget* viewWidget);
};

class CDSPDlgAttriOutputAll final : public CDSPDlgAttriAllChannels {
    Q_OBJECT
public:
    CDSPDlgAttriOutputAll(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module,
                          QWidget* parent, QWidget* viewWidget);
};

} // namespace attri_dialogs::ui
