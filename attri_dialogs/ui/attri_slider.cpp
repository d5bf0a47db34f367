#include "attri_dialogs/ui/attri_slider.h"

#include "attri_dialogs/slider_scale.h"

namespace attri_dialogs::ui {

CDSPDlgAttriSliderCtrl::CDSPDlgAttriSliderCtrl(IAttriSliderOwner& owner, bool horizontal,
                                               QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      m_owner(owner), m_horizontal(horizontal),
      m_trackbar(new QSlider(horizontal ? Qt::Horizontal : Qt::Vertical, this)) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    if (horizontal)
        setFixedSize(kLength, kBreadth);
    else
        setFixedSize(kBreadth, kLength);
    // Qt's vertical slider already has its maximum at the top.
    m_trackbar->setGeometry(rect());
    m_trackbar->setFocusPolicy(Qt::NoFocus);
    m_trackbar->setRange(kSliderMinimum, kSliderMaximum);
    m_trackbar->setTickInterval(kSliderTickFrequency);
    m_trackbar->setTickPosition(horizontal ? QSlider::TicksAbove : QSlider::TicksLeft);
    // Only the operator's moves trigger actions; setValue does not.
    connect(m_trackbar, &QSlider::actionTriggered, this, &CDSPDlgAttriSliderCtrl::OnAction);
    connect(m_trackbar, &QSlider::sliderReleased, this, [this] { m_owner.OnSliderReleased(); });
    hide();
}

void CDSPDlgAttriSliderCtrl::SetValue(std::int32_t position) {
    m_trackbar->setValue(position);
}

void CDSPDlgAttriSliderCtrl::OnAction(int action) {
    if (action == QAbstractSlider::SliderNoAction)
        return;
    // The position is already the new one; the value follows after this.
    m_owner.OnSliderMoving(m_trackbar->sliderPosition());
    // A click on the groove, a wheel turn: no thumb will be let go.
    if (!m_trackbar->isSliderDown())
        m_owner.OnSliderReleased();
}

void CDSPDlgAttriSliderCtrl::PlaceBeside(const QWidget& edit) {
    const QRect box(edit.mapToGlobal(QPoint(0, 0)), edit.size());
    if (m_horizontal)
        move(box.right() + 1, box.bottom() + 1 - height());
    else
        move(box.right() + 1 - width(), box.bottom() + 1);
    show();
    raise();
}

} // namespace attri_dialogs::ui
