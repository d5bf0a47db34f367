#include "shell/ui/pictures.h"

#include <QPixmapCache>

#include "resources/bitmaps.h"

#include <QPixmap>

namespace shell::ui {

QImage PictureImage(const platform::gdi::Bitmap* bitmap)
{
    if (!bitmap || bitmap->IsEmpty())
        return {};
    QImage image(bitmap->Width(), bitmap->Height(), QImage::Format_ARGB32);
    for (int y = 0; y < bitmap->Height(); ++y) {
        for (int x = 0; x < bitmap->Width(); ++x) {
            const platform::gdi::COLORREF c = bitmap->GetPixel(x, y);
            image.setPixel(x, y,
                           c == resources::kIconMask
                               ? qRgba(0, 0, 0, 0)
                               : qRgb(platform::gdi::GetRValue(c), platform::gdi::GetGValue(c),
                                      platform::gdi::GetBValue(c)));
        }
    }
    return image;
}

namespace {

QIcon IconOf(const platform::gdi::Bitmap* bitmap)
{
    const QImage image = PictureImage(bitmap);
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

} // namespace

QIcon IconPicture(int id)
{
    return IconOf(resources::LoadIcon(id));
}

QIcon ToolbarPicture(int commandId)
{
    return IconOf(resources::LoadToolbarPicture(commandId));
}

QIcon NetTypePicture(bool wired)
{
    return IconOf(resources::LoadNetTypePicture(wired));
}

QCursor CursorPicture(int id)
{
    const resources::CursorPicture* picture = resources::LoadCursorPicture(id);
    if (picture == nullptr)
        return QCursor(Qt::ArrowCursor);
    // Kept in Qt's cache: a view sets its cursor on every mouse move.
    const QString key = QStringLiteral("ostrel-cursor-%1").arg(id);
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap = QPixmap::fromImage(PictureImage(picture->bitmap));
        QPixmapCache::insert(key, pixmap);
    }
    return QCursor(pixmap, picture->hotX, picture->hotY);
}

} // namespace shell::ui
