#include "shell/ui/splash.h"

#include "platform/gdi/qt_canvas.h"
#include "resources/string_table.h"
#include "shell/ui/qt_timer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace shell::ui {

namespace {

using platform::gdi::COLORREF;
using platform::gdi::RGB;

constexpr int kPictureWidth = 480;
constexpr int kPictureHeight = 300;
// Keeps the ellipsis off the picture's edge.
constexpr int kTextMargin = 10;

COLORREF Mix(COLORREF a, COLORREF b, double t)
{
    const auto channel = [t](int x, int y) {
        return static_cast<std::uint8_t>(std::lround(x + (y - x) * t));
    };
    return RGB(channel(platform::gdi::GetRValue(a), platform::gdi::GetRValue(b)),
               channel(platform::gdi::GetGValue(a), platform::gdi::GetGValue(b)),
               channel(platform::gdi::GetBValue(a), platform::gdi::GetBValue(b)));
}

} // namespace

CDibBitmap DrawSplashPicture()
{
    platform::gdi::Bitmap picture(kPictureWidth, kPictureHeight);
    const COLORREF top = RGB(18, 42, 92);
    const COLORREF bottom = RGB(88, 140, 206);
    for (int y = 0; y < kPictureHeight; ++y) {
        const COLORREF row = Mix(top, bottom, static_cast<double>(y) / (kPictureHeight - 1));
        for (int x = 0; x < kPictureWidth; ++x)
            picture.SetPixel(x, y, row);
    }
    // A level meter's bars on the left, the way the program shows a channel.
    for (int bar = 0; bar < 12; ++bar) {
        const int height =
            40 + static_cast<int>(std::lround(90 * std::fabs(std::sin(bar * 0.7 + 0.4))));
        const int left = 24 + bar * 16;
        for (int y = 250 - height; y < 250; ++y)
            for (int x = left; x < left + 10; ++x)
                picture.SetPixel(x, y, Mix(RGB(120, 230, 140), RGB(250, 210, 60),
                                           static_cast<double>(250 - y) / 130));
    }
    // A light panel under the text block, so black text reads on it.
    for (int y = 145; y < 235; ++y)
        for (int x = 240; x < kPictureWidth - 6; ++x)
            picture.SetPixel(x, y, RGB(232, 236, 242));
    return CDibBitmap(picture);
}

std::string SplashText()
{
    const auto text = [](int id) { return std::string(resources::LoadString(id)); };
    return text(128) + " " + text(131) + "\r\n" + text(132) + "\r\n" + text(133);
}

void PaintSplash(platform::gdi::Canvas& dc, const CDibBitmap& picture)
{
    picture.StretchDraw(dc, 0, 0, picture.Width(), picture.Height());
    dc.SelectFont(platform::gdi::MakeFont("Arial", 13, platform::gdi::FW_NORMAL,
                                          platform::gdi::DEFAULT_CHARSET,
                                          platform::gdi::FF_SWISS));
    dc.SetTextColor(platform::gdi::kBlack);
    dc.SetBkMode(platform::gdi::TRANSPARENT);
    const std::string text = SplashText();
    platform::gdi::Rect rect(kSplashTextOrigin.x, kSplashTextOrigin.y, picture.Width(),
                             picture.Height());
    dc.DrawText(text, rect, platform::gdi::DT_CALCRECT | platform::gdi::DT_NOPREFIX);
    rect.right = std::min<std::int32_t>(rect.right, picture.Width() - kTextMargin);
    rect.bottom = std::min<std::int32_t>(rect.bottom, picture.Height());
    dc.DrawText(text, rect, platform::gdi::DT_NOPREFIX | platform::gdi::DT_END_ELLIPSIS);
}

CDlgSplash* CDlgSplash::Create(CDibBitmap picture, std::unique_ptr<ITimer> timer, QWidget* parent)
{
    if (picture.IsEmpty())
        return nullptr;
    if (!timer)
        timer = std::make_unique<CQtTimer>();
    return new CDlgSplash(std::move(picture), std::move(timer), parent);
}

CDlgSplash::CDlgSplash(CDibBitmap picture, std::unique_ptr<ITimer> timer, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      m_picture(std::move(picture)), m_timer(std::move(timer))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(m_picture.Width(), m_picture.Height());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(screen->geometry().center());
        move(frame.topLeft());
    }
}

void CDlgSplash::SetShowTime(std::chrono::milliseconds ms)
{
    m_timer->Start(ms, [this] {
        m_timer->Stop();
        close();
    });
}

void CDlgSplash::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    platform::gdi::QtCanvas canvas(painter);
    PaintSplash(canvas, m_picture);
}

} // namespace shell::ui
