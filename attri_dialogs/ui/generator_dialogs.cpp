#include "attri_dialogs/ui/generator_dialogs.h"

#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QPainter>

#include <string>

#include "attri_dialogs/ui/slope_dialogs.h"
#include "platform/gdi/qt_canvas.h"
#include "resources/bitmaps.h"
#include "shell/dialog_texts.h"
#include "shell/my_button.h"
#include "shell/ui/my_button_widget.h"

namespace attri_dialogs::ui {

using shell::ui::CMyButton;

namespace {

constexpr int kSineDialog = 154;
constexpr int kNoiseDialog = 174;

// Labels, for the language packs.
constexpr int kMuteLabel = 1503;
constexpr int kLevelLabel = 1515;
constexpr int kNoiseMuteLabel = 1508;
constexpr int kFrequencyLabel = 1540;
constexpr int kStartLabel = 1541;
constexpr int kStopLabel = 1542;
constexpr int kStepLabel = 1543;
constexpr int kTimeStepLabel = 1544;
constexpr int kSampleNote = 1545;
constexpr int kFixedCaption = 1546;
constexpr int kSweepCaption = 1547;

// Controls.
constexpr int kFixedButton = 1650;
constexpr int kSweepButton = 1651;
constexpr int kSineMuteButton = 1652;
constexpr int kSineLevelEdit = 1653;
constexpr int kFrequencyEdit = 1654;
constexpr int kFrequencySpin = 1655;
constexpr int kStartEdit = 1656;
constexpr int kStartSpin = 1657;
constexpr int kStopEdit = 1658;
constexpr int kStopSpin = 1659;
constexpr int kStepList = 1660;
constexpr int kTimeStepEdit = 1661;
constexpr int kTimeStepSpin = 1662;
constexpr int kNoiseMuteButton = 1126;
constexpr int kNoiseLevelEdit = 1131;

QLabel* Label(QWidget* dialog, int dialogId, int id, const char* builtin, QRect place) {
    auto* label = new QLabel(shell::DialogString(dialogId, id, builtin), dialog);
    label->setGeometry(place);
    return label;
}

CMyButton* Button(QWidget* dialog, int id, int mode, QRect place) {
    auto* button = new CMyButton(dialog);
    button->SetMode(mode);
    shell::ui::SetControlId(button, id);
    button->setGeometry(place);
    return button;
}

CAttriValueEdit* Edit(QWidget* dialog, int id, QRect place) {
    auto* edit = new CAttriValueEdit(dialog);
    shell::ui::SetControlId(edit, id);
    edit->setGeometry(place);
    return edit;
}

std::size_t Index(CAttriSineController::EField field) {
    return static_cast<std::size_t>(field);
}

} // namespace

// -- the sine

CDSPDlgAttriSine::Parts CDSPDlgAttriSine::MakeParts(dsp_editor::CZoDSPView& view,
                                                    model::CBaseAriModule& module) {
    Parts parts;
    parts.timer = std::make_unique<CAttriPreviewTimer>();
    parts.controller = std::make_unique<CAttriSineController>(
        view, dynamic_cast<model::CAriGenerator&>(module), parts.timer.get());
    return parts;
}

CDSPDlgAttriSine::CDSPDlgAttriSine(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module,
                                   QWidget* parent, QWidget* viewWidget)
    : CDSPDlgAttriSine(MakeParts(view, module), parent, viewWidget) {}

CDSPDlgAttriSine::CDSPDlgAttriSine(Parts parts, QWidget* parent, QWidget* viewWidget)
    : CDSPDlgAttriBase(parts.controller->Base(), parent, viewWidget, resources::kIconSineDialog),
      m_timer(std::move(parts.timer)), m_sine(std::move(parts.controller)) {
    SetClientSize({570, 214});
    SetLargestSize({CAttriSineController::kMaxWidth, CAttriSineController::kMaxHeight});
    connect(&m_timer->Timer(), &QTimer::timeout, this, [this] {
        m_sine->OnTimer();
        update();
    });

    // Either mode button switches to the other mode, the pressed one too:
    // toggles, which report every click, shown as a pair by Show.
    m_fixedButton = Button(this, kFixedButton, shell::CMyButtonCore::kModeToggle, {8, 4, 90, 30});
    m_fixedButton->setText(shell::DialogString(kSineDialog, kFixedCaption, "固定频率"));
    m_sweepButton = Button(this, kSweepButton, shell::CMyButtonCore::kModeToggle, {104, 4, 90, 30});
    m_sweepButton->setText(shell::DialogString(kSineDialog, kSweepCaption, "扫频"));
    for (CMyButton* button : {m_fixedButton, m_sweepButton})
        connect(button, &CMyButton::Command, this, [this] {
            m_sine->OnModeClick();
            Show();
        });

    Label(this, kSineDialog, kMuteLabel, "静音", {8, 38, 56, 14});
    Label(this, kSineDialog, kLevelLabel, "电平 (dB)", {72, 38, 90, 14});
    m_mute = Button(this, kSineMuteButton, shell::CMyButtonCore::kModeToggle, {8, 54, 48, 20});
    connect(m_mute, &CMyButton::Command, this, [this] {
        m_sine->OnMuteClick();
        Show();
    });
    CAttriValueEdit* level = FieldEdit(EField::kLevel, kSineLevelEdit, {72, 54, 70, 20});
    level->SetFocusHandler([this] {
        if (m_sine->OnLevelFocus())
            PlaceSlider();
    });

    Label(this, kSineDialog, kFrequencyLabel, "频率 (Hz)", {8, 82, 90, 14});
    FieldEdit(EField::kFrequency, kFrequencyEdit, {8, 98, 74, 20});
    MakeSpin(EField::kFrequency, kFrequencySpin, 20, 20000, {82, 98, 16, 20});
    Label(this, kSineDialog, kStartLabel, "起始频率 (Hz)", {8, 126, 92, 14});
    FieldEdit(EField::kStart, kStartEdit, {8, 142, 74, 20});
    MakeSpin(EField::kStart, kStartSpin, 20, 20000, {82, 142, 16, 20});
    Label(this, kSineDialog, kStopLabel, "终止频率 (Hz)", {108, 126, 92, 14});
    FieldEdit(EField::kStop, kStopEdit, {108, 142, 74, 20});
    MakeSpin(EField::kStop, kStopSpin, 20, 20000, {182, 142, 16, 20});
    Label(this, kSineDialog, kStepLabel, "频率步长 (Oct)", {8, 170, 96, 14});
    m_steps = new QComboBox(this);
    shell::ui::SetControlId(m_steps, kStepList);
    for (const char* name : CAttriSineController::kStepNames)
        m_steps->addItem(QString::fromLatin1(name));
    m_steps->setGeometry(8, 186, 90, 22);
    m_steps->installEventFilter(this);
    connect(m_steps, &QComboBox::activated, this, [this](int index) {
        m_sine->OnStepSelected(index);
        Show();
    });
    Label(this, kSineDialog, kTimeStepLabel, "时间步长 (ms)", {108, 170, 92, 14});
    FieldEdit(EField::kTimeStep, kTimeStepEdit, {108, 186, 74, 20});
    MakeSpin(EField::kTimeStep, kTimeStepSpin, 0, 2 * CAttriSineController::kTimeSpinCentre,
             {182, 186, 16, 20});

    PreviewScales();
    CreateSlider(true);
    Show();
}

CAttriValueEdit* CDSPDlgAttriSine::FieldEdit(EField field, int id, QRect place) {
    CAttriValueEdit* edit = Edit(this, id, place);
    edit->SetEditHandler([this, field](EEditEvent event, const std::string& text) {
        m_sine->Edit(field).text = text;
        m_sine->OnEdit(field, event);
        Show();
    });
    m_edits[Index(field)] = edit;
    return edit;
}

void CDSPDlgAttriSine::MakeSpin(EField field, int id, int minimum, int maximum, QRect place) {
    auto* spin = new CAttriSpinButtons(this, minimum, maximum);
    shell::ui::SetControlId(spin, id);
    spin->setGeometry(place);
    spin->SetStepHandler([this, field](int position) {
        m_sine->OnSpin(field, position);
        Show();
    });
    m_spins[Index(field)] = spin;
}

// The value scale on both sides of the preview, one grid line a decade,
// and the note on what it samples.
void CDSPDlgAttriSine::PreviewScales() {
    const platform::gdi::Rect& plot = CAttriSineController::kPlot;
    QFont font = this->font();
    font.setPixelSize(9);
    static constexpr std::array<const char*, 10> kScale{"10",    "1",    "0.1", "0.01", "0",
                                                        "-0.01", "-0.1", "-1",  "-10",  "-100"};
    for (std::size_t k = 0; k < kScale.size(); ++k) {
        const int y = plot.top + 14 * static_cast<int>(k) - 6;
        for (const bool left : {true, false}) {
            auto* scale = new QLabel(QString::fromLatin1(kScale[k]), this);
            scale->setFont(font);
            scale->setAlignment((left ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
            scale->setGeometry(left ? plot.left - 32 : plot.right + 6, y, 28, 12);
        }
    }
    QLabel* note = Label(this, kSineDialog, kSampleNote, "240 个采样点\n采样频率 =  48000 Hz ",
                         {plot.left, plot.bottom + 12, plot.right - plot.left, 30});
    note->setFont(font);
}

void CDSPDlgAttriSine::Show() {
    const CAttriSineController& sine = *m_sine;
    const bool fixed = sine.Fixed();
    m_fixedButton->SetState(fixed ? 1 : 0);
    m_sweepButton->SetState(fixed ? 0 : 1);
    ShowToggle(*m_mute, sine.Mute());
    for (std::size_t f = 0; f < CAttriSineController::kFields; ++f) {
        const auto field = static_cast<EField>(f);
        m_edits[f]->SetText(sine.Edit(field).text);
        if (m_spins[f] != nullptr)
            m_spins[f]->SetPosition(sine.SpinPosition(field));
        // The frequency in fixed mode, the sweep's fields in sweep mode.
        const bool enabled = field == EField::kLevel || (field == EField::kFrequency) == fixed;
        m_edits[f]->setEnabled(enabled);
        if (m_spins[f] != nullptr)
            m_spins[f]->setEnabled(enabled);
    }
    m_steps->setCurrentIndex(sine.StepIndex());
    m_steps->setEnabled(!fixed);
    update();
}

void CDSPDlgAttriSine::RefreshControls() {
    CDSPDlgAttriBase::RefreshControls();
    m_sine->Refresh();
    Show();
}

void CDSPDlgAttriSine::OnSliderMoving(int position) {
    m_sine->OnSliderMoving(position);
    Show();
}

void CDSPDlgAttriSine::OnSliderReleased() {
    m_sine->OnEdit(EField::kLevel, EEditEvent::kSliderReleased);
    Show();
}

void CDSPDlgAttriSine::OnSetDefaultValues() {
    m_sine->SetDefaultValues();
    Show();
}

void CDSPDlgAttriSine::PlaceSlider() {
    if (CDSPDlgAttriSliderCtrl* slider = Slider())
        slider->PlaceBeside(*m_edits[Index(EField::kLevel)]);
}

void CDSPDlgAttriSine::paintEvent(QPaintEvent* event) {
    CDSPDlgAttriBase::paintEvent(event);
    QPainter painter(this);
    platform::gdi::QtCanvas canvas(painter);
    m_sine->DrawPreview(canvas);
}

// The step list taking the focus hides the level slider.
bool CDSPDlgAttriSine::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && watched == m_steps && Slider() != nullptr)
        Slider()->Hide();
    return CDSPDlgAttriBase::eventFilter(watched, event);
}

// -- the noise

CDSPDlgAttriNoise::CDSPDlgAttriNoise(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module,
                                     QWidget* parent, QWidget* viewWidget)
    : CDSPDlgAttriNoise(std::make_unique<CAttriNoiseController>(
                            view, dynamic_cast<model::CAriGenerator&>(module)),
                        parent, viewWidget) {}

CDSPDlgAttriNoise::CDSPDlgAttriNoise(std::unique_ptr<CAttriNoiseController> controller,
                                     QWidget* parent, QWidget* viewWidget)
    : CDSPDlgAttriBase(controller->Base(), parent, viewWidget, resources::kIconNoiseDialog),
      m_noise(std::move(controller)) {
    SetClientSize(DialogUnitsToPixels(99, 31));
    SetLargestSize({CAttriNoiseController::kMaxWidth, CAttriNoiseController::kMaxHeight});
    Label(this, kNoiseDialog, kNoiseMuteLabel, "禁音", {8, 5, 48, 14});
    Label(this, kNoiseDialog, kLevelLabel, "电平 (dB)", {64, 5, 76, 14});
    m_mute = Button(this, kNoiseMuteButton, shell::CMyButtonCore::kModeToggle, {8, 21, 48, 20});
    connect(m_mute, &CMyButton::Command, this, [this] {
        m_noise->OnMuteClick();
        Show();
    });
    m_level = Edit(this, kNoiseLevelEdit, {64, 21, 70, 20});
    m_level->SetEditHandler([this](EEditEvent event, const std::string& text) {
        m_noise->Level().text = text;
        m_noise->OnLevelEdit(event);
        Show();
    });
    m_level->SetFocusHandler([this] {
        if (m_noise->OnLevelFocus())
            PlaceSlider();
    });
    m_noise->SetSlider(&CreateSlider(true));
    Show();
}

void CDSPDlgAttriNoise::Show() {
    ShowToggle(*m_mute, m_noise->Mute());
    m_level->SetText(m_noise->Level().text);
}

void CDSPDlgAttriNoise::RefreshControls() {
    CDSPDlgAttriBase::RefreshControls();
    m_noise->Refresh();
    Show();
}

void CDSPDlgAttriNoise::OnSliderMoving(int position) {
    m_noise->OnSliderMoving(position);
    Show();
}

void CDSPDlgAttriNoise::OnSliderReleased() {
    m_noise->OnLevelEdit(EEditEvent::kSliderReleased);
    Show();
}

void CDSPDlgAttriNoise::OnSetDefaultValues() {
    m_noise->SetDefaultValues();
    Show();
}

void CDSPDlgAttriNoise::PlaceSlider() {
    if (CDSPDlgAttriSliderCtrl* slider = Slider())
        slider->PlaceBeside(*m_level);
}

} // namespace attri_dialogs::ui
