#include "device_editor/ui/amplifier_monitor_dialog.h"

#include <utility>

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "device_editor/run_state.h"
#include "device_editor/ui/dialog_support.h"
#include "model/device_qovg.h"
#include "platform/gdi/qt_canvas.h"
#include "resources/message_ids.h"
#include "shell/slider_model.h"
#include "shell/ui/my_button_widget.h"
#include "shell/ui/my_slider.h"
#include "shell/ui/volume_bar_widget.h"

namespace device_editor::ui {

namespace {

// Control ids of the status window (a text's key in the language pack).
constexpr int kMonitorSleepLabel = 1001;
constexpr int kMonitorStoreGain = 1002;
constexpr int kMonitorLimitsButton = 1003;
constexpr int kMonitorVolumeFrame = 1004;
constexpr int kMonitorGainFrame = 1005;
constexpr int kMonitorSleepButton = 1006;
constexpr int kMonitorGainSlider = 1007;

constexpr int kGainSliderTop = 1;
constexpr int kGainSliderBottom = 1271;
constexpr int kGainSliderTicks = 250;
constexpr int kMonitorBarHeight = 260;
constexpr int kScaleMarks = 7;
constexpr QLatin1StringView kScaleBreak("\n\n");

void ShowLevelBar(shell::ui::CVolumeBarCtrl3& bar, const LevelBar& level) {
    bar.SetRange(level.low, level.high);
    if (!level.markers.empty())
        bar.SetMarker1(level.markers[0]);
    if (level.markers.size() > 1)
        bar.SetMarker2(level.markers[1]);
}

shell::ui::CVolumeBarCtrl3* MakeLevelBar(QWidget* parent) {
    auto* bar = new shell::ui::CVolumeBarCtrl3(parent);
    bar->setFixedSize(16, kMonitorBarHeight);
    return bar;
}

QLabel* MakeReadingField(QWidget* parent) {
    auto* field = new QLabel(parent);
    field->setAutoFillBackground(true);
    field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    field->setAlignment(Qt::AlignCenter);
    field->setFixedSize(64, 22);
    return field;
}

void PaintReadingField(QLabel& field, std::uint32_t colour) {
    QPalette palette = field.palette();
    palette.setColor(QPalette::Window, platform::gdi::ToQColor(colour));
    field.setPalette(palette);
}

} // namespace

// --- CDeviceDlgQOVGProperty ------------------------------------------------------

CDeviceDlgQOVGProperty::CDeviceDlgQOVGProperty(CZoDeviceDoc& doc, model::CDeviceQOVG& unit,
                                               SheetLock lock, QWidget* parent)
    : QDialog(parent), m_doc(doc), m_unit(unit), m_lock(lock),
      m_controller(doc, unit, std::move(lock)) {
    m_controller.Open();
    setWindowTitle(shell::FromUtf8(m_controller.Title()));

    // The output volumes.
    auto* volumeFrame =
        new QGroupBox(DialogText(kMonitorDialog, kMonitorVolumeFrame, "输出音量"), this);
    auto* volumeLayout = new QGridLayout(volumeFrame);
    for (int side = 0; side < 2; ++side) {
        m_bars[static_cast<std::size_t>(side)] = MakeLevelBar(volumeFrame);
        ShowLevelBar(*m_bars[static_cast<std::size_t>(side)],
                     CAmplifierMonitorController::VolumeBar());
        volumeLayout->addWidget(m_bars[static_cast<std::size_t>(side)], 0, side, Qt::AlignHCenter);
        auto* text = new QLabel(volumeFrame);
        text->setAlignment(Qt::AlignCenter);
        text->setMinimumWidth(44);
        volumeLayout->addWidget(text, 1, side);
        m_volumeTexts[static_cast<std::size_t>(side)] = text;
    }

    // The output gain: one slider and one box drive both channels.
    auto* gainFrame =
        new QGroupBox(DialogText(kMonitorDialog, kMonitorGainFrame, "输出增益"), this);
    auto* gainLayout = new QVBoxLayout(gainFrame);
    m_slider = new shell::ui::CMySliderCtrl(Qt::Vertical, kMonitorGainSlider, gainFrame);
    m_slider->SetRange(kGainSliderTop, kGainSliderBottom);
    m_slider->SetTicFreq(kGainSliderTicks);
    m_slider->SetTickStyle(shell::kSliderAutoTicks);
    m_slider->SetPos(m_controller.SliderPos());
    m_slider->setFixedHeight(kMonitorBarHeight);
    gainLayout->addWidget(m_slider, 0, Qt::AlignHCenter);
    m_gainBox = new QLineEdit(gainFrame);
    m_gainBox->setFixedWidth(64);
    m_gainBox->setText(shell::FromUtf8(m_controller.OnGainBoxCommit({}).text));
    m_gainBox->installEventFilter(this);
    gainLayout->addWidget(m_gainBox, 0, Qt::AlignHCenter);
    m_storeGain =
        new QPushButton(DialogText(kMonitorDialog, kMonitorStoreGain, "固化输出增益"), gainFrame);
    m_storeGain->setAutoDefault(false);
    gainLayout->addWidget(m_storeGain);
    connect(m_slider, &shell::ui::CMySliderCtrl::Scrolled, this,
            [this](unsigned, int code, int position) {
                // The box follows the thumb; the end of a movement stores it.
                if (code == shell::SB_ENDSCROLL) {
                    m_controller.OnSliderReleased(m_slider->GetPos());
                    return;
                }
                const int shown = code == shell::SB_THUMBTRACK || code == shell::SB_THUMBPOSITION
                                      ? position
                                      : m_slider->GetPos();
                m_gainBox->setText(
                    shell::FromUtf8(CAmplifierMonitorController::OnSliderMoving(shown)));
            });
    connect(m_storeGain, &QPushButton::clicked, this, [this] { m_controller.OnStoreGain(); });

    // The readings, in the order of their bars: voltage, current, temperature.
    auto* readings = new QHBoxLayout;
    m_bars[kVoltageBar] = MakeLevelBar(this);
    m_bars[kCurrentBar] = MakeLevelBar(this);
    m_bars[kTemperatureBar] = MakeLevelBar(this);
    for (const int k : {1, 0, 2}) {
        auto* column = new QGridLayout;
        m_captions[Index(k)] =
            new QLabel(shell::FromUtf8(CAmplifierMonitorController::Caption(k)), this);
        m_captions[Index(k)]->setAlignment(Qt::AlignCenter);
        column->addWidget(m_captions[Index(k)], 0, 0, 1, 2);
        // The marks stand evenly from the bar's top to its bottom: the
        // first and last are centred on its ends.
        auto* marks = new QWidget(this);
        marks->setFixedHeight(kMonitorBarHeight + marks->fontMetrics().height());
        auto* marksLayout = new QVBoxLayout(marks);
        marksLayout->setContentsMargins(0, 0, 0, 0);
        marksLayout->setSpacing(0);
        for (int j = 0; j < kScaleMarks; ++j) {
            if (j > 0)
                marksLayout->addStretch();
            auto* mark = new QLabel(marks);
            mark->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            marksLayout->addWidget(mark);
            m_scales[Index(k)].push_back(mark);
        }
        column->addWidget(marks, 1, 0);
        column->addWidget(ReadingBar(k), 1, 1, Qt::AlignVCenter);
        m_values[Index(k)] = MakeReadingField(this);
        column->addWidget(m_values[Index(k)], 2, 0, 1, 2, Qt::AlignHCenter);
        readings->addLayout(column);
    }

    auto* top = new QHBoxLayout;
    top->addWidget(volumeFrame);
    top->addWidget(gainFrame);
    top->addLayout(readings);

    // The sleep switch, the limits and OK.
    m_sleep = new shell::ui::CMyButton(this);
    m_sleep->SetMode(shell::CMyButtonCore::kModeToggle);
    shell::ui::SetControlId(m_sleep, kMonitorSleepButton);
    m_sleep->setFixedSize(64, 28);
    connect(m_sleep, &shell::ui::CMyButton::Command, this, [this] {
        m_controller.OnSleepSwitch();
        ShowSwitch();
    });
    m_limitsButton =
        new QPushButton(DialogText(kMonitorDialog, kMonitorLimitsButton, "参数设置..."), this);
    m_limitsButton->setAutoDefault(false);
    connect(m_limitsButton, &QPushButton::clicked, this, &CDeviceDlgQOVGProperty::OnLimits);
    auto* ok = new QPushButton(DialogText(kMonitorDialog, kOkControl, "确定"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(
        new QLabel(DialogText(kMonitorDialog, kMonitorSleepLabel, "功放休眠开关"), this));
    bottom->addWidget(m_sleep);
    bottom->addStretch();
    bottom->addWidget(m_limitsButton);
    bottom->addWidget(ok);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bottom);

    ShowSwitch();
    ShowScales();
    ShowReadingBars();
    ShowReadings();
    for (QLabel* field : m_values)
        PaintReadingField(*field, amplifier::kFieldGrey);

    m_blinkTimer.setSingleShot(true);
    connect(&m_blinkTimer, &QTimer::timeout, this, &CDeviceDlgQOVGProperty::OnBlink);
    m_blinkTimer.start(amplifier::kBlinkMs);
}

shell::ui::CVolumeBarCtrl3* CDeviceDlgQOVGProperty::ReadingBar(int k) const {
    static constexpr EBar kBars[] = {kCurrentBar, kVoltageBar, kTemperatureBar};
    return Bar(kBars[k]);
}

void CDeviceDlgQOVGProperty::ShowReadings() {
    const CAmplifierMonitorController::Readings shown = m_controller.GetReadings();
    for (int k = 0; k < amplifier::kReadings; ++k) {
        ReadingBar(k)->SetPos(shown.barPositions[Index(k)]);
        m_values[Index(k)]->setText(shell::FromUtf8(shown.texts[Index(k)]));
    }
    for (std::size_t side = 0; side < 2; ++side) {
        m_bars[side]->SetPos(shown.volumePositions[side]);
        m_volumeTexts[side]->setText(shell::FromUtf8(shown.volumeTexts[side]));
    }
}

void CDeviceDlgQOVGProperty::ShowSwitch() {
    const CAmplifierMonitorController::SleepSwitch shown = m_controller.GetSleepSwitch();
    m_sleep->SetState(shown.pressed ? 1 : 0);
    m_sleep->setText(shell::FromUtf8(shown.caption));
}

QString CDeviceDlgQOVGProperty::ScaleText(int k) const {
    QStringList marks;
    for (const QLabel* mark : m_scales[Index(k)])
        marks.append(mark->text());
    return marks.join(kScaleBreak);
}

void CDeviceDlgQOVGProperty::ShowScales() {
    for (int k = 0; k < amplifier::kReadings; ++k) {
        const QStringList marks = shell::FromUtf8(m_controller.ScaleLabel(k)).split(kScaleBreak);
        qsizetype j = 0;
        for (QLabel* mark : m_scales[Index(k)])
            mark->setText(j < marks.size() ? marks[j++] : QString());
    }
}

void CDeviceDlgQOVGProperty::ShowReadingBars() {
    for (int k = 0; k < amplifier::kReadings; ++k)
        ShowLevelBar(*ReadingBar(k), m_controller.ReadingBar(k));
}

void CDeviceDlgQOVGProperty::OnBlink() {
    const int next = m_controller.Blink();
    for (int k = 0; k < amplifier::kReadings; ++k)
        PaintReadingField(*m_values[Index(k)], m_controller.FieldColour(k));
    m_blinkTimer.start(next);
}

void CDeviceDlgQOVGProperty::appNotify(int code) {
    m_controller.OnAppNotify(code);
    if (code == kNotifyStatusReadings)
        ShowReadings();
    else if (code == kNotifyStatusSleep)
        ShowSwitch();
    else if ((code == kNotifyChannelsRead || code == kNotifyGlobalRead) && m_limitsDialog)
        m_limitsDialog->ShowRows();
}

void CDeviceDlgQOVGProperty::OnLimits() {
    // The window may go while the limits dialog runs (its handle destroyed
    // from a nested event): nothing of it is touched then.
    const QPointer<CDeviceDlgQOVGProperty> alive(this);
    CAmplifierLimitsController limits(m_doc, m_unit, m_lock);
    m_limitsDialog = new CDeviceDlgQOVGSetAttri(limits, this);
    m_controller.SetOpenLimits(&limits);
    const int result = m_limitsDialog->exec();
    if (!alive)
        return;
    m_controller.SetOpenLimits(nullptr);
    delete m_limitsDialog.data();
    if (result == QDialog::Accepted)
        ShowScales();
    ShowReadingBars();
}

void CDeviceDlgQOVGProperty::CommitGainBox() {
    const CAmplifierMonitorController::GainBox shown =
        m_controller.OnGainBoxCommit(ToUtf8(m_gainBox->text()));
    m_gainBox->setText(shell::FromUtf8(shown.text));
    if (shown.sliderPosition)
        m_slider->SetPos(*shown.sliderPosition);
}

bool CDeviceDlgQOVGProperty::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_gainBox) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            // Enter takes the typed gain; it must not reach the dialog's
            // default button.
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                CommitGainBox();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut && m_gainBox->isModified()) {
            CommitGainBox();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CDeviceDlgQOVGProperty::done(int result) {
    QDialog::done(result);
    // Taken out first: the owner's answer destroys the handle, which lets go
    // of this function.
    if (auto closed = std::exchange(onClosed, nullptr))
        closed();
}

// --- CAmplifierStatusWindow -------------------------------------------------------

CAmplifierStatusWindow::CAmplifierStatusWindow(CDeviceDlgQOVGProperty* dialog)
    : m_dialog(dialog), m_id(dialog->Unit().m_id), m_subType(dialog->Unit().m_subType) {}

CAmplifierStatusWindow::~CAmplifierStatusWindow() {
    if (!m_dialog)
        return;
    // Going with the document or the device is no closing by the operator.
    m_dialog->onClosed = nullptr;
    m_dialog->hide();
    m_dialog->deleteLater();
}

void CAmplifierStatusWindow::appNotify(int code) {
    if (m_dialog)
        m_dialog->appNotify(code);
}

std::unique_ptr<IDeviceStatusWindow> MakeAmplifierStatusWindow(CZoDeviceDoc& doc,
                                                               model::CDeviceQOVG& unit,
                                                               SheetLock lock, QWidget* parent,
                                                               std::function<void()> onClosed) {
    auto* dialog = new CDeviceDlgQOVGProperty(doc, unit, std::move(lock), parent);
    dialog->onClosed = std::move(onClosed);
    return std::make_unique<CAmplifierStatusWindow>(dialog);
}

} // namespace device_editor::ui
