#pragma once
// CAriRouter: picks one input for each output (type 4); variants 1, 2, 3
// are 4 x 4, 8 x 8 and 16 x 16, channels "In %d" and "Out %d".
//
// Archive form (own fields, then the DSP module base): output count, then
// per output the selected input (1-based). A stored count outside 0 to 16
// is the archive's format error.
#include <array>
#include <cstdint>

#include "model/base_ari_module.h"

namespace model {

class CAriRouter : public CBaseAriModule {
    ARCHIVE_DECLARE_SERIAL(CAriRouter)
public:
    static constexpr COLORREF kTypeColourDefault = 0x008200;
    static constexpr std::int32_t kMemoryCost = 169;
    static constexpr std::int32_t kMaxOutputs = 16;

    CAriRouter();
    CAriRouter(std::int32_t id, std::int32_t variant, std::int32_t x, std::int32_t y);

    void Serialize(platform::archive::archive_t& ar) override;
    void CopyFrom(const CAriRouter& other);

    // Inputs and outputs of a variant (each side has as many); 0 outside 1 to 3.
    static std::int32_t ChannelsOf(std::int32_t variant);

    std::int32_t m_routeCount = 0;                           // outputs routed
    std::array<std::int32_t, kMaxOutputs> m_selectedInput{}; // per output, from 1
};

} // namespace model
