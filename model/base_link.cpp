#include "model/base_link.h"

#include "model/schema.h"
#include "platform/gdi/archive_forms.h"

namespace model {

namespace pa = platform::archive;

ARCHIVE_IMPLEMENT_SERIAL(CBaseLink, pa::serializable_t, kSheetSchema);

CBaseLink::CBaseLink(std::int32_t id, Point start, Point end, std::int32_t sourceModule,
                     std::int32_t sourceChannel, std::int32_t destModule, std::int32_t destChannel)
    : m_id(id), m_sourceModule(sourceModule), m_sourceChannel(sourceChannel),
      m_destModule(destModule), m_destChannel(destChannel), m_start(start), m_end(end) {}

void CBaseLink::Serialize(pa::archive_t& ar) {
    if (ar.IsStoring()) {
        ar << m_id << m_sourceModule << m_sourceChannel << m_destModule << m_destChannel;
        platform::gdi::SerializePoint(ar, m_start);
        platform::gdi::SerializePoint(ar, m_end);
        ar << m_penWidth << m_colour;
        return;
    }
    if (IsKnownSchema(ar.GetObjectSchema())) {
        ar >> m_id >> m_sourceModule >> m_sourceChannel >> m_destModule >> m_destChannel;
        platform::gdi::SerializePoint(ar, m_start);
        platform::gdi::SerializePoint(ar, m_end);
        ar >> m_penWidth >> m_colour;
    }
    m_selected = 0;
}

bool PixelInPolygon(const Point* corners, std::size_t count, Point pixel) {
    // Work in doubled coordinates so that the pixel centre (x + 0.5) is an
    // integer; 64 bits keep every product exact.
    const std::int64_t px = 2 * std::int64_t(pixel.x) + 1, py = 2 * std::int64_t(pixel.y) + 1;
    bool inside = false;
    for (std::size_t i = 0, j = count - 1; i < count; j = i++) {
        const std::int64_t xi = 2 * std::int64_t(corners[i].x), yi = 2 * std::int64_t(corners[i].y);
        const std::int64_t xj = 2 * std::int64_t(corners[j].x), yj = 2 * std::int64_t(corners[j].y);
        // The centre's y is never on a corner's y (odd against even), so
        // horizontal edges and corners need no special case.
        if ((yi > py) == (yj > py))
            continue;
        // Crossing to the right of the centre: x of the edge at py > px.
        const std::int64_t lhs = (xj - xi) * (py - yi);
        const std::int64_t rhs = (px - xi) * (yj - yi);
        if (yj > yi ? lhs > rhs : lhs < rhs)
            inside = !inside;
    }
    return inside;
}

bool CBaseLink::HitTest(std::int32_t x, std::int32_t y) const {
    const std::int32_t sx = m_start.x, sy = m_start.y, ex = m_end.x, ey = m_end.y;
    const Point band[4] = {
        {sx - 15, sy - 3}, {sx - 15, sy + 3}, {ex + 15, ey + 3}, {ex + 15, ey - 3}};
    const Point slant[4] = {{sx - 18, sy}, {sx - 12, sy}, {ex + 18, ey}, {ex + 12, ey}};
    const Point p{x, y};
    return PixelInPolygon(band, 4, p) || PixelInPolygon(slant, 4, p);
}

void CBaseLink::Draw(Canvas& dc, std::int32_t dx, std::int32_t dy) {
    platform::gdi::CanvasStateSaver saved(dc);
    dc.SelectPen(Pen::Solid(m_penWidth, m_selected ? platform::gdi::kRed : m_colour));
    const Point s{m_start.x + dx, m_start.y + dy};
    const Point e{m_end.x + dx - 1, m_end.y + dy};
    const Point line[4] = {{s.x - 10, s.y}, {s.x - 15, s.y}, {e.x + 15, e.y}, {e.x + 10, e.y}};
    dc.Polyline(line);
}

} // namespace model
