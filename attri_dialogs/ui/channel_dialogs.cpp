#include "attri_dialogs/ui/channel_dialogs.h"

#include <QCheckBox>
#include <QFont>
#include <QLabel>
#include <QPainter>

#include <algorithm>
#include <string>

#include "resources/bitmaps.h"
#include "shell/dialog_texts.h"
#include "shell/my_button.h"
#include "shell/ui/my_button_widget.h"

namespace attri_dialogs::ui {

using shell::ui::CMyButton;

namespace {

constexpr int kInputDialog = 155;
constexpr int kOutputDialog = 164;
constexpr int kInputAllDialog = 176;
constexpr int kOutputAllDialog = 173;

constexpr int kGainList = 1123;
constexpr int kPhantomButton = 1124;
constexpr int kInvertButton = 1125;
constexpr int kMuteButton = 1126;
constexpr int kInputLevelEdit = 1127;
constexpr int kOutputLevelEdit = 1205;
constexpr int kGroupBox = 1166;
constexpr int kOutputAllInvert = 1077;
constexpr int kOutputAllMute = 1076;
// The labels' ids, for the language packs.
constexpr int kLevelLabel = 1501;
constexpr int kInvertLabel = 1502;
constexpr int kMuteLabel = 1503;
constexpr int kGainLabel = 1504;
constexpr int kPhantomLabel = 1505;
constexpr int kGroupHeading = 1506;
constexpr int kChannelHeading = 1507;

constexpr int kRowTop = 26;
constexpr int kRowPitch = 24;
constexpr int kRowHeight = 20;

QLabel* Label(QWidget* dialog, int dialogId, int id, const char* builtin, QRect place) {
    auto* label = new QLabel(shell::DialogString(dialogId, id, builtin), dialog);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(place);
    return label;
}

CMyButton* SwitchButton(QWidget* dialog, int id, QRect place) {
    auto* button = new CMyButton(dialog);
    button->SetMode(shell::CMyButtonCore::kModeToggle);
    shell::ui::SetControlId(button, id);
    button->setGeometry(place);
    return button;
}

void ShowSwitch(CMyButton& button, std::int32_t state) {
    button.SetState(state);
    button.setText(shell::FromUtf8(std::string(SwitchCaption(state))));
}

QComboBox* GainList(QWidget* dialog, QRect place) {
    auto* gains = new QComboBox(dialog);
    shell::ui::SetControlId(gains, kGainList);
    for (const std::string& text : MicGainTexts())
        gains->addItem(shell::FromUtf8(text));
    gains->setGeometry(place);
    return gains;
}

// One channel: labels over their controls.
constexpr int kLabelTop = 3;
constexpr int kControlTop = 19;

QRect LabelAt(int x, int width) {
    return {x, kLabelTop, width, 15};
}
QRect ControlAt(int x, int width) {
    return {x, kControlTop, width, kRowHeight};
}

// A side's table: where its columns are.
struct TableLayout {
    int dialogId;
    QSize templateSize; // dialog units
    int right;          // of the grey table
    int innerLine;      // the vertical line between label and value columns
    int levelX, invertX, muteX, groupX, labelX;
    int levelEdit, invertButton, muteButton;
    const char* rowLabel;
};

const TableLayout kInputTable{
    kInputAllDialog, {152, 125},    226,         156,     9, 74, 119, 166, 188,
    kInputLevelEdit, kInvertButton, kMuteButton, "Out %1"};
const TableLayout kOutputTable{
    kOutputAllDialog, {146, 126},     216,    66, 69, 134, 179, 44, 8, kOutputLevelEdit,
    kOutputAllInvert, kOutputAllMute, "In %1"};

constexpr int kTableTop = 6;
constexpr int kTableLeft = 6;
constexpr int kTableBottom = 216;

const TableLayout& TableOf(EChannelSide side) {
    return side == EChannelSide::kInput ? kInputTable : kOutputTable;
}

} // namespace

// -- one channel

CDSPDlgAttriChannel::CDSPDlgAttriChannel(std::unique_ptr<CAttriChannelController> controller,
                                         QWidget* parent, QWidget* viewWidget, int dialogId)
    : CDSPDlgAttriBase(*controller, parent, viewWidget, resources::kIconAttriDialog),
      m_channel(std::move(controller)) {
    const bool input = m_channel->Side() == EChannelSide::kInput;
    SetClientSize(input ? DialogUnitsToPixels(112, 25) : DialogUnitsToPixels(114, 27));
    SetLargestSize(input ? QSize(250, 100) : QSize(300, 100));
    // Input: level, invert, mute; output: level, mute, invert.
    const int invertX = input ? 70 : 112;
    const int muteX = input ? 112 : 70;
    Label(this, dialogId, kLevelLabel, "电平(dB)", LabelAt(6, 56));
    Label(this, dialogId, kInvertLabel, "反转", LabelAt(invertX, 35));
    Label(this, dialogId, kMuteLabel, "静音", LabelAt(muteX, 35));
    m_level = new CAttriValueEdit(this);
    shell::ui::SetControlId(m_level, input ? kInputLevelEdit : kOutputLevelEdit);
    m_level->setGeometry(ControlAt(6, 56));
    m_level->SetEditHandler([this](EEditEvent event, const std::string& text) {
        m_channel->LevelEdit().text = text;
        m_channel->OnLevelEdit(event);
        Show();
    });
    m_level->SetFocusHandler([this] {
        if (m_channel->OnLevelFocus())
            PlaceSlider();
    });
    m_switches[0] = Toggle(kMuteButton, EChannelSwitch::kMute, ControlAt(muteX, 35));
    m_switches[1] = Toggle(kInvertButton, EChannelSwitch::kInvert, ControlAt(invertX, 35));
    if (input) {
        // The microphone controls are part of the template but stay hidden.
        Label(this, dialogId, kGainLabel, "话放增益(dB)", LabelAt(154, 60))->hide();
        Label(this, dialogId, kPhantomLabel, "幻像电源", LabelAt(154, 60))->hide();
        m_gains = GainList(this, ControlAt(154, 50));
        m_gains->hide();
        connect(m_gains, &QComboBox::activated, this, [this](int index) {
            m_channel->OnGainSelected(index);
            Show();
        });
        m_switches[2] = Toggle(kPhantomButton, EChannelSwitch::kPhantom, ControlAt(154, 35));
        m_switches[2]->hide();
    }
    CreateSlider(true);
    Show();
}

CMyButton* CDSPDlgAttriChannel::Toggle(int id, EChannelSwitch which, QRect place) {
    CMyButton* button = SwitchButton(this, id, place);
    connect(button, &CMyButton::Command, this, [this, which] {
        m_channel->OnToggle(which);
        Show();
    });
    return button;
}

void CDSPDlgAttriChannel::Show() {
    const ChannelState& state = m_channel->Channel();
    m_level->SetText(state.level.text);
    ShowSwitch(*m_switches[0], state.mute);
    ShowSwitch(*m_switches[1], state.invert);
    if (m_switches[2] != nullptr)
        ShowSwitch(*m_switches[2], state.phantom);
    if (m_gains != nullptr)
        m_gains->setCurrentIndex(state.gainIndex);
}

void CDSPDlgAttriChannel::RefreshControls() {
    m_channel->Refresh();
    Show();
}

void CDSPDlgAttriChannel::OnSliderMoving(int position) {
    m_channel->OnSliderMoving(position);
    Show();
}

void CDSPDlgAttriChannel::OnSliderReleased() {
    m_channel->OnSliderReleased();
    Show();
}

void CDSPDlgAttriChannel::PlaceSlider() {
    if (CDSPDlgAttriSliderCtrl* slider = Slider())
        slider->PlaceBeside(*m_level);
}

CDSPDlgAttriInput::CDSPDlgAttriInput(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module,
                                     QWidget* parent, QWidget* viewWidget)
    : CDSPDlgAttriChannel(std::make_unique<CAttriChannelController>(view, module), parent,
                          viewWidget, kInputDialog) {}

CDSPDlgAttriOutput::CDSPDlgAttriOutput(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module,
                                       QWidget* parent, QWidget* viewWidget)
    : CDSPDlgAttriChannel(std::make_unique<CAttriChannelController>(view, module), parent,
                          viewWidget, kOutputDialog) {}

// -- all channels

CDSPDlgAttriAllChannels::CDSPDlgAttriAllChannels(
    std::unique_ptr<CAttriAllChannelsController> controller, QWidget* parent, QWidget* viewWidget,
    int dialogId)
    : CDSPDlgAttriBase(*controller, parent, viewWidget, resources::kIconAttriDialog),
      m_table(std::move(controller)) {
    const TableLayout& layout = TableOf(m_table->Side());
    // The template is a little shorter than its table; open showing it all.
    const QSize fromTemplate =
        DialogUnitsToPixels(layout.templateSize.width(), layout.templateSize.height());
    SetClientSize({fromTemplate.width(), std::max(fromTemplate.height(), kTableBottom + 6)});
    SetLargestSize({250, 300});
    const auto heading = [&](int id, const char* builtin, int x, int width) {
        Label(this, dialogId, id, builtin, {x, kTableTop + 1, width, kRowPitch - 6});
    };
    heading(kLevelLabel, "电平(dB)", layout.levelX, 56);
    heading(kInvertLabel, "反转", layout.invertX, 36);
    heading(kMuteLabel, "静音", layout.muteX, 36);
    heading(kGroupHeading, "分组", layout.groupX - 6, 32);
    heading(kChannelHeading, "通道", layout.labelX, 34);
    for (int row = 0; row < CAttriAllChannelsController::kRows; ++row)
        MakeRow(row);
    CreateSlider(true);
    ShowRows();
}

void CDSPDlgAttriAllChannels::MakeRow(int row) {
    const TableLayout& layout = TableOf(m_table->Side());
    const int top = kRowTop + kRowPitch * row;
    QFont font("Arial");
    font.setPixelSize(14);
    font.setWeight(QFont::Medium);
    Row& controls = m_rows[row];

    controls.level = new CAttriValueEdit(this);
    shell::ui::SetControlId(controls.level, layout.levelEdit);
    controls.level->setGeometry(layout.levelX, top, 56, kRowHeight);
    controls.level->setFont(font);
    controls.level->SetEditHandler([this, row](EEditEvent event, const std::string& text) {
        m_table->LevelEdit(row).text = text;
        m_table->OnLevelEdit(row, event);
        ShowRows();
    });
    controls.level->SetFocusHandler([this, row] {
        if (m_table->OnLevelFocus(row))
            PlaceSlider();
    });
    const auto toggle = [&](int id, int x, EChannelSwitch which) {
        CMyButton* button = SwitchButton(this, id, {x, top, 36, kRowHeight});
        button->setFont(font);
        connect(button, &CMyButton::Command, this, [this, row, which] {
            m_table->OnToggle(row, which);
            ShowRows();
        });
        return button;
    };
    controls.invert = toggle(layout.invertButton, layout.invertX, EChannelSwitch::kInvert);
    controls.mute = toggle(layout.muteButton, layout.muteX, EChannelSwitch::kMute);

    controls.group = new QCheckBox(this);
    shell::ui::SetControlId(controls.group, kGroupBox);
    controls.group->setGeometry(layout.groupX, top, 21, kRowHeight);
    connect(controls.group, &QCheckBox::clicked, this, [this, row] {
        m_table->OnGroupBox(row);
        ShowRows();
    });
    auto* label = new QLabel(QString::fromLatin1(layout.rowLabel).arg(row + 1), this);
    label->setGeometry(layout.labelX, top, 34, kRowHeight);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);

