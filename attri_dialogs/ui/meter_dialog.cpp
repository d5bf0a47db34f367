#include "attri_dialogs/ui/meter_dialog.h"

#include <QFont>
#include <QLabel>
#include <QScrollBar>

#include <string>

#include "resources/bitmaps.h"
#include "shell/dialog_texts.h"
#include "shell/my_button.h"
#include "shell/ui/my_button_widget.h"
#include "shell/ui/volume_bar_widget.h"

namespace attri_dialogs::ui {

using shell::ui::CMyButton;

namespace {

constexpr int kFrameId = 1346;
constexpr int kNumberId = 1341;
constexpr int kModuleCaptionId = 1343;
constexpr int kChannelCaptionId = 1344;
constexpr int kScaleId = 1342;
constexpr int kHoldLabelId = 1340;
constexpr int kReadoutId = 1338;
constexpr int kHoldTimeId = 1345;
constexpr int kUpDownId = 1339;
constexpr int kHoldId = 1166;
constexpr int kInfiniteHoldId = 1167;
constexpr int kBarId = 1128;

constexpr int kHoldTimeString = 340;
constexpr int kHoldString = 341;
constexpr int kInfiniteHoldString = 342;

constexpr int kHoldTimeMin = 1;
constexpr int kHoldTimeMax = 1000;

// The first channel's block; the others are offset from it.
constexpr QPoint kBlock{12, 20};
constexpr QSize kBlockSize{113, 142};

// The largest the operator may drag the window to.
constexpr QSize kLargest{500, 500};

QFont Arial(int pixels) {
    QFont font("Arial");
    font.setPixelSize(pixels);
    font.setWeight(QFont::Medium);
    return font;
}

} // namespace

// The controller's polling timer as the dialog's QTimer.
class CDSPDlgAttriMeter::CTimer final : public IMeterTimer {
public:
    explicit CTimer(QTimer& timer) : m_timer(timer) {}
    void Start(std::int32_t periodMs) override { m_timer.start(periodMs); }
    void Kill() override { m_timer.stop(); }

private:
    QTimer& m_timer;
};

CDSPDlgAttriMeter::CDSPDlgAttriMeter(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module,
                                     QWidget* parent, QWidget* viewWidget)
    : CDSPDlgAttriMeter(
          std::make_unique<CAttriMeterController>(view, dynamic_cast<model::CAriMeter&>(module)),
          parent, viewWidget) {}

CDSPDlgAttriMeter::CDSPDlgAttriMeter(std::unique_ptr<CAttriMeterController> controller,
                                     QWidget* parent, QWidget* viewWidget)
    : CDSPDlgAttriBase(*controller, parent, viewWidget, resources::kIconMeterDialog),
      m_meter(std::move(controller)), m_timerSeam(std::make_unique<CTimer>(m_timer)) {
    for (std::int32_t k = 0; k < m_meter->Channels(); ++k)
        MakeChannel(k);
    const platform::gdi::Size window = MeterWindowSize(m_meter->Channels());
    SetClientSize({window.cx, window.cy});
    SetLargestSize(kLargest);
    Show();
    connect(&m_timer, &QTimer::timeout, this, [this] { m_meter->Tick(); });
    m_meter->Open(m_timerSeam.get());
}

CDSPDlgAttriMeter::~CDSPDlgAttriMeter() {
    m_timer.stop();
}

void CDSPDlgAttriMeter::MakeChannel(std::int32_t k) {
    const platform::gdi::Point offset = MeterChannelOffset(k);
    const QPoint origin = kBlock + QPoint(offset.x, offset.y);
    const auto place = [&](QWidget* control, int id, QRect rect) {
        shell::ui::SetControlId(control, id);
        control->setGeometry(rect.translated(origin));
    };
    const auto text = [&](int id, const QString& content, QRect rect, const QFont& font,
                          Qt::Alignment alignment, bool sunken) {
        auto* label = new QLabel(content, this);
        place(label, id, rect);
        label->setFont(font);
        label->setAlignment(alignment);
        if (sunken)
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        return label;
    };
    const QFont font = Arial(14);
    const MeterChannel& channel = m_meter->Channel(k);
    Row& row = m_rows[static_cast<std::size_t>(k)];

    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    place(frame, kFrameId, {QPoint(0, 0), kBlockSize});
    text(kNumberId, shell::FromUtf8(channel.number), {2, 2, 109, 15}, font, Qt::AlignCenter, false);
    text(kScaleId, QStringLiteral("+24\n+12\n0\n-12\n-24\n-36\n-48\n-60"), {1, 17, 24, 122},
         Arial(12), Qt::AlignRight | Qt::AlignTop, false);
    // The names of the linked module and output in a smaller face, to fit.
    row.moduleCaption = text(kModuleCaptionId, shell::FromUtf8(channel.moduleCaption),
                             {46, 18, 64, 15}, Arial(12), Qt::AlignCenter, true);
    row.channelCaption = text(kChannelCaptionId, shell::FromUtf8(channel.channelCaption),
                              {46, 34, 64, 15}, Arial(12), Qt::AlignCenter, true);
    row.readout = text(kReadoutId, shell::FromUtf8(channel.readout), {46, 50, 64, 16}, font,
                       Qt::AlignCenter, true);
    text(kHoldLabelId, shell::StringText(kHoldTimeString), {46, 67, 64, 13}, Arial(11),
         Qt::AlignLeft | Qt::AlignVCenter, false);

    row.bar = new shell::ui::CVolumeBarCtrl(this);
    place(row.bar, kBarId, {27, 24, 16, row.bar->Bar().BarHeight()});

    row.holdTime = new CAttriValueEdit(this);
    place(row.holdTime, kHoldTimeId, {46, 81, 48, 18});
    row.holdTime->setFont(font);
    row.holdTime->SetEditHandler([this, k](EEditEvent event, const std::string& typed) {
        m_meter->HoldTimeEdit(k).text = typed;
        m_meter->OnHoldTimeEdit(k, event);
        Show();
    });
    row.upDown = new QScrollBar(Qt::Vertical, this);
    place(row.upDown, kUpDownId, {94, 81, 16, 18});
    row.upDown->setRange(kHoldTimeMin, kHoldTimeMax);
    // Up counts up.
    row.upDown->setInvertedAppearance(true);
    connect(row.upDown, &QScrollBar::actionTriggered, this, [this, k, upDown = row.upDown](int) {
        m_meter->OnHoldTimeScroll(k, upDown->sliderPosition());
        Show();
    });

    const auto button = [&](int id, int stringId, int top, auto click) {
        auto* control = new CMyButton(this);
        control->SetMode(shell::CMyButtonCore::kModeToggle);
        // Narrow enough for the lamp to keep a thin frame, and its text to
        // fit the lamp.
        place(control, id, {47, top, 62, 19});
        control->setFont(Arial(12));
        control->setText(shell::StringText(stringId));
        connect(control, &CMyButton::Command, this, [this, k, click] {
            (m_meter.get()->*click)(k);
            Show();
        });
        return control;
    };
    row.hold = button(kHoldId, kHoldString, 101, &CAttriMeterController::OnHoldClick);
    row.infiniteHold = button(kInfiniteHoldId, kInfiniteHoldString, 121,
                              &CAttriMeterController::OnInfiniteHoldClick);
}

void CDSPDlgAttriMeter::Show() {
    for (std::int32_t k = 0; k < m_meter->Channels(); ++k) {
        const MeterChannel& channel = m_meter->Channel(k);
        Row& row = m_rows[static_cast<std::size_t>(k)];
        row.holdTime->SetText(channel.holdTime.text);
        row.upDown->setValue(channel.upDown);
        row.hold->SetState(channel.hold);
        row.infiniteHold->SetState(channel.infiniteHold);
        row.bar->SetHoldTime(m_meter->Meter().m_peakHold[static_cast<std::size_t>(k)].holdTime);
        row.bar->SetHoldEnabled(channel.hold);
        row.bar->SetInfiniteHold(channel.infiniteHold);
    }
}

void CDSPDlgAttriMeter::RefreshControls() {
    m_meter->Refresh();
    Show();
}

void CDSPDlgAttriMeter::ShowMeterLevel(std::int32_t channel, double dB) {
    m_meter->ShowMeterLevel(channel, dB);
    if (channel < 0 || channel >= m_meter->Channels())
        return;
    const MeterChannel& shown = m_meter->Channel(channel);
    Row& row = m_rows[static_cast<std::size_t>(channel)];
    row.bar->SetLevel(shown.barLevel);
    row.readout->setText(shell::FromUtf8(shown.readout));
}

} // namespace attri_dialogs::ui
