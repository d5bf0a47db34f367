#include "shell/ui/template_preview.h"

#include <cstdint>

#include <QImage>
#include <QPainter>

#include "platform/gdi/qt_canvas.h"

namespace shell::ui {

namespace gdi = platform::gdi;

namespace {

gdi::Bitmap DrawOffscreen(gdi::Size size, const std::function<void(gdi::Canvas&)>& draw) {
    QImage image(size.cx, size.cy, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        gdi::QtCanvas canvas(painter);
        draw(canvas);
    }
    gdi::Bitmap picture(size.cx, size.cy);
    for (int y = 0; y < size.cy; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < size.cx; ++x)
            picture.SetPixel(x, y,
                             gdi::RGB(static_cast<std::uint8_t>(qRed(line[x])),
                                      static_cast<std::uint8_t>(qGreen(line[x])),
                                      static_cast<std::uint8_t>(qBlue(line[x]))));
    }
    return picture;
}

} // namespace

CStaticPreviewAriTemplate::CStaticPreviewAriTemplate(QWidget* parent)
    : QWidget(parent), m_preview(DrawOffscreen) {
    setObjectName(QStringLiteral("CStaticPreviewAriTemplate"));
    // Every paint covers the whole widget.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CStaticPreviewAriTemplate::SetDocument(const IPreviewSheet* sheet) {
    m_preview.SetDocument(sheet);
    update();
}

void CStaticPreviewAriTemplate::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    gdi::QtCanvas canvas(painter);
    m_preview.Paint(canvas, {0, 0, width(), height()});
}

} // namespace shell::ui
