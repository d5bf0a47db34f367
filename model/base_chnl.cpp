#include "model/base_chnl.h"

#include "model/schema.h"
#include "platform/gdi/archive_forms.h"

namespace model {

namespace pa = platform::archive;

ARCHIVE_IMPLEMENT_SERIAL(CBaseChnl, pa::serializable_t, kSheetSchema);

void CBaseChnl::Serialize(pa::archive_t& ar) {
    if (ar.IsStoring()) {
        ar << m_direction << m_number << m_moduleId << m_peerChannel << m_peerModule
           << std::string_view(m_name) << m_linkCount;
        platform::gdi::SerializeRect(ar, m_rect);
        ar << m_colour << m_outlineColour;
        return;
    }
    if (IsKnownSchema(ar.GetObjectSchema())) {
        ar >> m_direction >> m_number >> m_moduleId >> m_peerChannel >> m_peerModule >> m_name >>
            m_linkCount;
        platform::gdi::SerializeRect(ar, m_rect);
        ar >> m_colour >> m_outlineColour;
    }
    m_highlighted = 0;
}

void CBaseChnl::CopyFrom(const CBaseChnl& other) {
    m_direction = other.m_direction;
    m_number = other.m_number;
    m_moduleId = other.m_moduleId;
    m_peerChannel = other.m_peerChannel;
    m_peerModule = other.m_peerModule;
    m_name = other.m_name;
    m_linkCount = other.m_linkCount;
    m_rect = other.m_rect;
    m_colour = other.m_colour;
    m_outlineColour = other.m_outlineColour;
}

std::unique_ptr<CBaseChnl> CBaseChnl::CreateCopy() const {
    auto copy = std::make_unique<CBaseChnl>();
    copy->CopyFrom(*this);
    return copy;
}

} // namespace model
