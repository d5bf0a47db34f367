#include "model/device_link.h"

#include <algorithm>

#include "model/device_chnl.h"
#include "model/device_document.h"
#include "model/schema.h"
#include "platform/gdi/archive_forms.h"

namespace model {

namespace pa = platform::archive;
namespace gdi = platform::gdi;

ARCHIVE_IMPLEMENT_SERIAL(CDeviceLink, CBaseLink, kSheetSchema);

void CDeviceLink::Serialize(pa::archive_t& ar) {
    const bool own = ar.IsStoring() || IsKnownSchema(ar.GetObjectSchema());
    if (own) {
        if (ar.IsStoring())
            ar << m_kind << m_drawnFromOutput << m_sourceSubType << m_destSubType << m_labelShown;
        else
            ar >> m_kind >> m_drawnFromOutput >> m_sourceSubType >> m_destSubType >> m_labelShown;
        gdi::SerializeSize(ar, m_labelSize);
        if (ar.IsStoring())
            ar << std::string_view(m_label);
        else
            ar >> m_label;
    }
    ar.SerializeClass(CBaseLink::class_record);
    CBaseLink::Serialize(ar);
}

void CDeviceLink::CopyFrom(const CDeviceLink& other) {
    if (&other == this)
        return;
    m_id = other.m_id;
    m_sourceModule = other.m_sourceModule;
    m_sourceChannel = other.m_sourceChannel;
    m_destModule = other.m_destModule;
    m_destChannel = other.m_destChannel;
    m_start = other.m_start;
    m_end = other.m_end;
    m_selected = other.m_selected;
    m_penWidth = other.m_penWidth;
    m_colour = other.m_colour;
    m_kind = other.m_kind;
    m_drawnFromOutput = other.m_drawnFromOutput;
    m_sourceSubType = other.m_sourceSubType;
    m_destSubType = other.m_destSubType;
    m_labelShown = other.m_labelShown;
    m_labelSize = other.m_labelSize;
    m_label = other.m_label;
}

int CDeviceLink::BeginAtChnl(const CDeviceChnl& chnl) {
    m_start = m_end = chnl.m_rect.CenterPoint();
    if (chnl.m_kind == kChnlPhysical || chnl.m_kind == kChnlNetwork)
        m_kind = chnl.m_kind;
    if (m_kind == kLinkNetwork)
        return chnl.m_name.empty() ? 0 : 1;
    return chnl.m_kind;
}

void CDeviceLink::HideLabel() {
    if (m_labelShown == 0)
        return;
    m_labelShown = 0;
    m_labelSize = {};
    m_label.clear();
}

Rect CDeviceLink::GetBoundRect() const {
    Rect bound{std::min(m_start.x, m_end.x), std::min(m_start.y, m_end.y),
               std::max(m_start.x, m_end.x), std::max(m_start.y, m_end.y)};
    bound.InflateRect(3, 3);
    if (m_labelShown != 0) {
        const Rect label{m_start.x, m_start.y - m_labelSize.cy, m_start.x + m_labelSize.cx,
                         m_start.y};
        const Rect spanned = bound;
        bound.UnionRect(spanned, label);
    }
    bound.InflateRect(1, 1);
    return bound;
}

bool CDeviceLink::IsInRect(const Rect& r) const {
    return r.PtInRect(m_end) && r.PtInRect(m_start);
}

namespace {

bool in_band(Point s, Point e, std::int32_t w, Point p) {
    const Point across[4] = {{s.x, s.y - w}, {s.x, s.y + w}, {e.x, e.y + w}, {e.x, e.y - w}};
    const Point along[4] = {{s.x - w, s.y}, {s.x + w, s.y}, {e.x + w, e.y}, {e.x - w, e.y}};
    return PixelInPolygon(across, 4, p) || PixelInPolygon(along, 4, p);
}

} // namespace

bool CDeviceLink::HitTest(std::int32_t x, std::int32_t y) const {
    return in_band(m_start, m_end, 3, {x, y});
}

bool CDeviceLink::HitTestDP(std::int32_t x, std::int32_t y, const DeviceMapping& dc,
                            std::int32_t halfWidth) const {
    if (halfWidth < 1)
        return false;
    return in_band(dc.LPtoDP(m_start), dc.LPtoDP(m_end), halfWidth, {x, y});
}

void CDeviceLink::DrawLink(Canvas& dc, const IDeviceDoc& doc, std::int32_t dx,
                           std::int32_t dy) const {
    if (m_kind != kLinkPhysical && m_kind != kLinkNetwork)
        return;
    const DeviceSheetSettings& sheet = doc.GetSheetSettings();
    const COLORREF colour = m_selected != 0           ? gdi::kRed
                            : m_kind == kLinkPhysical ? sheet.physicalLink
                                                      : sheet.networkLink;
    gdi::CanvasStateSaver saved(dc);
    dc.SelectPen(Pen::Solid(1, colour));
    const Point s{m_start.x + dx, m_start.y + dy};
    dc.MoveTo(s);
    dc.LineTo(m_end.x + dx, m_end.y + dy);
    if (m_labelShown == 0)
        return;
    dc.SetBkMode(gdi::TRANSPARENT);
    dc.SelectFont(gdi::MakeFont("Arial", 12));
    Rect box{s.x, s.y - m_labelSize.cy + 2, s.x + m_labelSize.cx, s.y + 2};
    dc.DrawText(m_label, box, gdi::DT_CENTER | gdi::DT_SINGLELINE);
}

} // namespace model
