#include "shell/ui/my_slider.h"

#include <optional>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "platform/gdi/qt_canvas.h"
#include "shell/slider_thumb.h"

namespace shell::ui {

namespace gdi = platform::gdi;

namespace {

gdi::Point to_point(const QPointF& p) {
    const QPoint q = p.toPoint();
    return {q.x(), q.y()};
}

std::optional<ESliderKey> slider_key(int key) {
    switch (key) {
    case Qt::Key_Left:
        return ESliderKey::Left;
    case Qt::Key_Up:
        return ESliderKey::Up;
    case Qt::Key_Right:
        return ESliderKey::Right;
    case Qt::Key_Down:
        return ESliderKey::Down;
    case Qt::Key_PageUp:
        return ESliderKey::PageUp;
    case Qt::Key_PageDown:
        return ESliderKey::PageDown;
    case Qt::Key_Home:
        return ESliderKey::Home;
    case Qt::Key_End:
        return ESliderKey::End;
    default:
        return std::nullopt;
    }
}

} // namespace

CMySliderCtrl::CMySliderCtrl(Qt::Orientation orientation, int controlId, QWidget* parent)
    : QWidget(parent), m_model(orientation == Qt::Horizontal,
                               SliderThumbPicture(orientation == Qt::Horizontal), controlId) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_model.SetNoticeHandler([this](const SliderNotice& notice) {
        if (notice.message == kSliderAppNotify)
            emit AppNotify(notice.wParam, notice.lParam);
        else
            emit Scrolled(notice.message, notice.code, notice.position);
    });
    m_model.SetInvalidateHandler([this](const gdi::Rect& r) {
        if (r.IsRectEmpty())
            update();
        else
            update(QRect(r.left, r.top, r.Width(), r.Height()));
    });
    m_model.SetClientRect({0, 0, width(), height()});
    m_model.SetEnabled(isEnabled());
}

void CMySliderCtrl::SetLabels(const QString& first, const QString& second) {
    m_model.SetLabels(first.toStdString(), second.toStdString());
}

QSize CMySliderCtrl::sizeHint() const {
    return m_model.IsHorizontal() ? QSize(160, 40) : QSize(40, 160);
}

void CMySliderCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    gdi::QtCanvas dc(painter);
    m_model.Paint(dc);
}

void CMySliderCtrl::resizeEvent(QResizeEvent* event) {
    m_model.SetClientRect({0, 0, width(), height()});
    QWidget::resizeEvent(event);
}

void CMySliderCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_model.OnLButtonDown(to_point(event->position()));
}

void CMySliderCtrl::mouseMoveEvent(QMouseEvent* event) {
    m_model.OnMouseMove(to_point(event->position()));
}

void CMySliderCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_model.OnLButtonUp(to_point(event->position()));
}

void CMySliderCtrl::keyPressEvent(QKeyEvent* event) {
    const std::optional<ESliderKey> key = slider_key(event->key());
    if (!key) {
        QWidget::keyPressEvent(event);
        return;
    }
    m_model.OnKeyDown(*key);
}

void CMySliderCtrl::keyReleaseEvent(QKeyEvent* event) {
    const std::optional<ESliderKey> key = slider_key(event->key());
    if (!key) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    // A held key repeats its press, not its release.
    if (!event->isAutoRepeat())
        m_model.OnKeyUp(*key);
}

void CMySliderCtrl::focusInEvent(QFocusEvent* event) {
    m_model.SetFocused(true);
    QWidget::focusInEvent(event);
}

// Qt tells a widget nothing when the mouse is taken from it; losing the
// focus, being hidden or disabled are the ways that happens here, and each
// ends a drag or paging as a release would.
void CMySliderCtrl::focusOutEvent(QFocusEvent* event) {
    m_model.OnCaptureLost();
    m_model.SetFocused(false);
    QWidget::focusOutEvent(event);
}

void CMySliderCtrl::hideEvent(QHideEvent* event) {
    m_model.OnCaptureLost();
    QWidget::hideEvent(event);
}

void CMySliderCtrl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled())
            m_model.OnCaptureLost();
        m_model.SetEnabled(isEnabled());
    }
    QWidget::changeEvent(event);
}

} // namespace shell::ui
