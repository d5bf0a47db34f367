#include "attri_dialogs/ui/equalizer_dialog.h"

#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>

#include <string>

#include "model/ari_equalizer.h"
#include "platform/gdi/qt_canvas.h"
#include "platform/text/format.h"
#include "resources/bitmaps.h"
#include "resources/string_table.h"
#include "shell/dialog_texts.h"
#include "shell/my_button.h"
#include "shell/slider_model.h"
#include "shell/ui/my_button_widget.h"
#include "shell/ui/my_slider.h"
#include "shell/ui/text_fit.h"

namespace attri_dialogs::ui {

using shell::ui::CMyButton;
using shell::ui::CMySliderCtrl;

namespace {

constexpr int kEqualizerDialog = 157;
// "Band %2d": an entry of the band list.
constexpr int kBandEntryString = 4648;

// Control ids; the labels' ids are also the packs' keys.
constexpr int kBandListLabel = 1560;
constexpr int kFieldLabels[] = {1561, 1562, 1563};
constexpr int kFlattenBandButton = 1564;
constexpr int kFlattenAllButton = 1565;
constexpr int kBypassButton = 1566;
constexpr int kShowBandButton = 1567;
constexpr int kShowAllButton = 1568;
constexpr int kShowPointsButton = 1569;
constexpr int kBandList = 1580;
constexpr int kFieldEdits[] = {1581, 1582, 1583};
constexpr int kFieldSpins[] = {1584, 1585, 1586};
constexpr int kFirstBandSlider = 1600;

constexpr EEqField kFields[] = {EEqField::kFrequency, EEqField::kGain, EEqField::kBandwidth};

constexpr int kWidth = 890;
constexpr int kParametricHeight = 305;
constexpr int kGraphicHeight = 395;

// The graphic sliders under the graph.
constexpr int kSliderTop = 188;
constexpr int kSliderWidth = 27;
constexpr int kSliderHeight = 120;
constexpr int kSliderPage = 50;

constexpr int kButtonWidth = 110;
constexpr int kButtonHeight = 26;

// The two rows of frequency labels: the row below the plot names every
// other column from point 50, the row above it the columns between.
constexpr const char* kLowerFrequencies[] = {"25",   "39",   "61",    "95",   "149",  "232",
                                             "364",  "568",  "888",   "1.4k", "2.2k", "3.4k",
                                             "5.3k", "8.3k", "12.9k", "20k"};
constexpr const char* kUpperFrequencies[] = {"20",   "31.5", "50",    "76",   "120",  "186",
                                             "290",  "450",  "710",   "1.1k", "1.7k", "2.7k",
                                             "4.2k", "6.6k", "10.3k", "16.2k"};
constexpr int kLevels[] = {15, 10, 5, 0, -5, -10, -15, -20, -25, -30};

QFont LabelFont(int pixels = 11) {
    QFont font("Arial");
    font.setPixelSize(pixels);
    font.setWeight(QFont::Medium);
    return font;
}

QLabel* Text(QWidget* dialog, const QString& text, QRect place, Qt::Alignment alignment) {
    auto* label = new QLabel(text, dialog);
    label->setFont(LabelFont());
    label->setAlignment(alignment);
    label->setGeometry(place);
    return label;
}

// A spin position and the scroll bar value that shows it, either way.
int MirroredSpin(EEqField field, int value) {
    const auto [low, high] = CAttriEqualizerController::SpinRange(field);
    return low + high - value;
}

QPoint At(const QMouseEvent* event) {
    return event->position().toPoint();
}

platform::gdi::Point ToPoint(QPoint at) {
    return {at.x(), at.y()};
}

} // namespace

CDSPDlgAttriEqualizer::CDSPDlgAttriEqualizer(dsp_editor::CZoDSPView& view,
                                             model::CBaseAriModule& module, QWidget* parent,
                                             QWidget* viewWidget)
    : CDSPDlgAttriEqualizer(std::make_unique<CAttriEqualizerController>(
                                view, dynamic_cast<model::CAriEqualizer&>(module)),
                            parent, viewWidget) {}

CDSPDlgAttriEqualizer::CDSPDlgAttriEqualizer(std::unique_ptr<CAttriEqualizerController> controller,
                                             QWidget* parent, QWidget* viewWidget)
    : CDSPDlgAttriBase(controller->Base(), parent, viewWidget, resources::kIconAttriEqualizer),
      m_eq(std::move(controller)) {
    const bool graphic = m_eq->Graphic();
    SetClientSize({kWidth, graphic ? kGraphicHeight : kParametricHeight});
    SetLargestSize({1000, 500});
    MakeScales();
    if (graphic) {
        MakeSliders();
        MakeButtons(340);
    } else {
        MakeParametricControls();
        MakeButtons(240);
    }
    Show();
    shell::ui::FitLabelTexts(*this);
}

void CDSPDlgAttriEqualizer::MakeScales() {
    const platform::gdi::Rect plot = CEqResponse::kPlot;
    for (const int level : kLevels) {
        const int y = CEqResponse::Y(level) - 6;
        const QString text = QString::number(level);
        Text(this, text, {6, y, 22, 13}, Qt::AlignRight | Qt::AlignVCenter);
        Text(this, text, {plot.right + 3, y, 22, 13}, Qt::AlignLeft | Qt::AlignVCenter);
    }
    for (int column = 0; column < 16; ++column) {
        const int lower = CEqResponse::X(50 + 50 * column);
        const int upper = CEqResponse::X(25 + 50 * column);
        Text(this, kLowerFrequencies[column], {lower - 20, plot.bottom + 3, 40, 13},
             Qt::AlignCenter);
        Text(this, kUpperFrequencies[column], {upper - 20, plot.top - 17, 40, 13}, Qt::AlignCenter);
    }
}

void CDSPDlgAttriEqualizer::MakeParametricControls() {
    const auto caption = [this](int id, const char* builtin, int x) {
        auto* label = new QLabel(shell::DialogString(kEqualizerDialog, id, builtin), this);
        label->setGeometry(x, 180, 110, 15);
    };
    caption(kBandListLabel, "当前波段", 12);
    m_bands = new QComboBox(this);
    shell::ui::SetControlId(m_bands, kBandList);
    m_bands->setGeometry(12, 197, 90, 22);
    for (std::int32_t band = 0; band < m_eq->BandCount(); ++band)
        m_bands->addItem(shell::FromUtf8(
            platform::text::format(resources::LoadString(kBandEntryString), band + 1)));
    connect(m_bands, &QComboBox::activated, this,
            [this](int index) { Forward([&] { return m_eq->OnBandSelected(index); }); });

    const char* const builtins[] = {"中心频率 (Hz)", "增益 (dB)", "带宽 (Oct)"};
    for (std::size_t i = 0; i < std::size(kFields); ++i) {
        const EEqField field = kFields[i];
        const int x = 130 + 120 * static_cast<int>(i);
        caption(kFieldLabels[i], builtins[i], x);
        Field& controls = m_fields[i];
        controls.edit = new CAttriValueEdit(this);
        shell::ui::SetControlId(controls.edit, kFieldEdits[i]);
        controls.edit->setGeometry(x, 197, 80, 22);
        controls.edit->SetEditHandler([this, field](EEditEvent event, const std::string& text) {
            Forward([&] {
                return event == EEditEvent::kFocusLost ? m_eq->OnFieldFocusLost(field)
                                                       : m_eq->OnFieldText(field, text);
            });
        });
        // An up-down button: a scroll bar's upper arrow lowers its value,
        // so it runs mirrored to make that arrow raise the field.
        controls.spin = new QScrollBar(Qt::Vertical, this);
        shell::ui::SetControlId(controls.spin, kFieldSpins[i]);
        const auto [low, high] = CAttriEqualizerController::SpinRange(field);
        controls.spin->setRange(low, high);
        controls.spin->setGeometry(x + 80, 197, 16, 22);
        connect(controls.spin, &QScrollBar::valueChanged, this, [this, field](int value) {
            Forward([&] { return m_eq->OnSpin(field, MirroredSpin(field, value)); });
        });
    }
}

void CDSPDlgAttriEqualizer::MakeSliders() {
    const std::span<const char* const> labels =
        CAttriEqualizerController::SliderLabels(m_eq->Module().m_subType);
    // The third-octave sliders stand a slider's width apart: smaller labels.
    const bool dense = m_eq->BandCount() > 15;
    const int labelWidth = dense ? kSliderWidth - 1 : 40;
    const QFont labelFont = LabelFont(dense ? 9 : 11);
    for (std::int32_t band = 0; band < m_eq->BandCount(); ++band) {
        auto* slider = new CMySliderCtrl(Qt::Vertical, kFirstBandSlider + band, this);
        shell::ui::SetControlId(slider, kFirstBandSlider + band);
        slider->SetRange(0, CAttriEqualizerController::kSliderRange);
        slider->SetPageSize(kSliderPage);
        slider->SetLineSize(1);
        slider->SetTickStyle(shell::kSliderNoTicks);
        const int centre = CEqResponse::X(CEqResponse::PointOf(m_eq->Frequency(band)));
        slider->setGeometry(centre - kSliderWidth / 2, kSliderTop, kSliderWidth, kSliderHeight);
        // Every end of a movement (release, key) commits this band.
        connect(slider, &CMySliderCtrl::Scrolled, this, [this, band, slider](unsigned, int code) {
            Forward([&] {
                return code == shell::SB_ENDSCROLL ? m_eq->OnSliderEnd(band)
                                                   : m_eq->OnSliderMoved(band, slider->GetPos());
            });
        });
        connect(slider, &CMySliderCtrl::AppNotify, this, [this, band](int, int code) {
            if (code == shell::kSliderThumbPressed)
                Forward([&] { return m_eq->OnSliderPressed(band); });
        });
        m_sliders[static_cast<std::size_t>(band)] = slider;
        if (static_cast<std::size_t>(band) < labels.size())
            Text(this, labels[static_cast<std::size_t>(band)],
                 {centre - labelWidth / 2, kSliderTop + kSliderHeight + 2, labelWidth, 14},
                 Qt::AlignCenter)
                ->setFont(labelFont);
    }
}

void CDSPDlgAttriEqualizer::MakeButtons(int top) {
    int x = 12;
    const auto button = [&](int id, const char* builtin, bool toggle, auto event) {
        auto* made = new CMyButton(this);
        shell::ui::SetControlId(made, id);
        made->setGeometry(x, top, kButtonWidth, kButtonHeight);
        // Wide buttons: a frame unit of one pixel keeps the lamp's rim thin.
        made->Attach(id, this,
                     toggle ? shell::CMyButtonCore::kModeToggle : shell::CMyButtonCore::kModePush,
                     kButtonWidth, 0);
        made->setText(shell::DialogString(kEqualizerDialog, id, builtin));
        x += kButtonWidth + 10;
        connect(made, &CMyButton::Command, this,
                [this, event] { Forward([&] { return event(*m_eq); }); });
        return made;
    };
    button(kFlattenBandButton, "整平波段", false,
           [](CAttriEqualizerController& eq) { return eq.FlattenBand(); });
    button(kFlattenAllButton, "整平所有波段", false,
           [](CAttriEqualizerController& eq) { return eq.FlattenAllBands(); });
    m_bypass = button(kBypassButton, "旁通", true,
                      [](CAttriEqualizerController& eq) { return eq.ToggleBypass(); });
    m_showBand = button(kShowBandButton, "显示波段", true,
                        [](CAttriEqualizerController& eq) { return eq.ToggleShowBand(); });
    m_showAll = button(kShowAllButton, "显示所有波段", true,
                       [](CAttriEqualizerController& eq) { return eq.ToggleShowAllBands(); });
    m_showPoints = button(kShowPointsButton, "显示拖点", true,
                          [](CAttriEqualizerController& eq) { return eq.ToggleShowDragPoints(); });
}

template <class Event> void CDSPDlgAttriEqualizer::Forward(Event&& event) {
    if (event())
        Show();
}

void CDSPDlgAttriEqualizer::Show() {
    if (m_bands != nullptr) {
        const QSignalBlocker quiet(m_bands);
        m_bands->setCurrentIndex(m_eq->CurrentBand());
    }
    for (std::size_t i = 0; i < std::size(kFields); ++i) {
        Field& controls = m_fields[i];
        if (controls.edit == nullptr)
            continue;
        controls.edit->SetText(m_eq->FieldText(kFields[i]));
        const QSignalBlocker quiet(controls.spin);
        controls.spin->setValue(MirroredSpin(kFields[i], m_eq->SpinPosition(kFields[i])));
    }
    for (std::int32_t band = 0; band < m_eq->BandCount(); ++band) {
        CMySliderCtrl* slider = m_sliders[static_cast<std::size_t>(band)];
        if (slider == nullptr)
            continue;
        // The slider reports from inside its own movement; a position it
        // already holds is left alone.
        if (slider->GetPos() != m_eq->SliderPosition(band))
            slider->SetPos(m_eq->SliderPosition(band));
        slider->setToolTip(QString::fromStdString(m_eq->SliderTooltip(band)));
    }
    m_bypass->SetState(m_eq->Bypass() ? 1 : 0);
    m_showBand->SetState(m_eq->ShowBand() ? 1 : 0);
    m_showAll->SetState(m_eq->ShowAllBands() ? 1 : 0);
    m_showPoints->SetState(m_eq->ShowDragPoints() ? 1 : 0);
    update();
}

void CDSPDlgAttriEqualizer::RefreshControls() {
    CDSPDlgAttriBase::RefreshControls();
    m_eq->Refresh();
    Show();
}

void CDSPDlgAttriEqualizer::OnSetDefaultValues() {
    Forward([this] { return m_eq->SetDefaultValues(); });
}

void CDSPDlgAttriEqualizer::paintEvent(QPaintEvent* event) {
    CDSPDlgAttriBase::paintEvent(event);
    QPainter painter(this);
    platform::gdi::QtCanvas canvas(painter);
    m_eq->Draw(canvas);
}

void CDSPDlgAttriEqualizer::mousePressEvent(QMouseEvent* event) {
    // The base takes the focus out of the fields first, which commits them.
    CDSPDlgAttriBase::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    Forward([&] { return m_eq->OnMouseDown(ToPoint(At(event))); });
    // A graphic band's point hands the keys to its slider.
    if (m_eq->Capturing() && m_eq->Graphic()) {
        if (CMySliderCtrl* slider = m_sliders[static_cast<std::size_t>(m_eq->CurrentBand())])
            slider->setFocus(Qt::MouseFocusReason);
    }
}

void CDSPDlgAttriEqualizer::mouseMoveEvent(QMouseEvent* event) {
    if (m_eq->Capturing())
        Forward([&] { return m_eq->OnMouseMove(ToPoint(At(event))); });
    CDSPDlgAttriBase::mouseMoveEvent(event);
}

void CDSPDlgAttriEqualizer::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_eq->Capturing())
        Forward([&] { return m_eq->OnMouseUp(ToPoint(At(event))); });
    CDSPDlgAttriBase::mouseReleaseEvent(event);
}

} // namespace attri_dialogs::ui
