// The filter designs against sections computed independently with scipy
// (fixtures/biquad_reference.txt, from tests/tools/gen_biquad_reference.py),
// the worked values the unit's tables hold, and the properties the editors
// rely on: unity bands at 0 dB, pass-through filling, refused slope types.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "model/filter_math.h"
#include "model_fixtures.h"

namespace {

using model::BiquadCoeffs;
using model::kPassThroughBiquad;

using Sections = std::array<BiquadCoeffs, model::kMaxFilterSections>;

constexpr double kRelative = 1e-12;

std::array<double, 5> Values(const BiquadCoeffs& s) {
    return {s.b0, s.b1, s.b2, s.a1, s.a2};
}

// Each coefficient within kRelative of the reference (an exact 0 stays 0).
::testing::AssertionResult Matches(const BiquadCoeffs& got, const std::array<double, 5>& want) {
    static constexpr const char* kNames[] = {"b0", "b1", "b2", "a1", "a2"};
    const std::array<double, 5> g = Values(got);
    for (std::size_t k = 0; k < 5; ++k)
        if (!(std::abs(g[k] - want[k]) <= kRelative * std::abs(want[k])))
            return ::testing::AssertionFailure()
                   << kNames[k] << " = " << g[k] << ", reference " << want[k] << " (relative "
                   << std::abs(g[k] - want[k]) / std::abs(want[k]) << ")";
    return ::testing::AssertionSuccess();
}

struct ReferenceRow {
    std::string design; // "slope 5 low 1000.0", "peak_sinh 20.0 -6.0 0.5", ...
    std::vector<std::string> words;
    int section = 0;
    std::array<double, 5> coeffs{};
};

std::vector<ReferenceRow> LoadReference() {
    std::ifstream in(model_test::fixture_path("biquad_reference.txt"));
    std::vector<ReferenceRow> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;)
            w.push_back(word);
        ReferenceRow row;
        const std::size_t params = w.size() - 6;
        row.words.assign(w.begin(), w.begin() + static_cast<std::ptrdiff_t>(params));
        for (const auto& word : row.words)
            row.design += (row.design.empty() ? "" : " ") + word;
        row.section = std::stoi(w[params]);
        for (std::size_t k = 0; k < 5; ++k)
            row.coeffs[k] = std::strtod(w[params + 1 + k].c_str(), nullptr);
        rows.push_back(row);
    }
    return rows;
}

TEST(ModelAriFilterMath, SlopeFiltersMatchTheScipyReference) {
    // Rows of one filter: its sections in cascade order.
    std::map<std::tuple<int, bool, double>, std::vector<ReferenceRow>> filters;
    for (const ReferenceRow& row : LoadReference())
        if (row.words[0] == "slope")
            filters[{std::stoi(row.words[1]), row.words[2] == "high", std::stod(row.words[3])}]
                .push_back(row);
    ASSERT_EQ(filters.size(), 12u * 2u * 7u);

    for (const auto& [key, rows] : filters) {
        const auto [type, high, frequency] = key;
        SCOPED_TRACE(rows.front().design);
        Sections sections;
        sections.fill({9, 9, 9, 9, 9}); // anything the design must overwrite
        const int count = model::DesignSlopeFilter(type, frequency, high, sections);
        ASSERT_EQ(count, static_cast<int>(rows.size()));
        EXPECT_EQ(count, model::FilterTypeSectionCount(type));
        for (const ReferenceRow& row : rows)
            EXPECT_TRUE(Matches(sections[static_cast<std::size_t>(row.section)], row.coeffs))
                << "section " << row.section;
        for (std::size_t s = static_cast<std::size_t>(count); s < sections.size(); ++s)
            EXPECT_EQ(sections[s], kPassThroughBiquad) << "section " << s;
    }
}

TEST(ModelAriFilterMath, PeakingBandsAndShelvesMatchTheScipyReference) {
    int peaks = 0, shelves = 0;
    for (const ReferenceRow& row : LoadReference()) {
        SCOPED_TRACE(row.design);
        const auto& w = row.words;
        if (w[0] == "peak_sinh") {
            ++peaks;
            EXPECT_TRUE(Matches(model::PeakingSectionSinhBandwidth(std::stod(w[1]), std::stod(w[2]),
                                                                   std::stod(w[3])),
                                row.coeffs));
        } else if (w[0] == "peak_edges") {
            ++peaks;
            EXPECT_TRUE(Matches(
                model::PeakingSectionBandEdges(std::stod(w[1]), std::stod(w[2]), std::stod(w[3])),
                row.coeffs));
        } else if (w[0] == "shelf") {
            ++shelves;
            EXPECT_TRUE(
                Matches(model::ShelvingSection(w[1] == "low", std::stod(w[2]), std::stod(w[3])),
                        row.coeffs));
        }
    }
    EXPECT_EQ(peaks, 200);
    EXPECT_EQ(shelves, 40);
}