    if (m_table->Side() == EChannelSide::kInput) {
        // The microphone controls take no input here: shown, disabled, for
        // a unit with microphone inputs only.
        controls.gains = GainList(this, {-60, top, 50, kRowHeight});
        controls.gains->setEnabled(false);
        controls.phantom = SwitchButton(this, kPhantomButton, {-40, top, 36, kRowHeight});
        controls.phantom->setEnabled(false);
    }
}

void CDSPDlgAttriAllChannels::ShowRows() {
    for (int row = 0; row < CAttriAllChannelsController::kRows; ++row) {
        const ChannelState& state = m_table->Row(row);
        Row& controls = m_rows[row];
        const bool enabled = m_table->RowEnabled(row);
        controls.level->SetText(enabled ? state.level.text : std::string());
        ShowSwitch(*controls.invert, state.invert);
        ShowSwitch(*controls.mute, state.mute);
        controls.group->setChecked(state.groupStart != 0);
        for (QWidget* control :
             {static_cast<QWidget*>(controls.level), static_cast<QWidget*>(controls.invert),
              static_cast<QWidget*>(controls.mute), static_cast<QWidget*>(controls.group)})
            control->setEnabled(enabled);
        if (controls.gains != nullptr) {
            const bool shown = m_table->MicControls();
            controls.gains->setVisible(shown);
            controls.phantom->setVisible(shown);
            controls.gains->setCurrentIndex(state.gainIndex);
            ShowSwitch(*controls.phantom, state.phantom);
        }
    }
}

