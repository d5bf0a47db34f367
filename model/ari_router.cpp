#include "model/ari_router.h"

#include "model/ari_support.h"
#include "platform/text/format.h"

namespace model {

namespace pa = platform::archive;

ARCHIVE_IMPLEMENT_SERIAL(CAriRouter, CBaseAriModule, kSheetSchema);

std::int32_t CAriRouter::ChannelsOf(std::int32_t variant) {
    switch (variant) {
    case 1:
        return 4;
    case 2:
        return 8;
    case 3:
        return 16;
    default:
        return 0;
    }
}

CAriRouter::CAriRouter() {
    m_selectedInput.fill(1);
}

CAriRouter::CAriRouter(std::int32_t id, std::int32_t variant, std::int32_t x, std::int32_t y)
    : CBaseAriModule(id, kAriRouter, variant) {
    const std::int32_t n = ChannelsOf(variant);
    BuildLayout(x, y, {.inputs = n, .outputs = n, .extra = 35});
    LoadTypeColours(kTypeColourDefault, platform::gdi::kWhite);
    m_name = m_displayName = "Router-1";
    m_memoryCost = kMemoryCost;
    m_selectedInput.fill(1);
    if (n > 0) {
        m_typeName = platform::text::format("Router %d X %d", n, n);
        m_routeCount = n;
        m_timeCost = 42 * n + 20;
    }
}

void CAriRouter::Serialize(pa::archive_t& ar) {
    if (SerializesOwnFields(ar)) {
        SerializeCount(ar, m_routeCount, 0, kMaxOutputs, "a router output count");
        for (std::int32_t j = 0; j < m_routeCount; ++j)
            SerializeValue(ar, m_selectedInput[static_cast<std::size_t>(j)]);
    }
    SerializeAriBase(ar, *this);
}

void CAriRouter::CopyFrom(const CAriRouter& other) {
    CopyAriModuleBase(*this, other);
    m_routeCount = other.m_routeCount;
    m_selectedInput = other.m_selectedInput;
}

} // namespace model
