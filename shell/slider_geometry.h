#pragma once
// Where the parts of the shared slider lie: the channel (groove) inside the
// client area, the thumb at a given place along it, the position a place
// stands for and back, the offsets of the intermediate ticks and the boxes
// of the two end labels. Pure arithmetic on the control's size; the slider
// model keeps the state and the widget shows it.
//
// Offsets are counted along the axis from the channel's start (its left
// edge, or its top edge for a vertical control) to the thumb's centre; the
// channel's length is right - left (bottom - top), so the maximum sits on
// the channel's right (bottom) edge. A control too small for its margins
// has a channel of no length or less: every position then lies at the
// channel's start.
#include <cstdint>
#include <vector>

#include "platform/gdi/geometry.h"

namespace shell {

class CSliderGeometry {
public:
    // Where a point lies: on the thumb, in the band of the groove before or
    // after the thumb, or elsewhere.
    enum class EHit { None, Thumb, BeforeThumb, AfterThumb };

    CSliderGeometry() = default;
    // `thumbSize` is the whole thumb, its picture plus a one-pixel edge.
    CSliderGeometry(bool horizontal, const platform::gdi::Rect& client,
                    platform::gdi::Size thumbSize);

    bool IsHorizontal() const { return m_horizontal; }
    const platform::gdi::Rect& Client() const { return m_client; }
    const platform::gdi::Rect& Channel() const { return m_channel; }
    platform::gdi::Size ThumbSize() const { return m_thumbSize; }

    // The channel's left (top) edge and its length, which may be 0 or less.
    std::int32_t ChannelStart() const;
    std::int32_t ChannelLength() const;

    // The thumb with its centre `offset` along the channel, centred across
    // on the groove.
    platform::gdi::Rect ThumbAt(std::int32_t offset) const;
    // The offset that shows `position` of [minimum, maximum] (truncated);
    // 0 for an empty range or a channel of no length.
    std::int32_t OffsetOfPosition(std::int32_t position, std::int32_t minimum,
                                  std::int32_t maximum) const;
    // The position that an offset within [0, ChannelLength()] stands for
    // (truncated); the minimum for a channel of no length.
    std::int32_t PositionAtOffset(std::int32_t offset, std::int32_t minimum,
                                  std::int32_t maximum) const;

    // The offsets of the intermediate ticks, one every `frequency` positions
    // from the minimum on, the last one not beyond the channel's end (a
    // tick on the end lies under the end tick). None for an empty range, a
    // channel of no length or a frequency below 1. Ticks closer than a pixel
    // fall on the same offset, which is given once.
    std::vector<std::int32_t> TickOffsets(std::int32_t minimum, std::int32_t maximum,
                                          std::int32_t frequency) const;

    // The boxes of the first (left, top) and the second (right, bottom)
    // end label.
    platform::gdi::Rect FirstLabelBox() const;
    platform::gdi::Rect SecondLabelBox() const;

    // Where `p` lies with the thumb at `thumb`. The groove's band runs along
    // the whole control and across covers the groove and the thumb.
    EHit HitTest(platform::gdi::Point p, const platform::gdi::Rect& thumb) const;

private:
    bool m_horizontal = true;
    platform::gdi::Rect m_client;
    platform::gdi::Rect m_channel;
    platform::gdi::Size m_thumbSize;
};

} // namespace shell