// The second-order Butterworth sections the unit's tables print.
TEST(ModelAriFilterMath, WorkedButterworthValues) {
    struct Row {
        const char* name;
        double frequency;
        bool high;
        int coefficient; // 0 b0, 1 b1, 3 a1, 4 a2
        double value;
    } rows[] = {
        {"low pass 250 Hz b0", 250, false, 0, 0.00026165269506589},
        {"low pass 250 Hz a1", 250, false, 3, -1.95372794914078},
        {"low pass 250 Hz a2", 250, false, 4, 0.95477455992104},
        {"low pass 4000 Hz b0", 4000, false, 0, 0.04948995626868},
        {"low pass 4000 Hz a1", 4000, false, 3, -1.27963242499781},
        {"low pass 4000 Hz a2", 4000, false, 4, 0.47759225007252},
        {"high pass 4000 Hz b0", 4000, true, 0, 0.68930616876758},
        {"high pass 4000 Hz b1", 4000, true, 1, -1.37861233753516},
        {"low pass 1000 Hz b0", 1000, false, 0, 0.00391612666055},
        {"low pass 1000 Hz b1", 1000, false, 1, 0.00783225332109},
        {"low pass 1000 Hz a1", 1000, false, 3, -1.81534108270457},
        {"low pass 1000 Hz a2", 1000, false, 4, 0.83100558934676},
        {"high pass 1000 Hz b0", 1000, true, 0, 0.91158666801283},
        {"high pass 1000 Hz b1", 1000, true, 1, -1.82317333602566},
    };
    for (const Row& row : rows) {
        Sections sections;
        ASSERT_EQ(
            model::DesignSlopeFilter(model::kDefaultFilterType, row.frequency, row.high, sections),
            1);
        const double got = Values(sections[0])[static_cast<std::size_t>(row.coefficient)];
        EXPECT_NEAR(got, row.value, kRelative * std::abs(row.value)) << row.name;
    }
}

TEST(ModelAriFilterMath, BandsAtZeroDecibelsPassTheSignalUnchanged) {
    for (const double f : {20.0, 89.8, 1000.0, 12345.6, 20000.0})
        for (const double octaves : {0.01, 0.3, 0.5, 1.0, 4.0})
            for (const bool edges : {false, true}) {
                const BiquadCoeffs s = edges ? model::PeakingSectionBandEdges(f, 0.0, octaves)
                                             : model::PeakingSectionSinhBandwidth(f, 0.0, octaves);
                SCOPED_TRACE(testing::Message() << f << " Hz, " << octaves << " octaves, "
                                                << (edges ? "band edges" : "sinh bandwidth"));
                EXPECT_EQ(s.b0, 1.0);
                EXPECT_EQ(s.b1, s.a1);
                EXPECT_EQ(s.b2, s.a2);
                EXPECT_TRUE(std::isfinite(s.a1) && std::isfinite(s.a2));
            }
}

TEST(ModelAriFilterMath, ShelvesAtZeroDecibelsArePassThrough) {
    EXPECT_EQ(model::ShelvingSection(true, 16000.0, 0.0), kPassThroughBiquad);
    EXPECT_EQ(model::ShelvingSection(false, 80.0, 0.0), kPassThroughBiquad);
    // Not a negative zero either: the section is stored and compared bytewise.
    EXPECT_FALSE(std::signbit(model::ShelvingSection(true, 16000.0, 0.0).b1));
}

TEST(ModelAriFilterMath, ShelfGainAtItsEndsAndHalfwayAtItsFrequency) {
    const double f = 1000.0;
    const double at_f = 2.0 * std::atan(model::PrewarpedFrequency(f)); // omega of f, prewarped
    const BiquadCoeffs low = model::ShelvingSection(true, f, 6.0);
    const BiquadCoeffs high = model::ShelvingSection(false, f, 6.0);
    EXPECT_NEAR(model::BiquadMagnitudeDb(low, 1e-6), 6.0, 1e-6);
    EXPECT_NEAR(model::BiquadMagnitudeDb(low, M_PI), 0.0, 1e-9);
    EXPECT_NEAR(model::BiquadMagnitudeDb(low, at_f), 3.0, 1e-9);
    EXPECT_NEAR(model::BiquadMagnitudeDb(high, 1e-6), 0.0, 1e-6);
    EXPECT_NEAR(model::BiquadMagnitudeDb(high, M_PI), 6.0, 1e-9);
    EXPECT_NEAR(model::BiquadMagnitudeDb(high, at_f), 3.0, 1e-9);
}

