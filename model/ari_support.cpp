#include "model/ari_support.h"

#include "platform/text/format.h"

namespace model {

namespace pa = platform::archive;
using platform::text::format;

void CopyAriModuleBase(CBaseAriModule& to, const CBaseAriModule& from) {
    if (&to == &from)
        return;
    to.m_id = from.m_id;
    to.m_typeCode = from.m_typeCode;
    to.m_subType = from.m_subType;
    to.m_typeName = from.m_typeName;
    to.m_name = from.m_name;
    to.m_inputCount = from.m_inputCount;
    to.m_outputCount = from.m_outputCount;
    to.m_body = from.m_body;
    to.m_selected = from.m_selected;
    to.m_title = from.m_title;
    to.m_colours = from.m_colours;
    to.m_order = from.m_order;
    to.m_memoryCost = from.m_memoryCost;
    to.m_timeCost = from.m_timeCost;
    to.m_group = from.m_group;
    to.m_groupName = from.m_groupName;
    to.m_hidden = from.m_hidden;
    to.m_displayName = from.m_displayName;
    to.m_channels.clear();
    for (const auto& channel : from.m_channels)
        to.m_channels.push_back(channel->CreateCopy());
}

bool SerializesOwnFields(pa::archive_t& ar) {
    return ar.IsStoring() || IsKnownSchema(ar.GetObjectSchema());
}

void SerializeAriBase(pa::archive_t& ar, CBaseAriModule& module) {
    ar.SerializeClass(CBaseAriModule::class_record);
    module.CBaseAriModule::Serialize(ar);
}

void SerializeCount(pa::archive_t& ar, std::int32_t& count, std::int32_t lo, std::int32_t hi,
                    std::string_view what) {
    const std::size_t at = ar.Tell();
    std::int32_t value = count;
    if (ar.IsLoading())
        ar >> value;
    if (value < lo || value > hi)
        throw pa::archive_error(at, format("%s from %d to %d, found %d", what, lo, hi, value));
    if (ar.IsStoring())
        ar << value;
    count = value;
}

void SerializeBiquad(pa::archive_t& ar, BiquadCoeffs& s) {
    SerializeFields(ar, s.b0, s.b1, s.b2, s.a1, s.a2);
}

} // namespace model
