#include "shell/ui/volume_bar_widget.h"

#include <QPainter>
#include <QResizeEvent>

#include "platform/gdi/qt_canvas.h"

namespace shell::ui {

CVolumeBarCtrl::CVolumeBarCtrl(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CVolumeBarCtrl"));
    m_bar.SetChangedHandler([this] { update(); });
}

QSize CVolumeBarCtrl::sizeHint() const
{
    return {16, m_bar.BarHeight()};
}

void CVolumeBarCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    platform::gdi::QtCanvas canvas(painter);
    m_bar.Paint(canvas, width());
}

CVolumeBarCtrl3::CVolumeBarCtrl3(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CVolumeBarCtrl3"));
    m_bar.SetChangedHandler([this] { update(); });
}

QSize CVolumeBarCtrl3::sizeHint() const
{
    return {12, 100};
}

void CVolumeBarCtrl3::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    platform::gdi::QtCanvas canvas(painter);
    m_bar.Paint(canvas, {width(), height()});
}

void CVolumeBarCtrl3::resizeEvent(QResizeEvent* event)
{
    m_bar.SetClientHeight(event->size().height());
    QWidget::resizeEvent(event);
}

} // namespace shell::ui
