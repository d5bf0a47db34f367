#include "model/ari_delay.h"

#include <array>

#include "model/ari_support.h"
#include "platform/text/format.h"

namespace model {

namespace pa = platform::archive;

ARCHIVE_IMPLEMENT_SERIAL(CAriDelay, CBaseAriModule, kSheetSchema);

namespace {

constexpr std::array<double, 5> kMaxDelays = {5.0, 10.0, 20.0, 50.0, 100.0};

} // namespace

double CAriDelay::MaxDelayOf(std::int32_t variant) {
    if (variant < 1 || variant > static_cast<std::int32_t>(kMaxDelays.size()))
        return 0.0;
    return kMaxDelays[static_cast<std::size_t>(variant - 1)];
}

std::int32_t CAriDelay::MemoryCostOf(double maxDelayMs) {
    return static_cast<std::int32_t>(maxDelayMs * 48.0 + 22.0);
}

CAriDelay::CAriDelay() = default;

CAriDelay::CAriDelay(std::int32_t id, std::int32_t variant, std::int32_t x, std::int32_t y)
    : CBaseAriModule(id, kAriDelay, variant) {
    const double max_delay = MaxDelayOf(variant);
    const bool known = max_delay > 0.0;
    BuildLayout(x, y, {.inputs = known ? 1 : 0, .outputs = known ? 1 : 0});
    LoadTypeColours(kTypeColourDefault, platform::gdi::kWhite);
    m_name = m_displayName = "Delay-1";
    m_timeCost = kTimeCost;
    if (known) {
        m_typeName = platform::text::format("Delay %d ms", static_cast<int>(max_delay));
        m_maxDelay = m_delay = max_delay;
        m_memoryCost = MemoryCostOf(max_delay);
    }
}

void CAriDelay::Serialize(pa::archive_t& ar) {
    if (SerializesOwnFields(ar))
        SerializeFields(ar, m_bypass, m_maxDelay, m_delay);
    SerializeAriBase(ar, *this);
}

void CAriDelay::CopyFrom(const CAriDelay& other) {
    CopyAriModuleBase(*this, other);
    m_bypass = other.m_bypass;
    m_maxDelay = other.m_maxDelay;
    m_delay = other.m_delay;
}

} // namespace model
