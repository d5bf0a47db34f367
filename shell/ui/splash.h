#pragma once
// The splash window of the start-up: the product picture with the title,
// version, notice and product id over it, closed by its own timer once the
// main window shows.
#include <chrono>
#include <memory>
#include <string>

#include <QWidget>

#include "platform/gdi/canvas.h"
#include "shell/dib_bitmap.h"
#include "shell/main_frame_core.h"

namespace shell::ui {

// The picture's resource id; the picture itself is drawn by DrawSplashPicture.
inline constexpr int kSplashBitmap = 174;
// Where the text block starts on the picture.
inline constexpr platform::gdi::Point kSplashTextOrigin{250, 155};

// The product picture, 480 x 300.
CDibBitmap DrawSplashPicture();
// "<title> <version>\r\n<notice>\r\n<product id>" from strings 128, 131, 132
// and 133 of the installed language.
std::string SplashText();
// The picture at its own size with the text block over it in Arial 13,
// black on the picture; a line wider than the picture ends in "...".
void PaintSplash(platform::gdi::Canvas& dc, const CDibBitmap& picture);

class CDlgSplash final : public QWidget {
    Q_OBJECT
public:
    // Null for an empty picture: the start-up goes on without a splash. The
    // window is sized to the picture, centred on the screen and deletes
    // itself when closed. Without a timer it makes its own.
    static CDlgSplash* Create(CDibBitmap picture, std::unique_ptr<ITimer> timer = nullptr,
                              QWidget* parent = nullptr);

    // Closes the window `ms` after now (the start-up passes 750 once the
    // main window shows).
    void SetShowTime(std::chrono::milliseconds ms);

    const CDibBitmap& Picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CDlgSplash(CDibBitmap picture, std::unique_ptr<ITimer> timer, QWidget* parent);

    CDibBitmap m_picture;
    std::unique_ptr<ITimer> m_timer;
};

} // namespace shell::ui