void CDSPDlgAttriAllChannels::RefreshControls() {
    m_table->Refresh();
    ShowRows();
}

void CDSPDlgAttriAllChannels::OnSliderMoving(int position) {
    m_table->OnSliderMoving(position);
    ShowRows();
}

void CDSPDlgAttriAllChannels::OnSliderReleased() {
    m_table->OnSliderReleased();
    ShowRows();
}

void CDSPDlgAttriAllChannels::OnSetDefaultValues() {
    m_table->SetDefaultValues();
    ShowRows();
}

void CDSPDlgAttriAllChannels::PlaceSlider() {
    if (CDSPDlgAttriSliderCtrl* slider = Slider())
        slider->PlaceBeside(*m_rows[m_table->CurrentRow()].level);
}

void CDSPDlgAttriAllChannels::paintEvent(QPaintEvent* event) {
    CDSPDlgAttriBase::paintEvent(event);
    const TableLayout& layout = TableOf(m_table->Side());
    QPainter painter(this);
    painter.setPen(QColor(192, 192, 192));
    painter.drawLine(kTableLeft, kTableTop, layout.right, kTableTop);
    for (int y = kRowPitch; y <= kTableBottom; y += kRowPitch)
        painter.drawLine(kTableLeft, y, layout.right, y);
    for (const int x : {kTableLeft, layout.innerLine, layout.right})
        painter.drawLine(x, kTableTop, x, kTableBottom);
}

CDSPDlgAttriInputAll::CDSPDlgAttriInputAll(dsp_editor::CZoDSPView& view,
                                           model::CBaseAriModule& module, QWidget* parent,
                                           QWidget* viewWidget)
    : CDSPDlgAttriAllChannels(std::make_unique<CAttriAllChannelsController>(view, module), parent,
                              viewWidget, kInputAllDialog) {}

CDSPDlgAttriOutputAll::CDSPDlgAttriOutputAll(dsp_editor::CZoDSPView& view,
                                             model::CBaseAriModule& module, QWidget* parent,
                                             QWidget* viewWidget)
    : CDSPDlgAttriAllChannels(std::make_unique<CAttriAllChannelsController>(view, module), parent,
                              viewWidget, kOutputAllDialog) {}

} // namespace attri_dialogs::ui
