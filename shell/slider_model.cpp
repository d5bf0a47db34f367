#include "shell/slider_model.h"

#include <algorithm>

namespace shell {

namespace gdi = platform::gdi;

namespace {

// The classic scheme's face colour is its light colour.
constexpr gdi::COLORREF kFace = gdi::kEdgeLight;

// Each component halfway from a to b, truncated towards a.
gdi::COLORREF halfway(gdi::COLORREF a, gdi::COLORREF b) {
    const auto mid = [](int x, int y) { return static_cast<std::uint8_t>(x + (y - x) / 2); };
    return gdi::RGB(mid(gdi::GetRValue(a), gdi::GetRValue(b)),
                    mid(gdi::GetGValue(a), gdi::GetGValue(b)),
                    mid(gdi::GetBValue(a), gdi::GetBValue(b)));
}

gdi::Size thumb_size(const gdi::Bitmap& picture) {
    return {picture.Width() + 2, picture.Height() + 2};
}

} // namespace

CSliderModel::CSliderModel(bool horizontal, const gdi::Bitmap& thumbPicture, int controlId)
    : m_geometry(horizontal, {}, thumb_size(thumbPicture)), m_picture(thumbPicture),
      m_id(controlId) {
    PlaceThumb();
}

gdi::COLORREF CSliderModel::BackgroundUnfocused() {
    return gdi::kEdgeLight;
}

gdi::COLORREF CSliderModel::BackgroundDisabled() {
    return gdi::kEdgeLight;
}

gdi::COLORREF CSliderModel::ShadeLight() {
    return gdi::kEdgeHighlight;
}

gdi::COLORREF CSliderModel::ShadeMiddle() {
    return halfway(kFace, gdi::kEdgeShadow);
}

gdi::COLORREF CSliderModel::ShadeDark() {
    return halfway(gdi::kEdgeShadow, gdi::kEdgeDarkShadow);
}

gdi::LOGFONT CSliderModel::LabelFont() {
    return gdi::MakeFont("Arial", 12, gdi::FW_NORMAL, gdi::DEFAULT_CHARSET, gdi::FF_SWISS);
}

// -- the dialogs' interface

void CSliderModel::SetRange(int minimum, int maximum) {
    if (minimum > maximum)
        return;
    m_min = minimum;
    m_max = maximum;
    m_pos = std::clamp(m_pos, m_min, m_max);
    PlaceThumb();
    Invalidate();
}

void CSliderModel::SetPos(int position) {
    if ((m_pos == m_min && position < m_min) || (m_pos == m_max && position > m_max))
        return;
    m_pos = std::clamp(position, m_min, m_max);
    PlaceThumb();
}

int CSliderModel::SetPageSize(int size) {
    const int previous = GetPageSize();
    m_page = size;
    m_pageSet = true;
    return previous;
}

int CSliderModel::GetPageSize() const {
    if (m_pageSet)
        return m_page;
    return static_cast<int>(std::max<std::int64_t>(1, (std::int64_t(m_max) - m_min) / 5));
}

int CSliderModel::SetLineSize(int size) {
    const int previous = m_line;
    m_line = size;
    return previous;
}

void CSliderModel::SetTicFreq(int frequency) {
    if (frequency <= 0)
        return;
    m_ticFreq = frequency;
    Invalidate();
}

void CSliderModel::SetStyle(unsigned style) {
    m_style = style;
    Invalidate();
}

void CSliderModel::SetLabels(std::string first, std::string second) {
    m_labels[0] = std::move(first);
    m_labels[1] = std::move(second);
    Invalidate();
}

// -- the window's state

void CSliderModel::SetClientRect(const gdi::Rect& client) {
    m_geometry = CSliderGeometry(m_geometry.IsHorizontal(), client, thumb_size(m_picture));
    PlaceThumb();
    Invalidate();
}

void CSliderModel::SetFocused(bool focused) {
    if (m_focused == focused)
        return;
    m_focused = focused;
    Invalidate();
}

void CSliderModel::SetEnabled(bool enabled) {
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    Invalidate();
}

// -- input

void CSliderModel::OnLButtonDown(gdi::Point p) {
    if (m_dragging || m_paging)
        return;
    switch (m_geometry.HitTest(p, m_thumb)) {
    case CSliderGeometry::EHit::Thumb:
        m_dragging = true;
        m_pressPoint = p;
        m_pressOffset = m_thumbOffset;
        Scroll(SB_THUMBTRACK, m_pos);
        Notify(m_id, kSliderThumbPressed);
        break;
    // A page that moves nothing leaves nothing to end either: the click
    // reports nothing at all.
    case CSliderGeometry::EHit::BeforeThumb:
        if (Step(std::int64_t(m_pos) - GetPageSize())) {
            m_paging = true;
            Scroll(SB_PAGEUP);
        }
        break;
    case CSliderGeometry::EHit::AfterThumb:
        if (Step(std::int64_t(m_pos) + GetPageSize())) {
            m_paging = true;
            Scroll(SB_PAGEDOWN);
        }
        break;
    case CSliderGeometry::EHit::None:
        break;
    }
}

void CSliderModel::OnMouseMove(gdi::Point p) {
    const std::int32_t length = m_geometry.ChannelLength();
    if (!m_dragging || length <= 0)
        return;
    const std::int64_t moved = m_geometry.IsHorizontal() ? std::int64_t(p.x) - m_pressPoint.x
                                                         : std::int64_t(p.y) - m_pressPoint.y;
    const auto offset =
        static_cast<std::int32_t>(std::clamp<std::int64_t>(m_pressOffset + moved, 0, length));
    MoveThumb(offset);
    const int position = m_geometry.PositionAtOffset(offset, m_min, m_max);
    if (position != m_pos) {
        m_pos = position;
        Scroll(SB_THUMBTRACK, m_pos);
    }
}

void CSliderModel::OnLButtonUp(gdi::Point) {
    EndMouse();
}

void CSliderModel::OnCaptureLost() {
    EndMouse();
}

void CSliderModel::EndMouse() {
    if (m_dragging) {
        m_dragging = false;
        // The thumb followed the mouse; it comes to rest where the position
        // puts it.
        PlaceThumb();
        Scroll(SB_THUMBPOSITION, m_pos);
        Scroll(SB_ENDSCROLL);
        Invalidate();
        Notify(0, kSliderThumbReleased);
    } else if (m_paging) {
        m_paging = false;
        Scroll(SB_ENDSCROLL);
    }
}

bool CSliderModel::OnKeyDown(ESliderKey key) {
    const std::int64_t pos = m_pos;
    switch (key) {
    case ESliderKey::Left:
    case ESliderKey::Up:
        if (Step(pos - m_line))
            Scroll(SB_LINEUP);
        return true;
    case ESliderKey::Right:
    case ESliderKey::Down:
        if (Step(pos + m_line))
            Scroll(SB_LINEDOWN);
        return true;
    case ESliderKey::PageUp:
        if (Step(pos - GetPageSize()))
            Scroll(SB_PAGEUP);
        return true;
    case ESliderKey::PageDown:
        if (Step(pos + GetPageSize()))
            Scroll(SB_PAGEDOWN);
        return true;
    // The ends report even when the position is there already.
    case ESliderKey::Home:
        Step(m_min);
        Scroll(SB_TOP);
        return true;
    case ESliderKey::End:
        Step(m_max);
        Scroll(SB_BOTTOM);
        return true;
    }
    return false;
}

bool CSliderModel::OnKeyUp(ESliderKey) {
    Scroll(SB_ENDSCROLL);
    return true;
}

// -- helpers

bool CSliderModel::Step(std::int64_t target) {
    const int position = static_cast<int>(std::clamp<std::int64_t>(target, m_min, m_max));
    if (position == m_pos)
        return false;
    m_pos = position;
    PlaceThumb();
    return true;
}

void CSliderModel::PlaceThumb() {
    MoveThumb(m_geometry.OffsetOfPosition(m_pos, m_min, m_max));
}

void CSliderModel::MoveThumb(std::int32_t offset) {
    const gdi::Rect old = m_thumb;
    m_thumbOffset = offset;
    m_thumb = m_geometry.ThumbAt(offset);
    if (m_thumb == old)
        return;
    // The thumb's edge and nothing else changes there; ticks and labels lie
    // outside it.
    if (!old.IsRectEmpty())
        Invalidate(old);
    if (!m_thumb.IsRectEmpty())
        Invalidate(m_thumb);
}

void CSliderModel::Scroll(int code, int position) {
    SliderNotice notice;
    notice.message = m_geometry.IsHorizontal() ? kSliderHScroll : kSliderVScroll;
    notice.code = code;
    notice.position = (code == SB_THUMBPOSITION || code == SB_THUMBTRACK) ? position : 0;
    if (m_notice)
        m_notice(notice);
}

void CSliderModel::Notify(int wParam, int lParam) {
    SliderNotice notice;
    notice.message = kSliderAppNotify;
    notice.wParam = wParam;
    notice.lParam = lParam;
    if (m_notice)
        m_notice(notice);
}

void CSliderModel::Invalidate(const gdi::Rect& r) {
    if (m_invalidate)
        m_invalidate(r);
}

// -- painting

void CSliderModel::Paint(gdi::Canvas& dc) const {
    gdi::CanvasStateSaver saver(dc);
    const gdi::COLORREF background = !m_enabled  ? BackgroundDisabled()
                                     : m_focused ? kBackgroundFocused
                                                 : BackgroundUnfocused();
    dc.FillSolidRect(m_geometry.Client(), background);

    // The groove: a sunken, slightly rounded bar.
    const gdi::Rect& ch = m_geometry.Channel();
    if (!ch.IsRectEmpty()) {
        dc.FillSolidRect(ch, m_enabled ? kGrooveFill : BackgroundDisabled());
        if (ch.Width() >= 3 && ch.Height() >= 3) {
            const gdi::Point corners[] = {{ch.left, ch.top},
                                          {ch.right - 1, ch.top},
                                          {ch.left, ch.bottom - 1},
                                          {ch.right - 1, ch.bottom - 1}};
            for (const gdi::Point corner : corners)
                dc.FillSolidRect(gdi::Rect(corner, gdi::Size{1, 1}), background);
        }
        const auto line = [&dc](gdi::COLORREF colour, gdi::Point from, gdi::Point to) {
            dc.SelectPen(gdi::Pen::Solid(1, colour));
            dc.MoveTo(from);
            dc.LineTo(to);
        };
        // Shadow on the side towards the light (top, left), light on the far
        // side; the ends in the middle shade.
        if (m_geometry.IsHorizontal()) {
            line(ShadeDark(), {ch.left + 1, ch.top - 1}, {ch.right - 1, ch.top - 1});
            line(ShadeLight(), {ch.left + 1, ch.bottom}, {ch.right - 1, ch.bottom});
            line(ShadeMiddle(), {ch.left - 1, ch.top + 1}, {ch.left - 1, ch.bottom - 1});
            line(ShadeLight(), {ch.right, ch.top + 1}, {ch.right, ch.bottom - 1});
        } else {
            line(ShadeDark(), {ch.left - 1, ch.top + 1}, {ch.left - 1, ch.bottom - 1});
            line(ShadeLight(), {ch.right, ch.top + 1}, {ch.right, ch.bottom - 1});
            line(ShadeMiddle(), {ch.left + 1, ch.top - 1}, {ch.right - 1, ch.top - 1});
            line(ShadeLight(), {ch.left + 1, ch.bottom}, {ch.right - 1, ch.bottom});
        }
    }

    dc.StretchBitmap(m_picture, m_thumb.Inflated(-1, -1));
    dc.DrawEdge(m_thumb, gdi::EDGE_ETCHED, gdi::BF_LEFT | gdi::BF_TOP);
    dc.DrawEdge(m_thumb, gdi::EDGE_RAISED, gdi::BF_RIGHT | gdi::BF_BOTTOM);

    DrawTicks(dc);
}

void CSliderModel::DrawTicks(gdi::Canvas& dc) const {
    if ((m_style & kSliderNoTicks) != 0)
        return;
    gdi::CanvasStateSaver saver(dc);

    dc.SelectFont(LabelFont());
    dc.SetBkMode(gdi::TRANSPARENT);
    dc.SetTextColor(gdi::kBlack);
    constexpr unsigned kLabel = gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE |
                                gdi::DT_NOPREFIX | gdi::DT_END_ELLIPSIS;
    gdi::Rect first = m_geometry.FirstLabelBox(), second = m_geometry.SecondLabelBox();
    dc.DrawText(m_labels[0], first, kLabel);
    dc.DrawText(m_labels[1], second, kLabel);

    dc.SelectPen(gdi::Pen::Solid(1, gdi::kBlack));
    const gdi::Rect& ch = m_geometry.Channel();
    const gdi::Rect& th = m_thumb;
    // A pair of ticks at `at` along the axis, `length` pixels each, one on
    // either side of the thumb.
    const auto tick_pair = [&](std::int32_t at, std::int32_t length) {
        if (m_geometry.IsHorizontal()) {
            dc.MoveTo(at, th.top - 1);
            dc.LineTo(at, th.top - 1 - length);
            dc.MoveTo(at, th.bottom);
            dc.LineTo(at, th.bottom + length);
        } else {
            dc.MoveTo(th.left - 1, at);
            dc.LineTo(th.left - 1 - length, at);
            dc.MoveTo(th.right, at);
            dc.LineTo(th.right + length, at);
        }
    };
    const bool horizontal = m_geometry.IsHorizontal();
    tick_pair(horizontal ? ch.left : ch.top, 5);
    tick_pair(horizontal ? ch.right : ch.bottom, 5);
    if ((m_style & kSliderAutoTicks) != 0) {
        const std::int32_t start = m_geometry.ChannelStart();
        for (const std::int32_t d : m_geometry.TickOffsets(m_min, m_max, m_ticFreq))
            tick_pair(start + d, 3);
    }
}

} // namespace shell
