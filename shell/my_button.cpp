#include "shell/my_button.h"

#include <algorithm>
#include <map>

namespace shell {

namespace gdi = platform::gdi;

namespace {

// The route matrix's cell pictures: a socket on the button face, empty
// when not routed, with a green plug when routed, ringed in yellow for the
// focus look and all in greys when disabled.
gdi::Bitmap draw_route_picture(gdi::COLORREF ring, gdi::COLORREF hole, gdi::COLORREF plug,
                               gdi::COLORREF face) {
    const int n = kButtonPictureSize;
    gdi::Bitmap picture(n, n, face);
    const double c = (n - 1) / 2.0;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            const double dx = x - c, dy = y - c;
            const double d2 = dx * dx + dy * dy;
            if (d2 <= 7.5 * 7.5 && d2 > 5.5 * 5.5)
                picture.SetPixel(x, y, ring);
            else if (d2 <= 5.5 * 5.5 && d2 > 3.5 * 3.5)
                picture.SetPixel(x, y, hole);
            else if (d2 <= 3.5 * 3.5)
                picture.SetPixel(x, y, plug);
        }
    }
    return picture;
}

} // namespace

const gdi::Bitmap* LoadButtonPicture(int id) {
    static const std::map<int, gdi::Bitmap> pictures = {
        {kBitmapRouteNormal,
         draw_route_picture(0x404040, 0x202020, 0x202020, CMyButtonCore::kFace)},
        {kBitmapRouteSelected,
         draw_route_picture(0x404040, 0x202020, gdi::kGreen, CMyButtonCore::kFace)},
        {kBitmapRouteFocus, draw_route_picture(0x00C0E0, 0x202020, 0x202020, CMyButtonCore::kFace)},
        {kBitmapRouteDisabled,
         draw_route_picture(0xA0A0A0, 0xB8B8B8, 0xB8B8B8, CMyButtonCore::kFace)},
    };
    const auto it = pictures.find(id);
    return it == pictures.end() ? nullptr : &it->second;
}

// ---------------------------------------------------------------------------

std::vector<std::size_t> WalkDialogGroup(std::span<const DialogItemInfo> items, std::size_t self) {
    std::vector<std::size_t> met;
    if (self >= items.size())
        return met;
    std::size_t first = self;
    while (first > 0 && !items[first].groupStart)
        --first;
    std::size_t end = self + 1;
    while (end < items.size() && !items[end].groupStart)
        ++end;
    const auto next = [&](std::size_t from) {
        std::size_t i = from;
        for (std::size_t step = first; step < end; ++step) {
            i = (i + 1 < end) ? i + 1 : first;
            if (items[i].visible && items[i].enabled)
                return i;
        }
        return from; // nothing else in the group can be reached
    };
    const int id = items[self].controlId;
    std::size_t at = next(self);
    for (std::size_t guard = first; guard < end && items[at].controlId != id; ++guard) {
        met.push_back(at);
        at = next(at);
    }
    return met;
}

// ---------------------------------------------------------------------------

void CMyButtonCore::Setup(int mode, int divisor, int state) {
    m_mode = mode;
    m_divisor = std::max(divisor, 1);
    m_state = state;
}

void CMyButtonCore::SetPictures(const ButtonPictures& pictures) {
    m_pictures = pictures;
    m_hasPictures = true;
}

CMyButtonCore::Release CMyButtonCore::LButtonUp(bool inside) {
    const bool click = m_pressed && inside;
    m_pressed = false;
    if (!click)
        return {};
    switch (m_mode) {
    case kModeToggle:
        m_state = (m_state == 0) ? 1 : 0;
        return {true, false};
    case kModeRadio:
        if (m_state == 1)
            return {};
        m_state = 1;
        return {true, true};
    default:
        return {true, false};
    }
}

int CMyButtonCore::FrameUnit(const gdi::Rect& item) const {
    return std::max(item.Width(), item.Height()) / m_divisor;
}

gdi::Rect CMyButtonCore::LampRect(const gdi::Rect& item) const {
    gdi::Rect lamp = item;
    const int inset = 4 * FrameUnit(item);
    lamp.InflateRect(-inset, -inset);
    return lamp;
}

