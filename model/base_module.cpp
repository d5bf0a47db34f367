#include "model/base_module.h"

#include "model/schema.h"
#include "platform/gdi/archive_forms.h"
#include "platform/text/format.h"

namespace model {

namespace pa = platform::archive;
using platform::text::format;

ARCHIVE_IMPLEMENT_SERIAL(CBaseModule, pa::serializable_t, kSheetSchema);

CBaseModule::~CBaseModule() = default;

CBaseChnl* CBaseModule::GetChnl(int index) const {
    if (index < 0)
        return nullptr;
    return m_channels.get(static_cast<std::size_t>(index));
}

void CBaseModule::Serialize(pa::archive_t& ar) {
    if (ar.IsStoring()) {
        ar << m_id << m_typeCode << m_subType << std::string_view(m_typeName)
           << std::string_view(m_name) << m_inputCount << m_outputCount;
        platform::gdi::SerializeRect(ar, m_body);
        ar << m_selected;
        platform::gdi::SerializeRect(ar, m_title);
        for (const COLORREF c : m_colours)
            ar << c;
        m_channels.Serialize(ar);
        return;
    }

    if (IsKnownSchema(ar.GetObjectSchema())) {
        ar >> m_id >> m_typeCode >> m_subType >> m_typeName >> m_name;
        const std::size_t counts_at = ar.Tell();
        ar >> m_inputCount >> m_outputCount;
        // Drawing and moving walk these counts over the channel array.
        const int limit = MaxChannelsPerSide();
        if (m_inputCount < 0 || m_inputCount > limit || m_outputCount < 0 || m_outputCount > limit)
            throw pa::archive_error(counts_at,
                                    format("input and output counts from 0 to %d, found %d and %d",
                                           limit, m_inputCount, m_outputCount));
        platform::gdi::SerializeRect(ar, m_body);
        ar >> m_selected;
        platform::gdi::SerializeRect(ar, m_title);
        for (COLORREF& c : m_colours)
            ar >> c;
    }
    const std::size_t array_at = ar.Tell();
    m_channels.Serialize(ar);
    m_selected = 0;
    const std::size_t expected =
        static_cast<std::size_t>(m_inputCount) + static_cast<std::size_t>(m_outputCount);
    if (m_channels.size() != expected)
        throw pa::archive_error(
            array_at,
            format("a channel array of %d inputs + %d outputs, found %u channels", m_inputCount,
                   m_outputCount, static_cast<unsigned>(m_channels.size())));
}

} // namespace model
