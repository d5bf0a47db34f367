#pragma once
// CBaseLink: a connection from an output channel of one sheet object to an
// input channel of another. Both sheets store a link input end first: the
// source pair names the receiving (input) channel, the destination pair the
// feeding (output) channel.
//
// Archive form (schema 2; 1 and 2 read alike): id, source module, source
// channel, destination module, destination channel, start point (8 bytes),
// end point (8 bytes), pen width, colour. Selection is view state: never
// stored, cleared on load. Under any other schema nothing is read.
#include <cstddef>
#include <cstdint>

#include "model/gdi_types.h"
#include "platform/archive/archive.h"

namespace model {

class CBaseLink : public platform::archive::serializable_t {
    ARCHIVE_DECLARE_SERIAL(CBaseLink)
public:
    // Ids, channels and points 0, not selected, pen width 1, black.
    CBaseLink() = default;
    CBaseLink(std::int32_t id, Point start, Point end, std::int32_t sourceModule,
              std::int32_t sourceChannel, std::int32_t destModule, std::int32_t destChannel);

    void Serialize(platform::archive::archive_t& ar) override;

    // True when (x, y) lies in the link's pick region: the union of two
    // four-corner polygons (alternate filling) around its middle stretch,
    // (sx-15, sy-3) (sx-15, sy+3) (ex+15, ey+3) (ex+15, ey-3) and
    // (sx-18, sy) (sx-12, sy) (ex+18, ey) (ex+12, ey). A point is inside a
    // polygon when the centre of its pixel is, so edges on the right and
    // bottom of a region fall outside as they do for rectangles.
    virtual bool HitTest(std::int32_t x, std::int32_t y) const;

    // Draws the link shifted by (dx, dy) with a solid pen of its width, red
    // when selected, else its colour: the polyline (S.x-10, S.y),
    // (S.x-15, S.y), (E.x+15, E.y), (E.x+10, E.y) with S = start + (dx, dy)
    // and E = end + (dx - 1, dy).
    virtual void Draw(Canvas& dc, std::int32_t dx, std::int32_t dy);

    std::int32_t m_id = 0;
    std::int32_t m_sourceModule = 0; // the receiving module (its input channel)
    std::int32_t m_sourceChannel = 0;
    std::int32_t m_destModule = 0; // the feeding module (its output channel)
    std::int32_t m_destChannel = 0;
    Point m_start;               // on the DSP sheet the receiving channel's centre
    Point m_end;                 // on the DSP sheet the feeding channel's centre
    std::int32_t m_selected = 0; // view state
    std::int32_t m_penWidth = 1;
    COLORREF m_colour = 0;
};

// Even-odd test of a pixel's centre against a closed polygon; shared by the
// link pick regions.
bool PixelInPolygon(const Point* corners, std::size_t count, Point pixel);

} // namespace model
