#include "attri_dialogs/ui/mixer_dialog.h"

#include <QFont>
#include <QLabel>
#include <QPainter>

#include <string>

#include "resources/bitmaps.h"
#include "shell/dialog_texts.h"
#include "shell/my_button.h"
#include "shell/ui/my_button_widget.h"

namespace attri_dialogs::ui {

using shell::ui::CMyButton;

namespace {

constexpr int kMixerDialog = 163;

constexpr int kCellBox = 1216;
constexpr int kCellGain = 1218;
constexpr int kInputLevel = 1127;
constexpr int kInputMute = 1071;
constexpr int kOutputLevel = 1205;
constexpr int kOutputMute = 1076;
// The captions' ids, for the language packs (the channel dialogs' words).
constexpr int kLevelCaption = 1501;
constexpr int kMuteCaption = 1503;

constexpr int kGainHeight = 15;

// What a cell's gain edit sits on: red while the cell routes its input;
// off, the edit is read-only and the panel shows through.
const QString kCellOnStyle = QStringLiteral("background: rgb(255, 0, 0); border: none;");
const QString kCellOffStyle = QStringLiteral("background: transparent; border: none;");

QRect ToQRect(const platform::gdi::Rect& rect) {
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

QFont ControlFont() {
    QFont font("Arial");
    font.setPixelSize(14);
    font.setWeight(QFont::Medium);
    return font;
}

QString CaptionOf(const MixerLabel& label) {
    switch (label.kind) {
    case EMixerLabel::kInputLevelCaption:
    case EMixerLabel::kOutputLevelCaption:
        return shell::DialogString(kMixerDialog, kLevelCaption, "电平(dB)");
    case EMixerLabel::kInputMuteCaption:
    case EMixerLabel::kOutputMuteCaption:
        return shell::DialogString(kMixerDialog, kMuteCaption, "静音");
    case EMixerLabel::kInput:
    case EMixerLabel::kOutput:
        break;
    }
    return QString::fromStdString(label.text);
}

} // namespace

// One pop-up slider as the controller drives it; it is placed beside the
// edit its target and index name.
class CDSPDlgAttriMixer::CSlider final : public IMixerSlider {
public:
    CSlider(CDSPDlgAttriMixer& dialog, CDSPDlgAttriSliderCtrl& control)
        : m_dialog(dialog), m_control(control) {}

