#include "model/ari_meter.h"

#include "model/ari_support.h"

namespace model {

namespace pa = platform::archive;

ARCHIVE_IMPLEMENT_SERIAL(CAriMeter, CBaseAriModule, kSheetSchema);

std::int32_t CAriMeter::InputsOf(std::int32_t variant) {
    switch (variant) {
    case 1:
        return 1;
    case 2:
        return 2;
    case 3:
        return 4;
    case 4:
        return 8;
    default:
        return 0;
    }
}

CAriMeter::CAriMeter() = default;

CAriMeter::CAriMeter(std::int32_t id, std::int32_t variant, std::int32_t x, std::int32_t y)
    : CBaseAriModule(id, kAriMeter, variant) {
    const std::int32_t n = InputsOf(variant);
    BuildLayout(x, y, {.inputs = n, .outputs = 0});
    LoadTypeColours(kTypeColourDefault, platform::gdi::kWhite);
    m_name = m_displayName = "Meter-1";
    if (n > 0) {
        m_typeName = "RMS Meter";
        m_meterInputs = n;
    }
}

void CAriMeter::Serialize(pa::archive_t& ar) {
    if (SerializesOwnFields(ar)) {
        SerializeCount(ar, m_meterInputs, 0, kMaxInputs, "a meter input count");
        for (std::size_t i = 0; i < static_cast<std::size_t>(m_meterInputs); ++i) {
            PeakHold& p = m_peakHold[i];
            SerializeFields(ar, p.holdTime, p.holdOn, p.infinite);
        }
    }
    SerializeAriBase(ar, *this);
}

void CAriMeter::CopyFrom(const CAriMeter& other) {
    CopyAriModuleBase(*this, other);
    m_meterInputs = other.m_meterInputs;
    m_peakHold = other.m_peakHold;
}

} // namespace model