void CMyButtonCore::Draw(gdi::Canvas& dc, const gdi::Rect& item, std::string_view text,
                         bool enabled, bool focused) const {
    const bool on = m_state == 1;
    // Disabled wins over on and pressed; on and pressed-with-focus look
    // alike.
    const bool greyed = !enabled || (m_hasPictures && m_state == kPictureDisabled);
    const bool down = !greyed && (on || (m_pressed && focused));

    dc.FillSolidRect(item, kFace);
    if (down) {
        dc.DrawEdge(item, gdi::EDGE_SUNKEN, gdi::BF_TOPLEFT);
        dc.DrawEdge(item, gdi::BDR_SUNKENOUTER, gdi::BF_BOTTOMRIGHT);
    } else {
        dc.DrawEdge(item, gdi::EDGE_ETCHED, gdi::BF_TOPLEFT);
        dc.DrawEdge(item, gdi::EDGE_RAISED, gdi::BF_BOTTOMRIGHT);
    }

    const gdi::Rect lamp = LampRect(item);
    gdi::COLORREF text_colour;
    if (m_hasPictures) {
        int which = kPictureNormal;
        if (greyed)
            which = kPictureDisabled;
        else if (down)
            which = kPictureSelected;
        else if (m_state == kPictureFocus)
            which = kPictureFocus;
        const gdi::Bitmap& picture = m_pictures[static_cast<std::size_t>(which)];
        if (!picture.IsEmpty() && !lamp.IsRectEmpty()) {
            // Centred at its own size; shrunk to the lamp when it is larger.
            gdi::Rect dest = lamp;
            if (picture.Width() <= lamp.Width() && picture.Height() <= lamp.Height()) {
                const gdi::Point at{lamp.left + (lamp.Width() - picture.Width()) / 2,
                                    lamp.top + (lamp.Height() - picture.Height()) / 2};
                dest = gdi::Rect(at, gdi::Size{picture.Width(), picture.Height()});
            }
            dc.StretchBitmap(picture, dest);
        }
        text_colour = greyed ? kLampGreyText : gdi::kBlack;
    } else {
        gdi::COLORREF fill;
        if (greyed) {
            fill = kLampGrey;
            text_colour = kLampGreyText;
        } else if (down) {
            fill = kLampLit;
            text_colour = kLampLitText;
        } else {
            fill = kLampDark;
            text_colour = kLampDarkText;
        }
        dc.FillSolidRect(lamp, fill);
        // A one-pixel 3D rectangle: black top and left, white bottom and
        // right (which take the corners they share).
        dc.FillSolidRect({lamp.left, lamp.top, lamp.right - 1, lamp.top + 1}, gdi::kBlack);
        dc.FillSolidRect({lamp.left, lamp.top, lamp.left + 1, lamp.bottom - 1}, gdi::kBlack);
        dc.FillSolidRect({lamp.right - 1, lamp.top, lamp.right, lamp.bottom}, gdi::kWhite);
        dc.FillSolidRect({lamp.left, lamp.bottom - 1, lamp.right, lamp.bottom}, gdi::kWhite);
    }

    if (!text.empty()) {
        gdi::Rect text_rect = lamp;
        if (down)
            text_rect.OffsetRect(1, 1);
        const int old_mode = dc.SetBkMode(gdi::TRANSPARENT);
        const gdi::COLORREF old_colour = dc.SetTextColor(text_colour);
        dc.DrawText(text, text_rect, gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE);
        dc.SetTextColor(old_colour);
        dc.SetBkMode(old_mode);
    }
}

// ---------------------------------------------------------------------------

bool CStateBitmapButtonCore::SetState(int state) {
    m_state = (state >= kNormal && state <= kDisabled) ? state : kNormal;
    return m_state != kDisabled;
}

CStateBitmapButtonCore::Effect CStateBitmapButtonCore::MouseMove(bool inside) {
    Effect effect;
    if (!m_tracking && m_state == kNormal) {
        m_state = kHover;
        m_tracking = true;
        effect.repaint = true;
        effect.takeCapture = true;
    } else if (m_state == kHover && !inside) {
        m_state = kNormal;
        m_tracking = false;
        m_pressed = false;
        effect.repaint = true;
        effect.releaseCapture = true;
    }
    return effect;
}

CStateBitmapButtonCore::Effect CStateBitmapButtonCore::LButtonDown() {
    m_pressed = true;
    return {};
}

CStateBitmapButtonCore::Effect CStateBitmapButtonCore::LButtonUp(bool inside) {
    if (!(m_pressed && inside)) {
        m_pressed = false;
        return {};
    }
    m_pressed = false;
    m_tracking = false;
    m_state = kSelected;
    Effect effect;
    effect.repaint = true;
    effect.releaseCapture = true;
    effect.enable = true;
    effect.report = true;
    return effect;
}

CStateBitmapButtonCore::Effect CStateBitmapButtonCore::CaptureLost() {
    Effect effect;
    m_pressed = false;
    m_tracking = false;
    if (m_state == kHover) {
        m_state = kNormal;
        effect.repaint = true;
    }
    return effect;
}

void CStateBitmapButtonCore::Draw(gdi::Canvas& dc, const gdi::Rect& item,
                                  std::string_view text) const {
    const gdi::Bitmap& picture = m_pictures[static_cast<std::size_t>(m_state)];
    if (!picture.IsEmpty())
        dc.StretchBitmap(picture,
                         gdi::Rect(item.TopLeft(), gdi::Size{picture.Width(), picture.Height()}));
    const int width = m_pictures[kPictureNormal].Width();
    if (text.empty() || item.left + width > item.right)
        return;
    gdi::Rect text_rect{item.left + width + 2, item.top, item.right, item.bottom};
    const unsigned format = gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE;
    const int old_mode = dc.SetBkMode(gdi::TRANSPARENT);
    const gdi::COLORREF old_colour = dc.GetTextColor();
    if (m_state == kDisabled) {
        gdi::Rect raised = text_rect;
        raised.OffsetRect(1, 1);
        dc.SetTextColor(gdi::kEdgeHighlight);
        dc.DrawText(text, raised, format);
        dc.SetTextColor(gdi::kEdgeShadow);
        dc.DrawText(text, text_rect, format);
    } else {
        dc.SetTextColor(gdi::kBlack); // the window-text colour of the classic scheme
        dc.DrawText(text, text_rect, format);
    }
    dc.SetTextColor(old_colour);
    dc.SetBkMode(old_mode);
}

} // namespace shell
