#pragma once
// The program's own pictures as Qt icons: the key colour of each picture is
// made transparent. A picture that does not exist gives a null icon.
#include <QCursor>
#include <QIcon>
#include <QImage>

#include "platform/gdi/bitmap.h"

namespace shell::ui {

// `bitmap` with its key-colour pixels transparent; null for none.
QImage PictureImage(const platform::gdi::Bitmap* bitmap);
// Icon resource `id` (32 x 32).
QIcon IconPicture(int id);
// The toolbar picture of a command (16 x 16).
QIcon ToolbarPicture(int commandId);
// The net-type button's picture.
QIcon NetTypePicture(bool wired);
// Cursor resource `id` with its hotspot; Qt's arrow when there is none.
QCursor CursorPicture(int id);

} // namespace shell::ui
