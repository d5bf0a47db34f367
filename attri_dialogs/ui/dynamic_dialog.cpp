#include "attri_dialogs/ui/dynamic_dialog.h"

#include <QEvent>
#include <QFont>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>

#include <string>

#include "platform/gdi/qt_canvas.h"
#include "resources/bitmaps.h"
#include "shell/dialog_texts.h"
#include "shell/my_button.h"
#include "shell/ui/my_button_widget.h"
#include "shell/ui/text_fit.h"

namespace attri_dialogs::ui {

using shell::ui::CMyButton;
using EHandle = CDynamicTransferCurve::EHandle;

namespace {

constexpr int kDynamicDialog = 158;

// Controls, in column order: threshold, ratio, target, attack, release.
constexpr std::array<int, CAttriDynamicController::kColumns> kTrackIds{1092, 1093, 1096, 1094,
                                                                       1095};
constexpr std::array<int, CAttriDynamicController::kColumns> kEditIds{1099, 1101, 1108, 1103, 1004};
constexpr std::array<int, CAttriDynamicController::kColumns> kLabelIds{1098, 1100, 1106, 1102,
                                                                       1104};
constexpr std::array<const char*, CAttriDynamicController::kColumns> kLabels{
    "电平阀值(dB)", "压缩比例", "输出目标电平(dB)", "启动时间(ms)", "恢复时间(ms)"};
constexpr int kBypassButton = 1089;
constexpr int kBypassLabel = 1105;
constexpr int kSlowLabel = 1229;
constexpr int kFastLabel = 1230;

// The columns stand right of the graph, one every 62 pixels, in the order
// threshold, ratio, target, attack, release, bypass; kinds without some of
// them move the later ones left by the controller's shifts.
constexpr int kFirstColumn = 196;
constexpr int kColumnPitch = 62;
constexpr int kBypassSlot = 5;
constexpr int kLabelTop = 6;
constexpr int kLabelHeight = 30;
constexpr int kTrackTop = 40;
constexpr int kTrackHeight = 100;
constexpr int kTrackLeft = 18; // in its column
constexpr int kTrackWidth = 26;
constexpr int kEditTop = 146;

std::size_t Index(CAttriDynamicController::EColumn column) {
    return static_cast<std::size_t>(column);
}

int ColumnX(std::size_t slot) {
    return kFirstColumn + static_cast<int>(slot) * kColumnPitch;
}

QFont SmallFont(const QWidget& widget, int pixels) {
    QFont font = widget.font();
    font.setPixelSize(pixels);
    return font;
}

// The dB scales beside and under the graph.
void GraphScales(QWidget* dialog) {
    const platform::gdi::Rect& plot = CDynamicTransferCurve::kPlot;
    const QFont font = SmallFont(*dialog, 9);
    const auto label = [&](const QString& text, QRect place, Qt::Alignment alignment) {
        auto* scale = new QLabel(text, dialog);
        scale->setFont(font);
        scale->setAlignment(alignment | Qt::AlignVCenter);
        scale->setGeometry(place);
    };
    const int step = CDynamicTransferCurve::kGridStep;
    for (int k = 0, db = 12; db >= -60; ++k, db -= 12)
        label(QString::number(db), {plot.left - 24, plot.top + k * step - 6, 21, 12},
              Qt::AlignRight);
    for (int k = 1, db = -48; db <= 12; ++k, db += 12)
        label(QString::number(db), {plot.left + k * step - 12, plot.bottom + 3, 24, 12},
              Qt::AlignHCenter);
}

platform::gdi::Point PointOf(const QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    return {at.x(), at.y()};
}

} // namespace

CDSPDlgAttriDynamic::CDSPDlgAttriDynamic(dsp_editor::CZoDSPView& view,
                                         model::CBaseAriModule& module, QWidget* parent,
                                         QWidget* viewWidget)
    : CDSPDlgAttriDynamic(std::make_unique<CAttriDynamicController>(
                              view, dynamic_cast<model::CAriDynamic&>(module)),
                          parent, viewWidget) {}

CDSPDlgAttriDynamic::CDSPDlgAttriDynamic(std::unique_ptr<CAttriDynamicController> controller,
                                         QWidget* parent, QWidget* viewWidget)
    : CDSPDlgAttriBase(controller->Base(), parent, viewWidget, resources::kIconDynamicDialog),
      m_dynamic(std::move(controller)) {
    SetClientSize(DialogUnitsToPixels(388, 111));
    SetLargestSize({CAttriDynamicController::kMaxWidth, CAttriDynamicController::kMaxHeight});
    // The handles light up under the pointer without a button held.
    setMouseTracking(true);

    for (EColumn column : {EColumn::kThreshold, EColumn::kRatio, EColumn::kTarget, EColumn::kAttack,
                           EColumn::kRelease})
        MakeColumn(column, ColumnX(Index(column)));
    const QFont small = SmallFont(*this, 11);
    m_slow = new QLabel(shell::DialogString(kDynamicDialog, kSlowLabel, "慢"), this);
    m_fast = new QLabel(shell::DialogString(kDynamicDialog, kFastLabel, "快"), this);
    for (QLabel* label : {m_slow, m_fast}) {
        label->setFont(small);
        label->setAlignment(Qt::AlignCenter);
    }
    m_bypassLabel = new QLabel(shell::DialogString(kDynamicDialog, kBypassLabel, "旁通"), this);
    m_bypassLabel->setFont(small);
    m_bypassLabel->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    m_bypass = new CMyButton(this);
    m_bypass->SetMode(shell::CMyButtonCore::kModeToggle);
    shell::ui::SetControlId(m_bypass, kBypassButton);
    connect(m_bypass, &CMyButton::Command, this, [this] {
        m_dynamic->OnBypassClick();
        Show();
    });
    GraphScales(this);
    LayOut();
    Show();
    shell::ui::FitLabelTexts(*this);
}

void CDSPDlgAttriDynamic::MakeColumn(EColumn column, int x) {
    Column& controls = m_columns[Index(column)];
    controls.label = new QLabel(
        shell::DialogString(kDynamicDialog, kLabelIds[Index(column)], kLabels[Index(column)]),
        this);
    controls.label->setFont(SmallFont(*this, 11));
    controls.label->setWordWrap(true);
    controls.label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    controls.label->setGeometry(x, kLabelTop, kColumnPitch - 2, kLabelHeight);

    const CAttriDynamicController::Track range = m_dynamic->TrackOf(column);
    controls.track = new QSlider(Qt::Vertical, this);
    shell::ui::SetControlId(controls.track, kTrackIds[Index(column)]);
    // Position 0 at the top, as the controller counts.
    controls.track->setInvertedAppearance(true);
    controls.track->setInvertedControls(true);
    controls.track->setRange(range.minimum, range.maximum);
    controls.track->setTickInterval(range.tick);
    controls.track->setPageStep(range.tick);
    controls.track->setTickPosition(QSlider::TicksBothSides);
    controls.track->setGeometry(x + kTrackLeft, kTrackTop, kTrackWidth, kTrackHeight);
    QSlider* track = controls.track;
    connect(track, &QSlider::valueChanged, this, [this, column, track](int position) {
        m_dynamic->OnTrackMoving(column, position);
        // A click beside the thumb or a key steps it without a drag: that
        // step is released at once.
        if (!track->isSliderDown())
            m_dynamic->OnTrackReleased(column);
        Show();
    });
    connect(track, &QSlider::sliderReleased, this, [this, column] {
        m_dynamic->OnTrackReleased(column);
        Show();
    });

    controls.edit = new CAttriValueEdit(this);
    shell::ui::SetControlId(controls.edit, kEditIds[Index(column)]);
    controls.edit->setGeometry(x + 4, kEditTop, kColumnPitch - 8, 20);
    controls.edit->SetEditHandler([this, column](EEditEvent event, const std::string& text) {
        m_dynamic->Edit(column).text = text;
        m_dynamic->OnEdit(column, event);
        Show();
    });
}

// What the kind shows, and where.
void CDSPDlgAttriDynamic::LayOut() {
    const CAttriDynamicController::DynamicLayout layout = m_dynamic->Layout();
    const auto place = [this](EColumn column, bool shown, int shift) {
        const Column& controls = m_columns[Index(column)];
        const int dx = -shift;
        for (QWidget* widget :
             {static_cast<QWidget*>(controls.label), static_cast<QWidget*>(controls.track),
              static_cast<QWidget*>(controls.edit)}) {
            widget->setVisible(shown);
            widget->setEnabled(shown);
            widget->move(widget->x() + dx, widget->y());
        }
    };
    place(EColumn::kRatio, layout.ratioShown, 0);
    place(EColumn::kTarget, layout.targetShown, 0);
    place(EColumn::kAttack, layout.timesShown, layout.timesShift);
    place(EColumn::kRelease, layout.timesShown, layout.timesShift);
    if (layout.attackLabel != 0)
        m_columns[Index(EColumn::kAttack)].label->setText(shell::StringText(layout.attackLabel));
    if (layout.ratioLabel != 0)
        m_columns[Index(EColumn::kRatio)].label->setText(shell::StringText(layout.ratioLabel));

    // Slow and fast stand between the attack and release trackbars, in
    // the whole gap between them (a word of the pack may be wider than the
    // Chinese character).
    const int gap = kColumnPitch - kTrackWidth - 2;
    const int between = ColumnX(Index(EColumn::kRelease)) - layout.timesShift + kTrackLeft -
                        kColumnPitch + kTrackWidth + 1;
    m_slow->setGeometry(between, kTrackTop, gap, 14);
    m_fast->setGeometry(between, kTrackTop + kTrackHeight - 14, gap, 14);
    m_slow->setVisible(layout.timesShown);
    m_fast->setVisible(layout.timesShown);
    const int bypassX = ColumnX(kBypassSlot) - layout.bypassShift;
    m_bypassLabel->setGeometry(bypassX, kLabelTop, kColumnPitch - 2, kLabelHeight);
    m_bypass->setGeometry(bypassX + 6, kTrackTop + 30, 48, 22);
}

void CDSPDlgAttriDynamic::Show() {
    for (EColumn column : {EColumn::kThreshold, EColumn::kRatio, EColumn::kTarget, EColumn::kAttack,
                           EColumn::kRelease}) {
        Column& controls = m_columns[Index(column)];
        controls.edit->SetText(m_dynamic->Edit(column).text);
        const QSignalBlocker quiet(controls.track);
        controls.track->setValue(m_dynamic->Position(column));
    }
    ShowToggle(*m_bypass, m_dynamic->Bypass());
    update();
}

void CDSPDlgAttriDynamic::RefreshControls() {
    CDSPDlgAttriBase::RefreshControls();
    m_dynamic->Refresh();
    Show();
}

void CDSPDlgAttriDynamic::OnSetDefaultValues() {
    m_dynamic->SetDefaultValues();
    Show();
}

void CDSPDlgAttriDynamic::paintEvent(QPaintEvent* event) {
    CDSPDlgAttriBase::paintEvent(event);
    QPainter painter(this);
    platform::gdi::QtCanvas canvas(painter);
    m_dynamic->Curve().Draw(canvas);
}

void CDSPDlgAttriDynamic::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_dynamic->OnGraphDown(PointOf(event))) {
        CDSPDlgAttriBase::mousePressEvent(event);
        return;
    }
    Show();
}

void CDSPDlgAttriDynamic::mouseMoveEvent(QMouseEvent* event) {
    if (m_dynamic->OnGraphMove(PointOf(event)))
        Show();
    CDSPDlgAttriBase::mouseMoveEvent(event);
}

void CDSPDlgAttriDynamic::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_dynamic->Curve().Dragging() == EHandle::kNone) {
        CDSPDlgAttriBase::mouseReleaseEvent(event);
        return;
    }
    m_dynamic->OnGraphUp();
    Show();
}

// The window losing the activation in a drag loses the mouse with it: the
// dragged value applies as a release would apply it.
void CDSPDlgAttriDynamic::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() &&
        m_dynamic->OnCaptureChanged())
        Show();
    CDSPDlgAttriBase::changeEvent(event);
}

} // namespace attri_dialogs::ui
