#include "shell/slider_geometry.h"

#include <algorithm>

namespace shell {

namespace gdi = platform::gdi;

CSliderGeometry::CSliderGeometry(bool horizontal, const gdi::Rect& client, gdi::Size thumbSize)
    : m_horizontal(horizontal), m_client(client), m_thumbSize(thumbSize) {
    // A 15-pixel margin at each end leaves room for the thumb's half and the
    // labels; across, the groove is the tenth of the control just below its
    // middle.
    if (horizontal) {
        const std::int32_t h = client.Height();
        m_channel = {client.left + 15, client.top + 9 * h / 20 + 1, client.right - 15,
                     client.top + 11 * h / 20 + 1};
    } else {
        const std::int32_t w = client.Width();
        m_channel = {client.left + 9 * w / 20 + 1, client.top + 15, client.left + 11 * w / 20 + 1,
                     client.bottom - 15};
    }
}

std::int32_t CSliderGeometry::ChannelStart() const {
    return m_horizontal ? m_channel.left : m_channel.top;
}

std::int32_t CSliderGeometry::ChannelLength() const {
    return m_horizontal ? m_channel.Width() : m_channel.Height();
}

gdi::Rect CSliderGeometry::ThumbAt(std::int32_t offset) const {
    const gdi::Point groove = m_channel.CenterPoint();
    const std::int32_t w = m_thumbSize.cx, h = m_thumbSize.cy;
    if (m_horizontal) {
        const std::int32_t left = ChannelStart() + offset - w / 2;
        const std::int32_t top = groove.y - h / 2;
        return {left, top, left + w, top + h};
    }
    const std::int32_t left = groove.x - w / 2;
    const std::int32_t top = ChannelStart() + offset - h / 2;
    return {left, top, left + w, top + h};
}

std::int32_t CSliderGeometry::OffsetOfPosition(std::int32_t position, std::int32_t minimum,
                                               std::int32_t maximum) const {
    const std::int64_t range = std::int64_t(maximum) - minimum;
    const std::int64_t length = ChannelLength();
    if (range <= 0 || length <= 0)
        return 0;
    return static_cast<std::int32_t>((std::int64_t(position) - minimum) * length / range);
}

std::int32_t CSliderGeometry::PositionAtOffset(std::int32_t offset, std::int32_t minimum,
                                               std::int32_t maximum) const {
    const std::int64_t range = std::int64_t(maximum) - minimum;
    const std::int64_t length = ChannelLength();
    if (range <= 0 || length <= 0)
        return minimum;
    return static_cast<std::int32_t>(minimum + std::int64_t(offset) * range / length);
}

std::vector<std::int32_t> CSliderGeometry::TickOffsets(std::int32_t minimum, std::int32_t maximum,
                                                       std::int32_t frequency) const {
    std::vector<std::int32_t> offsets;
    const std::int64_t range = std::int64_t(maximum) - minimum;
    const std::int32_t length = ChannelLength();
    if (range <= 0 || length <= 0 || frequency < 1)
        return offsets;
    // The k-th tick lies at k * frequency * length / range, in single
    // precision and truncated, as long as that is not beyond the end. Ticks
    // denser than the pixels would take one step per position (billions for
    // a wide range); they cover every pixel up to the end instead.
    if (range > std::int64_t(frequency) * length) {
        offsets.reserve(static_cast<std::size_t>(length) + 1);
        for (std::int32_t d = 0; d <= length; ++d)
            offsets.push_back(d);
        return offsets;
    }
    const float step = float(frequency) * float(length);
    for (std::int64_t k = 1; k <= std::int64_t(length) + 1; ++k) {
        const float exact = float(k) * step / float(range);
        if (exact >= float(length) + 1.0f)
            break;
        const auto d = static_cast<std::int32_t>(exact);
        if (offsets.empty() || offsets.back() != d)
            offsets.push_back(d);
    }
    return offsets;
}

gdi::Rect CSliderGeometry::FirstLabelBox() const {
    if (m_horizontal)
        return {m_channel.left - 15, m_channel.top, m_channel.left, m_channel.bottom};
    return {m_client.left, m_client.top, m_client.right, m_channel.top - 5};
}

gdi::Rect CSliderGeometry::SecondLabelBox() const {
    if (m_horizontal)
        return {m_channel.right, m_channel.top, m_channel.right + 10, m_channel.bottom};
    return {m_client.left, m_channel.bottom + 3, m_client.right, m_client.bottom};
}

CSliderGeometry::EHit CSliderGeometry::HitTest(gdi::Point p, const gdi::Rect& thumb) const {
    if (thumb.PtInRect(p))
        return EHit::Thumb;
    if (m_horizontal) {
        const std::int32_t top = std::min(m_channel.top, thumb.top);
        const std::int32_t bottom = std::max(m_channel.bottom, thumb.bottom);
        if (p.y < top || p.y >= bottom)
            return EHit::None;
        if (p.x < thumb.left)
            return EHit::BeforeThumb;
        return p.x >= thumb.right ? EHit::AfterThumb : EHit::None;
    }
    const std::int32_t left = std::min(m_channel.left, thumb.left);
    const std::int32_t right = std::max(m_channel.right, thumb.right);
    if (p.x < left || p.x >= right)
        return EHit::None;
    if (p.y < thumb.top)
        return EHit::BeforeThumb;
    return p.y >= thumb.bottom ? EHit::AfterThumb : EHit::None;
}

} // namespace shell
