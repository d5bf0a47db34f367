// The pop-up slider's scale, and the device encodings of the dialogs'
// values.
#include <gtest/gtest.h>

#include <cstdint>
#include <variant>

#include "attri_dialogs/attri_commands.h"
#include "attri_dialogs/slider_scale.h"
#include "platform/text/format.h"

namespace {

namespace ad = attri_dialogs;

TEST(AttriSliderScale, PositionsAndLevelsMapBothWays) {
    struct Case {
        std::int32_t position;
        const char* shown;
    };
    for (const Case& c : {Case{0, "-100.0"}, Case{1000, "0.0"}, Case{1120, "12.0"},
                          Case{5, "-99.5"}, Case{1001, "0.1"}}) {
        SCOPED_TRACE(c.position);
        const double dB = ad::SliderLevel(c.position);
        EXPECT_EQ(platform::text::format("%.1f", dB), c.shown);
        EXPECT_EQ(ad::SliderPosition(dB), c.position);
    }
    // Truncated toward zero on both sides of 0 dB.
    EXPECT_EQ(ad::SliderPosition(-0.55), 995);
    EXPECT_EQ(ad::SliderPosition(0.55), 1005);
}

TEST(AttriCommands, ValuesTakeTheirDeviceEncoding) {
    using Encoded = std::variant<std::int32_t, float>;
    EXPECT_EQ(ad::EncodeValue(ad::EValueEncoding::kInteger, 1.0), Encoded{1});
    EXPECT_EQ(ad::EncodeValue(ad::EValueEncoding::kLinear, 0.0), Encoded{1.0f});
    EXPECT_EQ(ad::EncodeValue(ad::EValueEncoding::kLin44, 0.0), Encoded{44012.0f});
    EXPECT_EQ(ad::EncodeValue(ad::EValueEncoding::kSamples, 10.5), Encoded{504});
    EXPECT_EQ(ad::EncodeValue(ad::EValueEncoding::kTime, 1000.0), Encoded{48001});
    EXPECT_EQ(ad::EncodeValue(ad::EValueEncoding::kSweep, 1000.0), Encoded{270});
}

} // namespace
