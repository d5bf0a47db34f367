#include "model/device_chnl.h"

#include <utility>

#include "model/schema.h"

namespace model {

namespace pa = platform::archive;
namespace gdi = platform::gdi;

ARCHIVE_IMPLEMENT_SERIAL(CDeviceChnl, CBaseChnl, kSheetSchema);

CDeviceChnl::CDeviceChnl(std::string name, std::int32_t number, std::int32_t moduleId,
                         std::int32_t deviceSubType, const Rect& rect, std::int32_t direction,
                         std::int32_t kind, std::int32_t networkSend)
    : m_kind(kind), m_deviceSubType(deviceSubType), m_networkSend(networkSend) {
    m_name = std::move(name);
    m_number = number;
    m_moduleId = moduleId;
    m_rect = rect;
    m_direction = direction;
    m_colour = kDeviceChnlColour;
}

void CDeviceChnl::Serialize(pa::archive_t& ar) {
    if (ar.IsStoring()) {
        ar << m_kind << m_deviceSubType << m_networkSend << m_property << m_gainStep
           << m_phantomPower << m_connected;
    } else if (IsKnownSchema(ar.GetObjectSchema())) {
        ar >> m_kind >> m_deviceSubType >> m_networkSend >> m_property >> m_gainStep >>
            m_phantomPower >> m_connected;
    }
    m_links.Serialize(ar);
    ar.SerializeClass(CBaseChnl::class_record);
    CBaseChnl::Serialize(ar);
}

void CDeviceChnl::CopyFrom(const CDeviceChnl& other) {
    if (&other == this)
        return;
    // Every stored field, so that a channel put back by undo stores exactly
    // as it did before.
    const std::int32_t highlighted = m_highlighted;
    CBaseChnl::CopyFrom(other);
    m_highlighted = highlighted;
    m_kind = other.m_kind;
    m_deviceSubType = other.m_deviceSubType;
    m_networkSend = other.m_networkSend;
    m_property = other.m_property;
    m_gainStep = other.m_gainStep;
    m_phantomPower = other.m_phantomPower;
    m_connected = other.m_connected;
    m_links.clear();
    for (const auto& link : other.m_links) {
        auto copy = std::make_unique<CDeviceLink>();
        copy->CopyFrom(*link);
        m_links.push_back(std::move(copy));
    }
}

std::unique_ptr<CBaseChnl> CDeviceChnl::CreateCopy() const {
    auto copy = std::make_unique<CDeviceChnl>();
    copy->CopyFrom(*this);
    return copy;
}

CDeviceLink* CDeviceChnl::GetLink(int index) const {
    if (index < 0)
        return nullptr;
    return m_links.get(static_cast<std::size_t>(index));
}

bool CDeviceChnl::HasLink(std::int32_t linkId) const {
    for (const auto& link : m_links)
        if (link->m_id == linkId)
            return true;
    return false;
}

bool CDeviceChnl::AddLinkCopy(const CDeviceLink& link) {
    if (HasLink(link.m_id))
        return false;
    auto copy = std::make_unique<CDeviceLink>();
    copy->CopyFrom(link);
    m_links.push_back(std::move(copy));
    m_connected = 1;
    return true;
}

void CDeviceChnl::RemoveLink(std::int32_t linkId) {
    for (std::size_t i = 0; i < m_links.size(); ++i) {
        if (m_links[i]->m_id == linkId) {
            m_links.remove(i);
            if (m_links.empty())
                m_connected = 0;
            return;
        }
    }
}

void CDeviceChnl::Draw(Canvas& dc, bool deviceSelected, bool withLabel, const Rect* labelBox,
                       std::string_view label, COLORREF labelColour, std::int32_t dx,
                       std::int32_t dy) const {
    const Rect s = m_rect.Offset(dx, dy);
    COLORREF fill;
    if (m_connected == 1)
        fill = deviceSelected ? gdi::kRed : gdi::kBlack;
    else
        fill = m_property != 0 ? gdi::kWhite : kDeviceChnlColour;
    {
        gdi::CanvasStateSaver saved(dc);
        dc.SelectBrush(Brush::Solid(fill));
        if (m_kind == kChnlPhysical) {
            const Point corners[3] = {
                {s.left, s.top}, {s.left, s.bottom}, {s.right, s.top + (s.bottom - s.top) / 2}};
            dc.Polygon(corners);
        } else {
            dc.Rectangle(s);
        }
    }
    if (!withLabel || labelBox == nullptr)
        return;
    gdi::CanvasStateSaver saved(dc);
    dc.SetBkMode(gdi::TRANSPARENT);
    dc.SetTextColor(labelColour);
    dc.SelectFont(gdi::MakeFont("Arial", s.bottom - s.top + 2, gdi::FW_NORMAL, gdi::DEFAULT_CHARSET,
                                gdi::FF_SWISS));
    Rect box = labelBox->Offset(dx, dy);
    dc.DrawText(label, box,
                gdi::DT_SINGLELINE | gdi::DT_NOPREFIX | gdi::DT_END_ELLIPSIS |
                    (m_direction == 1 ? gdi::DT_RIGHT : gdi::DT_LEFT));
}

} // namespace model
