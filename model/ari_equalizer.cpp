#include "model/ari_equalizer.h"

#include <cmath>
#include <initializer_list>

#include "model/ari_support.h"

namespace model {

namespace pa = platform::archive;

ARCHIVE_IMPLEMENT_SERIAL(CAriEqualizer, CBaseAriModule, kSheetSchema);

namespace {

CAriEqualizer::Layout Parametric(const char* name, std::initializer_list<double> frequencies) {
    CAriEqualizer::Layout layout;
    layout.typeName = name;
    layout.bands = static_cast<std::int32_t>(frequencies.size());
    layout.bandwidth = 0.5;
    std::size_t i = 0;
    for (const double f : frequencies)
        layout.frequencies[i++] = f;
    return layout;
}

// first x 2^(i x octaves / per), i = 0 .. bands - 1.
CAriEqualizer::Layout Graphic(const char* name, std::int32_t bands, double first, double octaves,
                              double per, double bandwidth) {
    CAriEqualizer::Layout layout;
    layout.typeName = name;
    layout.bands = bands;
    layout.bandwidth = bandwidth;
    for (std::int32_t i = 0; i < bands; ++i)
        layout.frequencies[static_cast<std::size_t>(i)] = first * std::pow(2.0, i * octaves / per);
    return layout;
}

} // namespace

std::optional<CAriEqualizer::Layout> CAriEqualizer::LayoutOf(std::int32_t variant) {
    switch (variant) {
    case 1:
        return Parametric("1-Band Parametric EQ", {500});
    case 3:
        return Parametric("3-Band Parametric EQ", {89.8, 500, 2828.43});
    case 5:
        return Parametric("5-Band Parametric EQ", {50.4, 160, 500, 1587.4, 5000});
    case 7:
        return Parametric("7-Band Parametric EQ",
                          {37.75, 89.8, 213.57, 500, 1189.21, 2828.43, 6674.2});
    case 10:
        return Parametric("10-Band Parametric EQ", {29.81, 55.98, 105.12, 197.4, 364.87, 685.18,
                                                    1286.66, 2416.18, 4501.52, 8453.24});
    case 16:
        return Parametric("16-Band Parametric EQ",
                          {23.87, 35.88, 53.94, 81.09, 121.92, 183.29, 275.56, 407.79, 613.07,
                           921.69, 1385.67, 2083.23, 3131.95, 4671.51, 7023.18, 10558.69});
    case 51:
        return Graphic("1/3 Octave Graphic EQ", 31, 20.0, 1.0, 3.0, 0.3);
    case 52:
        return Graphic("2/3 Octave Graphic EQ", 15, 25.0, 2.0, 3.0, 0.6);
    case 53: {
        Layout layout = Graphic("1 Octave Graphic EQ", 10, 31.5, 1.0, 1.0, 1.0);
        layout.frequencies[10] = 20000.0;
        return layout;
    }
    default:
        return std::nullopt;
    }
}

CAriEqualizer::CAriEqualizer() = default;

CAriEqualizer::CAriEqualizer(std::int32_t id, std::int32_t variant, std::int32_t x, std::int32_t y)
    : CBaseAriModule(id, kAriEqualizer, variant) {
    const std::optional<Layout> layout = LayoutOf(variant);
    BuildLayout(x, y, {.inputs = layout ? 1 : 0, .outputs = layout ? 1 : 0});
    LoadTypeColours(kTypeColourDefault, kTypeNameColour);
    m_name = m_displayName = "Euqalizer-1"; // sic: the name every sheet shows
    if (!layout)
        return;
    m_typeName = layout->typeName;
    m_bandCount = layout->bands;
    m_frequency = layout->frequencies;
    m_memoryCost = 8 * m_bandCount + 79;
    m_timeCost = 72 * m_bandCount + 135;
    for (std::int32_t b = 0; b < m_bandCount; ++b) {
        m_bandwidth[static_cast<std::size_t>(b)] = layout->bandwidth;
        CalcBandCoeffs(b);
    }
}

void CAriEqualizer::CalcBandCoeffs(std::int32_t band) {
    if (band < 0 || band >= kMaxBands)
        return;
    const auto b = static_cast<std::size_t>(band);
    m_coeffs[b] = PeakingSectionSinhBandwidth(m_frequency[b], m_gain[b], m_bandwidth[b]);
}

void CAriEqualizer::Serialize(pa::archive_t& ar) {
    if (SerializesOwnFields(ar)) {
        SerializeValue(ar, m_bypass);
        SerializeCount(ar, m_bandCount, 0, kMaxBands, "an equalizer band count");
        const auto n = static_cast<std::size_t>(m_bandCount);
        for (std::size_t b = 0; b < n; ++b)
            SerializeFields(ar, m_bandFlag[b], m_frequency[b], m_gain[b], m_bandwidth[b]);
        for (std::size_t b = 0; b < n; ++b)
            SerializeBiquad(ar, m_coeffs[b]);
    }
    SerializeAriBase(ar, *this);
}

void CAriEqualizer::CopyFrom(const CAriEqualizer& other) {
    CopyAriModuleBase(*this, other);
    m_bypass = other.m_bypass;
    m_bandCount = other.m_bandCount;
    m_bandFlag = other.m_bandFlag;
    m_frequency = other.m_frequency;
    m_gain = other.m_gain;
    m_bandwidth = other.m_bandwidth;
    m_coeffs = other.m_coeffs;
}

} // namespace model
