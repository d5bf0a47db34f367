#include "attri_dialogs/ui/router_dialog.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>

#include "model/ari_router.h"
#include "platform/gdi/qt_canvas.h"
#include "resources/bitmaps.h"
#include "shell/dialog_texts.h"
#include "shell/ui/my_button_widget.h"
#include "shell/ui/pictures.h"

namespace attri_dialogs::ui {

namespace {

constexpr int kRouterDialog = 172;
constexpr int kCrossPoint = 1164;
constexpr int kChannelLabel = 1265;
// The resource's label ids: the inputs' every other id from "In 1"; "Out 1",
// then the other outputs' in a run.
constexpr int kFirstInputLabel = 1231;
constexpr int kFirstOutputLabel = 1232;
constexpr int kSecondOutputLabel = 1249;
// Where the resource has the output labels: beside the sixteenth input.
constexpr int kOutputLabelX = 345;
constexpr int kLabelWidth = 31;
constexpr int kLabelRowTop = 9;

const QIcon& PointIcon(bool selected) {
    static const QIcon selectedPoint(QPixmap::fromImage(
        shell::ui::PictureImage(resources::LoadBitmap(resources::kBitmapRouterSelected))));
    static const QIcon freePoint(QPixmap::fromImage(
        shell::ui::PictureImage(resources::LoadBitmap(resources::kBitmapRouterFree))));
    return selected ? selectedPoint : freePoint;
}

QRect RouterQRect(const platform::gdi::Rect& r) {
    return {r.left, r.top, r.Width(), r.Height()};
}

// "In 1" .. "In 9", "In10" .. "In16", likewise "Out".
QString RouterChannelLabel(const char* side, int number) {
    return QString::fromLatin1(side) + (number < 10 ? QString(" %1") : QString("%1")).arg(number);
}

QLabel* RouterLabel(QWidget* dialog, int id, const QString& text, QRect place) {
    auto* label = new QLabel(text, dialog);
    shell::ui::SetControlId(label, id);
    QFont font = label->font();
    font.setPixelSize(11);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(place);
    return label;
}

} // namespace

CDSPDlgAttriRouter::CDSPDlgAttriRouter(dsp_editor::CZoDSPView& view, model::CBaseAriModule& module,
                                       QWidget* parent, QWidget* viewWidget)
    : CDSPDlgAttriRouter(
          std::make_unique<CAttriRouterController>(view, dynamic_cast<model::CAriRouter&>(module)),
          parent, viewWidget) {}

CDSPDlgAttriRouter::CDSPDlgAttriRouter(std::unique_ptr<CAttriRouterController> controller,
                                       QWidget* parent, QWidget* viewWidget)
    : CDSPDlgAttriBase(*controller, parent, viewWidget, resources::kIconRouterDialog),
      m_router(std::move(controller)) {
    const RouterLayout layout = RouterLayoutOf(m_router->Variant());
    const int inputs = m_router->Inputs();
    const int outputs = m_router->Outputs();
    m_points.reserve(static_cast<std::size_t>(inputs * outputs));
    for (int input = 0; input < inputs; ++input) {
        for (int output = 0; output < outputs; ++output) {
            auto* point = new QPushButton(this);
            shell::ui::SetControlId(point, kCrossPoint);
            point->setCheckable(true);
            point->setAutoDefault(false);
            point->setIconSize({15, 13});
            point->setGeometry(RouterQRect(CrossPointRect(input, output)));
            // Each button knows its own cross-point.
            connect(point, &QPushButton::clicked, this,
                    [this, input, output] { OnCrossPoint(input, output); });
            m_points.push_back(point);
        }
    }
    const int outputLabelX = kOutputLabelX - layout.labelShift;
    for (int input = 0; input < inputs; ++input) {
        RouterLabel(this, kFirstInputLabel + 2 * input, RouterChannelLabel("In", input + 1),
                    {CrossPointRect(input, 0).left, kLabelRowTop, CrossPointRect(0, 0).Width(),
                     CrossPointRect(0, 0).Height()});
    }
    for (int output = 0; output < outputs; ++output) {
        const int id = output == 0 ? kFirstOutputLabel : kSecondOutputLabel + output - 1;
        RouterLabel(this, id, RouterChannelLabel("Out", output + 1),
                    {outputLabelX, CrossPointRect(0, output).top, kLabelWidth,
                     CrossPointRect(0, 0).Height()});
    }
    RouterLabel(this, kChannelLabel, shell::DialogString(kRouterDialog, kChannelLabel, "通道"),
                {outputLabelX, kLabelRowTop, kLabelWidth, CrossPointRect(0, 0).Height()});
    SetClientSize({layout.window.cx, layout.window.cy});
    SetLargestSize({layout.maxTrack.cx, layout.maxTrack.cy});
    RefreshControls();
    setFocus();
}

QPushButton* CDSPDlgAttriRouter::CrossPoint(int input, int output) const {
    const int outputs = m_router->Outputs();
    if (input < 0 || input >= m_router->Inputs() || output < 0 || output >= outputs)
        return nullptr;
    return m_points[static_cast<std::size_t>(input * outputs + output)];
}

void CDSPDlgAttriRouter::RefreshColumn(int output) {
    for (int input = 0; input < m_router->Inputs(); ++input) {
        if (QPushButton* point = CrossPoint(input, output)) {
            const bool selected = m_router->Selected(input, output);
            point->setChecked(selected);
            point->setIcon(PointIcon(selected));
        }
    }
}

void CDSPDlgAttriRouter::RefreshControls() {
    CDSPDlgAttriBase::RefreshControls();
    for (int output = 0; output < m_router->Outputs(); ++output)
        RefreshColumn(output);
}

void CDSPDlgAttriRouter::OnCrossPoint(int input, int output) {
    if (!m_router->Editable()) {
        RefreshControls();
        return;
    }
    m_router->OnCrossPoint(input, output);
    RefreshColumn(output);
    setFocus();
}

void CDSPDlgAttriRouter::paintEvent(QPaintEvent* event) {
    CDSPDlgAttriBase::paintEvent(event);
    QPainter painter(this);
    platform::gdi::QtCanvas canvas(painter);
    DrawRouterTable(canvas, m_router->Variant());
}

} // namespace attri_dialogs::ui