    void SetValue(std::int32_t position) override { m_control.SetValue(position); }
    void Hide() override { m_control.Hide(); }
    void SetRange(std::int32_t minimum, std::int32_t maximum) override {
        m_control.Trackbar().setRange(minimum, maximum);
    }
    void ShowBeside(EMixerTarget target, std::int32_t index) override {
        if (const CAttriValueEdit* edit = m_dialog.EditOf(target, index))
            m_control.PlaceBeside(*edit);
    }

private:
    CDSPDlgAttriMixer& m_dialog;
    CDSPDlgAttriSliderCtrl& m_control;
};

CDSPDlgAttriMixer::CDSPDlgAttriMixer(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module,
                                     QWidget* parent, QWidget* viewWidget)
    : CDSPDlgAttriMixer(
          std::make_unique<CAttriMixerController>(view, dynamic_cast<model::CAriMixer&>(module)),
          parent, viewWidget) {}

CDSPDlgAttriMixer::CDSPDlgAttriMixer(std::unique_ptr<CAttriMixerController> controller,
                                     QWidget* parent, QWidget* viewWidget)
    : CDSPDlgAttriBase(*controller, parent, viewWidget, resources::kIconMixerDialog),
      m_mixer(std::move(controller)), m_layout(MixerLayoutOf(m_mixer->Mixer().m_subType)) {
    MakeControls();
    m_sliderIn = &CreateSlider(false);
    m_sliderOut = new CDSPDlgAttriSliderCtrl(*this, true, this);
    m_in = std::make_unique<CSlider>(*this, *m_sliderIn);
    m_out = std::make_unique<CSlider>(*this, *m_sliderOut);
    m_mixer->SetSliders(m_in.get(), m_out.get());
    SetClientSize({m_layout.window.cx, m_layout.window.cy});
    if (m_layout.largest.cx > 0)
        SetLargestSize({m_layout.largest.cx, m_layout.largest.cy});
    Show();
}

CDSPDlgAttriMixer::~CDSPDlgAttriMixer() {
    m_mixer->SetSliders(nullptr, nullptr);
}

void CDSPDlgAttriMixer::MakeControls() {
    const QFont font = ControlFont();
    const auto edit = [&](int id, const platform::gdi::Rect& place) {
        auto* control = new CAttriValueEdit(this);
        shell::ui::SetControlId(control, id);
        control->setGeometry(ToQRect(place));
        control->setFont(font);
        return control;
    };
    const auto mute = [&](int id, const platform::gdi::Rect& place) {
        auto* button = new CMyButton(this);
        button->SetMode(shell::CMyButtonCore::kModeToggle);
        shell::ui::SetControlId(button, id);
        button->setGeometry(ToQRect(place));
        button->setFont(font);
        return button;
    };

    for (std::int32_t i = 0; i < m_layout.inputs; ++i)
        for (std::int32_t j = 0; j < m_layout.outputs; ++j) {
            const auto n = static_cast<std::size_t>(i * m_layout.outputs + j);
            Cell cell;
            cell.box = new QPushButton(this);
            cell.box->setCheckable(true);
            shell::ui::SetControlId(cell.box, kCellBox);
            cell.box->setGeometry(ToQRect(m_layout.cells[n]));
            connect(cell.box, &QPushButton::clicked, this, [this, i, j] {
                m_mixer->OnCellClick(i, j);
                Show();
                // On, the gain is typed next; off, its edit lets the focus go.
                if (m_mixer->Editable() && m_mixer->CellOn(i, j))
                    CellAt(i, j).gain->setFocus(Qt::OtherFocusReason);
                else
                    setFocus(Qt::OtherFocusReason);
            });
            QRect gain = ToQRect(m_layout.gainEdits[n]);
            gain.setHeight(kGainHeight);
            cell.gain = edit(kCellGain, m_layout.gainEdits[n]);
            cell.gain->setGeometry(gain);
            cell.gain->setFrame(false);
            cell.gain->SetEditHandler(
                [this, i, j, gainEdit = cell.gain](EEditEvent event, const std::string& text) {
                    // A read-only edit never changes: Enter there is no edit.
                    if (event == EEditEvent::kTextChanged && gainEdit->isReadOnly())
                        return;
                    m_mixer->CellGain(i, j).text = text;
                    m_mixer->OnCellGainEdit(i, j, event);
                    Show();
                });
            m_cells.push_back(cell);
        }
    for (std::int32_t i = 0; i < m_layout.inputs; ++i) {
        const auto n = static_cast<std::size_t>(i);
        CMyButton* button = mute(kInputMute, m_layout.inputMutes[n]);
        connect(button, &CMyButton::Command, this, [this, i] {
            m_mixer->OnInputMute(i);
            Show();
        });
        m_inputMutes.push_back(button);
        CAttriValueEdit* level = edit(kInputLevel, m_layout.inputLevels[n]);
        level->SetEditHandler([this, i](EEditEvent event, const std::string& text) {
            m_mixer->InputLevel(i).text = text;
            m_mixer->OnInputLevelEdit(i, event);
            Show();
        });
        level->SetFocusHandler([this, i] { m_mixer->OnInputLevelFocus(i); });
        m_inputLevels.push_back(level);
    }
    for (std::int32_t j = 0; j < m_layout.outputs; ++j) {
        const auto n = static_cast<std::size_t>(j);
        CMyButton* button = mute(kOutputMute, m_layout.outputMutes[n]);
        connect(button, &CMyButton::Command, this, [this, j] {
            m_mixer->OnOutputMute(j);
            Show();
        });
        m_outputMutes.push_back(button);
        CAttriValueEdit* level = edit(kOutputLevel, m_layout.outputLevels[n]);
        level->SetEditHandler([this, j](EEditEvent event, const std::string& text) {
            m_mixer->OutputLevel(j).text = text;
            m_mixer->OnOutputLevelEdit(j, event);
            Show();
        });
        level->SetFocusHandler([this, j] { m_mixer->OnOutputLevelFocus(j); });
        m_outputLevels.push_back(level);
    }
    // The labels keep the dialog's small face; they are centred on their
    // places, a little wider, so that no text is cut.
    QFont small("Arial");
    small.setPixelSize(11);
    for (const MixerLabel& place : m_layout.labels) {
        auto* label = new QLabel(CaptionOf(place), this);
        label->setGeometry(ToQRect(place.rect).adjusted(-6, 0, 6, 0));
        label->setFont(small);
        label->setAlignment(Qt::AlignCenter);
    }
}

CAttriValueEdit* CDSPDlgAttriMixer::EditOf(EMixerTarget target, std::int32_t index) const {
    const auto within = [index](const auto& controls) {
        return index >= 0 && static_cast<std::size_t>(index) < controls.size();
    };
    switch (target) {
    case EMixerTarget::kInputLevel:
        return within(m_inputLevels) ? m_inputLevels[static_cast<std::size_t>(index)] : nullptr;
    case EMixerTarget::kOutputLevel:
        return within(m_outputLevels) ? m_outputLevels[static_cast<std::size_t>(index)] : nullptr;
    case EMixerTarget::kCell: {
        // The controller numbers a cell input x inputs + output.
        if (m_layout.inputs == 0 || index < 0)
            return nullptr;
        const std::int32_t i = index / m_layout.inputs;
        const std::int32_t j = index % m_layout.inputs;
        if (i >= m_layout.inputs || j >= m_layout.outputs)
            return nullptr;
        return m_cells[static_cast<std::size_t>(i * m_layout.outputs + j)].gain;
    }
    case EMixerTarget::kNone:
        break;
    }
    return nullptr;
}

void CDSPDlgAttriMixer::Show() {
    for (std::int32_t i = 0; i < m_layout.inputs; ++i) {
        for (std::int32_t j = 0; j < m_layout.outputs; ++j) {
            Cell& cell = CellAt(i, j);
            const bool on = m_mixer->CellOn(i, j);
            cell.box->setChecked(on);
            cell.gain->setReadOnly(!on);
            const QString& style = on ? kCellOnStyle : kCellOffStyle;
            if (cell.gain->styleSheet() != style)
                cell.gain->setStyleSheet(style);
            cell.gain->SetText(m_mixer->CellGain(i, j).text);
        }
        m_inputLevels[static_cast<std::size_t>(i)]->SetText(m_mixer->InputLevel(i).text);
        ShowToggle(*m_inputMutes[static_cast<std::size_t>(i)], m_mixer->InputMute(i));
    }
    for (std::int32_t j = 0; j < m_layout.outputs; ++j) {
        m_outputLevels[static_cast<std::size_t>(j)]->SetText(m_mixer->OutputLevel(j).text);
        ShowToggle(*m_outputMutes[static_cast<std::size_t>(j)], m_mixer->OutputMute(j));
    }
}

void CDSPDlgAttriMixer::RefreshControls() {
    m_mixer->Refresh();
    Show();
}

void CDSPDlgAttriMixer::HideDialog() {
    CDSPDlgAttriBase::HideDialog();
    m_mixer->HideSliders();
}

void CDSPDlgAttriMixer::OnSliderMoving(int position) {
    m_mixer->OnSliderMoving(position);
    Show();
}

void CDSPDlgAttriMixer::OnSliderReleased() {
    m_mixer->OnSliderReleased();
    Show();
}

void CDSPDlgAttriMixer::PlaceSlider() {
    const EMixerTarget target = m_mixer->SliderTarget();
    CAttriValueEdit* edit = EditOf(target, m_mixer->SliderIndex());
    if (edit == nullptr)
        return;
    if (target == EMixerTarget::kOutputLevel) {
        if (m_mixer->OutputSliderShown())
            m_sliderOut->PlaceBeside(*edit);
    } else if (m_mixer->InputSliderShown()) {
        m_sliderIn->PlaceBeside(*edit);
    }
}

void CDSPDlgAttriMixer::paintEvent(QPaintEvent* event) {
    CDSPDlgAttriBase::paintEvent(event);
    if (m_layout.inputs == 0)
        return;
    QPainter painter(this);
    const platform::gdi::Rect& panel = m_layout.panel;
    painter.fillRect(ToQRect(panel), QColor(192, 192, 192));
    painter.setPen(Qt::black);
    for (const std::int32_t y : m_layout.rowLines)
        painter.drawLine(5, y, panel.right, y);
    for (const std::int32_t x : m_layout.columnLines)
        painter.drawLine(x, 15, x, panel.bottom);
}

void CDSPDlgAttriMixer::moveEvent(QMoveEvent* event) {
    // The base re-places the vertical slider; the horizontal one is ours.
    CDSPDlgAttriBase::moveEvent(event);
    if (m_mixer->Editable() && !m_mixer->Closing() && m_sliderOut->isVisible())
        PlaceSlider();
}

} // namespace attri_dialogs::ui