TEST(ModelAriFilterMath, DialogBandHoldsItsUpperEdgeAt24kHz) {
    // 20000 Hz with one octave: the upper edge would be 28284 Hz.
    const BiquadCoeffs s = model::PeakingSectionBandEdges(20000.0, 0.0, 1.0);
    const double k = std::tan((24000.0 - 20000.0 / std::sqrt(2.0)) * model::kTwoPiOver48000 / 2.0);
    EXPECT_NEAR(s.a2, (1.0 - k) / (1.0 + k), 1e-12);
    // Its response peaks at the centre with the band's gain.
    const BiquadCoeffs boosted = model::PeakingSectionBandEdges(20000.0, 9.0, 1.0);
    EXPECT_NEAR(model::BiquadMagnitudeDb(boosted, 20000.0 * model::kTwoPiOver48000), 9.0, 1e-9);
}

TEST(ModelAriFilterMath, SlopeTypeTable) {
    const int sections[] = {1, 2, 3, 4, 1, 1, 2, 2, 3, 3, 4, 4};
    for (int t = 0; t < model::kFilterTypeCount; ++t)
        EXPECT_EQ(model::FilterTypeSectionCount(t), sections[t]) << model::g_szFilterTypeName[t];
    EXPECT_STREQ(model::g_szFilterTypeName[5], "BW 12");
    EXPECT_EQ(model::FilterTypeSectionCount(-1), 0);
    EXPECT_EQ(model::FilterTypeSectionCount(12), 0);
}

TEST(ModelAriFilterMath, TypesOutsideTheTableChangeNothing) {
    for (const int type : {-1, 12, 1000}) {
        Sections sections;
        sections.fill({0.5, 0.25, 0.125, -0.5, 0.25});
        const Sections before = sections;
        EXPECT_EQ(model::DesignSlopeFilter(type, 1000.0, false, sections), 0) << type;
        EXPECT_EQ(sections, before) << type;
    }
}

TEST(ModelAriFilterMath, ShorterSlopeLeavesThePassThroughBehind) {
    Sections sections;
    ASSERT_EQ(model::DesignSlopeFilter(3, 500.0, true, sections), 4); // L-R 48
    ASSERT_EQ(model::DesignSlopeFilter(4, 500.0, true, sections), 1); // BW 6
    for (std::size_t s = 1; s < sections.size(); ++s)
        EXPECT_EQ(sections[s], kPassThroughBiquad) << s;
    EXPECT_EQ(sections[0].b2, 0.0); // first order
}

TEST(ModelAriFilterMath, LinkwitzRileyRepeatsItsSections) {
    Sections lr24, lr36;
    ASSERT_EQ(model::DesignSlopeFilter(1, 2000.0, false, lr24), 2);
    EXPECT_EQ(lr24[0], lr24[1]);
    ASSERT_EQ(model::DesignSlopeFilter(2, 2000.0, false, lr36), 3);
    EXPECT_EQ(lr36[1], lr36[2]);
    // The first is the square of the first-order section: a double pole.
    const BiquadCoeffs first = model::FirstOrderSection(model::PrewarpedFrequency(2000.0), false);
    EXPECT_NEAR(lr36[0].a1, 2.0 * first.a1, 1e-15);
    EXPECT_NEAR(lr36[0].a2, first.a1 * first.a1, 1e-15);
}

TEST(ModelAriFilterMath, LowAndHighSidesShareTheirPoles) {
    for (int type = 0; type < model::kFilterTypeCount; ++type) {
        Sections low, high;
        const int count = model::DesignSlopeFilter(type, 3000.0, false, low);
        ASSERT_EQ(model::DesignSlopeFilter(type, 3000.0, true, high), count);
        for (std::size_t s = 0; s < static_cast<std::size_t>(count); ++s) {
            EXPECT_NEAR(low[s].a1, high[s].a1, 1e-14) << type << "/" << s;
            EXPECT_NEAR(low[s].a2, high[s].a2, 1e-14) << type << "/" << s;
        }
    }
}

TEST(ModelAriFilterMath, MagnitudeResponse) {
    const double w1000 = 1000.0 * model::kTwoPiOver48000;
    EXPECT_EQ(model::BiquadMagnitudeDb(kPassThroughBiquad, 0.3), 0.0);
    Sections s;
    model::DesignSlopeFilter(model::kDefaultFilterType, 1000.0, false, s);
    EXPECT_NEAR(model::BiquadMagnitudeDb(s[0], w1000), -10.0 * std::log10(2.0), 1e-9);
    EXPECT_NEAR(model::BiquadMagnitudeDb(s[0], 1e-6), 0.0, 1e-9);
}

} // namespace
