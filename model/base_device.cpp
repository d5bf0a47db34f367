#include "model/base_device.h"

#include "model/schema.h"

namespace model {

namespace pa = platform::archive;

ARCHIVE_IMPLEMENT_SERIAL(CBaseDevice, CBaseModule, kSheetSchema);

void CBaseDevice::Serialize(pa::archive_t& ar) {
    if (ar.IsStoring()) {
        ar << m_kind << std::string_view(m_mac) << std::string_view(m_ip) << m_flag;
    } else if (IsKnownSchema(ar.GetObjectSchema())) {
        ar >> m_kind >> m_mac >> m_ip >> m_flag;
    }
    ar.SerializeClass(CBaseModule::class_record);
    CBaseModule::Serialize(ar);
}

void CBaseDevice::SetName(const std::string& /*name*/, const TextMeasurer& /*dc*/) {}

void CBaseDevice::Draw(Canvas& /*dc*/, std::int32_t /*dx*/, std::int32_t /*dy*/) {}

int CBaseDevice::HitTest(Point pt, const DeviceMapping& dc) const {
    if (dc.LPtoDP(m_title).PtInRect(pt))
        return kHitTitle;
    for (std::size_t i = 0; i < m_channels.size(); ++i)
        if (dc.LPtoDP(m_channels[i]->m_rect).PtInRect(pt))
            return static_cast<int>(i);
    if (dc.LPtoDP(m_body).PtInRect(pt))
        return kHitBody;
    return kHitNothing;
}

Rect CBaseDevice::GetBoundRect() const {
    const bool plain_title =
        m_kind == kDeviceGeneric || m_kind == kDeviceMatrix || m_kind == kDeviceText;
    Rect bound;
    bound.UnionRect(m_body.Inflated(10, 10), plain_title ? m_title : m_title.Inflated(10, 10));
    return bound;
}

bool CBaseDevice::IsBodyInRect(const Rect& r) const {
    return r.PtInRect(m_body.TopLeft()) && r.PtInRect(m_body.BottomRight());
}

void CBaseDevice::Offset(std::int32_t dx, std::int32_t dy) {
    m_body.OffsetRect(dx, dy);
    m_title.OffsetRect(dx, dy);
    for (auto& channel : m_channels)
        channel->m_rect.OffsetRect(dx, dy);
}

void CBaseDevice::CopyFrom(const CBaseDevice& other) {
    if (&other == this)
        return;
    m_id = other.m_id;
    m_typeCode = other.m_typeCode;
    m_subType = other.m_subType;
    m_typeName = other.m_typeName;
    m_name = other.m_name;
    m_inputCount = other.m_inputCount;
    m_outputCount = other.m_outputCount;
    m_body = other.m_body;
    m_selected = other.m_selected;
    m_title = other.m_title;
    m_colours = other.m_colours;
    m_kind = other.m_kind;
    m_mac = other.m_mac;
    m_ip = other.m_ip;
    m_flag = other.m_flag;
    m_channels.clear();
    for (const auto& channel : other.m_channels)
        m_channels.push_back(channel->CreateCopy());
}

} // namespace model
