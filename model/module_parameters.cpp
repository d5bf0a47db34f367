#include "model/module_parameters.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <type_traits>

#include "model/ari_crossover.h"
#include "model/ari_delay.h"
#include "model/ari_dynamic.h"
#include "model/ari_equalizer.h"
#include "model/ari_filter.h"
#include "model/ari_generator.h"
#include "model/ari_input.h"
#include "model/ari_meter.h"
#include "model/ari_mixer.h"
#include "model/ari_output.h"
#include "model/ari_router.h"
#include "model/ari_text.h"
#include "model/value_encodings.h"

namespace model {

// The tables name only what differs from an entry's defaults.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using E = EParamEncoding;
using C = EChannelRule;

// A stored count as a loop bound: within 0 .. `size`.
std::size_t Bounded(std::int32_t count, std::size_t size) {
    return std::min(static_cast<std::size_t>(std::max(count, 0)), size);
}

// Copies `from` into `to` when they differ; true when it did.
template <class T> bool Take(T& to, const T& from) {
    if (to == from)
        return false;
    to = from;
    return true;
}

// -- field access: the engine has checked the module's class

template <class M, auto F> double Get(const CBaseAriModule& m, std::size_t, std::size_t) {
    return static_cast<double>(static_cast<const M&>(m).*F);
}
template <class M, auto F> void Set(CBaseAriModule& m, std::size_t, std::size_t, double v) {
    auto& field = static_cast<M&>(m).*F;
    field = static_cast<std::remove_reference_t<decltype(field)>>(v);
}
template <class M, auto F> double GetIn(const CBaseAriModule& m, std::size_t in, std::size_t) {
    return static_cast<double>((static_cast<const M&>(m).*F)[in]);
}
template <class M, auto F> void SetIn(CBaseAriModule& m, std::size_t in, std::size_t, double v) {
    auto& field = (static_cast<M&>(m).*F)[in];
    field = static_cast<std::remove_reference_t<decltype(field)>>(v);
}
template <class M, auto F> double GetOut(const CBaseAriModule& m, std::size_t, std::size_t out) {
    return static_cast<double>((static_cast<const M&>(m).*F)[out]);
}
template <class M, auto F> void SetOut(CBaseAriModule& m, std::size_t, std::size_t out, double v) {
    auto& field = (static_cast<M&>(m).*F)[out];
    field = static_cast<std::remove_reference_t<decltype(field)>>(v);
}
template <class M, auto F>
double GetInOut(const CBaseAriModule& m, std::size_t in, std::size_t out) {
    return (static_cast<const M&>(m).*F)[in][out];
}
template <class M, auto F>
void SetInOut(CBaseAriModule& m, std::size_t in, std::size_t out, double v) {
    (static_cast<M&>(m).*F)[in][out] = v;
}

template <class M> bool IsA(const CBaseAriModule& m) {
    return dynamic_cast<const M*>(&m) != nullptr;
}

// -- the reset states that follow the variant

double LongestDelay(std::int32_t variant) {
    // A new delay starts at its variant's longest.
    return CAriDelay::MaxDelayOf(variant);
}

double ResetRatio(std::int32_t variant) {
    return variant == CAriDynamic::kExpander ? 0.25 : 4.0;
}

// -- input and output

// clang-format off
constexpr ModuleParameter kInput[] = {
    {.field = "mute", .code = 101, .channel = C::kUnitInput, .get = Get<CAriInput, &CAriInput::m_mute>, .set = Set<CAriInput, &CAriInput::m_mute>},
    {.field = "invert", .code = 102, .channel = C::kUnitInput, .get = Get<CAriInput, &CAriInput::m_invert>, .set = Set<CAriInput, &CAriInput::m_invert>},
    {.field = "level", .code = 103, .encoding = E::kLinear, .channel = C::kUnitInput, .get = Get<CAriInput, &CAriInput::m_level>, .set = Set<CAriInput, &CAriInput::m_level>},
    {.field = "microphone gain", .code = 104, .channel = C::kUnitInput, .get = Get<CAriInput, &CAriInput::m_micGainIndex>, .set = Set<CAriInput, &CAriInput::m_micGainIndex>},
    {.field = "phantom power", .code = 105, .channel = C::kUnitInput, .get = Get<CAriInput, &CAriInput::m_phantom>, .set = Set<CAriInput, &CAriInput::m_phantom>},
};
// clang-format on
// A copy switches the phantom power before the gain.
constexpr std::uint8_t kInputCopyOrder[] = {0, 1, 2, 4, 3};

void CarryInput(const CBaseAriModule& s, CBaseAriModule& d) {
    static_cast<CAriInput&>(d).m_micControls = static_cast<const CAriInput&>(s).m_micControls;
}

// clang-format off
constexpr ModuleParameter kOutput[] = {
    {.field = "mute", .code = 201, .channel = C::kUnitOutput, .get = Get<CAriOutput, &CAriOutput::m_mute>, .set = Set<CAriOutput, &CAriOutput::m_mute>},
    {.field = "invert", .code = 202, .channel = C::kUnitOutput, .get = Get<CAriOutput, &CAriOutput::m_invert>, .set = Set<CAriOutput, &CAriOutput::m_invert>},
    {.field = "level", .code = 203, .encoding = E::kLinear, .channel = C::kUnitOutput, .get = Get<CAriOutput, &CAriOutput::m_level>, .set = Set<CAriOutput, &CAriOutput::m_level>},
};
// clang-format on

// -- delay, router, mixer

// clang-format off
constexpr ModuleParameter kDelay[] = {
    {.field = "bypass", .code = 302, .get = Get<CAriDelay, &CAriDelay::m_bypass>, .set = Set<CAriDelay, &CAriDelay::m_bypass>},
    {.field = "delay", .code = 301, .encoding = E::kSamples, .get = Get<CAriDelay, &CAriDelay::m_delay>, .set = Set<CAriDelay, &CAriDelay::m_delay>, .resetOf = LongestDelay},
};
// clang-format on

// clang-format off
constexpr ModuleParameter kRouter[] = {
    {.field = "selected input", .code = 401, .channel = C::kPerOutput, .get = GetOut<CAriRouter, &CAriRouter::m_selectedInput>, .set = SetOut<CAriRouter, &CAriRouter::m_selectedInput>, .reset = 1.0},
};
// clang-format on

std::size_t RouterOutputs(const CBaseAriModule& m) {
    const auto& router = static_cast<const CAriRouter&>(m);
    return Bounded(router.m_routeCount, router.m_selectedInput.size());
}

// clang-format off
constexpr ModuleParameter kMixer[] = {
    {.field = "input mute", .code = 501, .channel = C::kPerInput, .get = GetIn<CAriMixer, &CAriMixer::m_inputMute>, .set = SetIn<CAriMixer, &CAriMixer::m_inputMute>},
    {.field = "input level", .code = 503, .encoding = E::kLinear, .channel = C::kPerInput, .get = GetIn<CAriMixer, &CAriMixer::m_inputLevel>, .set = SetIn<CAriMixer, &CAriMixer::m_inputLevel>},
    {.field = "output mute", .code = 502, .channel = C::kPerOutput, .get = GetOut<CAriMixer, &CAriMixer::m_outputMute>, .set = SetOut<CAriMixer, &CAriMixer::m_outputMute>},
    {.field = "output level", .code = 504, .encoding = E::kLinear, .channel = C::kPerOutput, .get = GetOut<CAriMixer, &CAriMixer::m_outputLevel>, .set = SetOut<CAriMixer, &CAriMixer::m_outputLevel>},
    // The integer kept beside each output is its column's on/off mask.
    {.field = "column mask", .code = 505, .channel = C::kPerOutput, .get = GetOut<CAriMixer, &CAriMixer::m_columnMask>, .set = SetOut<CAriMixer, &CAriMixer::m_columnMask>},
    {.field = "crosspoint level", .code = 506, .encoding = E::kLinear, .channel = C::kPerOutputInput, .get = GetInOut<CAriMixer, &CAriMixer::m_crossPoint>, .set = SetInOut<CAriMixer, &CAriMixer::m_crossPoint>},
};
// clang-format on

std::size_t MixerInputs(const CBaseAriModule& m) {
    return Bounded(static_cast<const CAriMixer&>(m).m_mixInputs, CAriMixer::kMaxChannels);
}
std::size_t MixerOutputs(const CBaseAriModule& m) {
    return Bounded(static_cast<const CAriMixer&>(m).m_mixOutputs, CAriMixer::kMaxChannels);
}

// -- dynamics and generator

constexpr VariantMask kCompressorExpander =
    Variants({CAriDynamic::kCompressor, CAriDynamic::kExpander});
constexpr VariantMask kLeveler = Variants({CAriDynamic::kLeveler});

// clang-format off
constexpr ModuleParameter kDynamic[] = {
    {.field = "bypass", .code = 701, .get = Get<CAriDynamic, &CAriDynamic::m_bypass>, .set = Set<CAriDynamic, &CAriDynamic::m_bypass>, .downloadsOnAsOne = true},
    {.field = "attack", .code = 702, .encoding = E::kEnvelopeTime, .get = Get<CAriDynamic, &CAriDynamic::m_attack>, .set = Set<CAriDynamic, &CAriDynamic::m_attack>, .reset = 1000.0},
    {.field = "release", .code = 703, .encoding = E::kEnvelopeTime, .get = Get<CAriDynamic, &CAriDynamic::m_release>, .set = Set<CAriDynamic, &CAriDynamic::m_release>, .reset = 2000.0},
    {.field = "threshold", .code = 704, .encoding = E::kLin44Integer, .get = Get<CAriDynamic, &CAriDynamic::m_threshold>, .set = Set<CAriDynamic, &CAriDynamic::m_threshold>},
    // The unit's leveler has a fixed ratio: a download still sends a
    // leveler's, but nothing puts it back or follows a copy.
    {.field = "ratio", .code = 705, .encoding = E::kReciprocal, .get = Get<CAriDynamic, &CAriDynamic::m_ratio>, .set = Set<CAriDynamic, &CAriDynamic::m_ratio>, .resetOf = ResetRatio, .variants = kCompressorExpander, .alsoDownloaded = kLeveler, .carried = kLeveler},
    {.field = "leveler gain", .code = 707, .encoding = E::kLinear, .get = Get<CAriDynamic, &CAriDynamic::m_levelerGain>, .set = Set<CAriDynamic, &CAriDynamic::m_levelerGain>, .variants = kLeveler},
    {.field = "gate depth", .code = 708, .encoding = E::kLinear, .get = Get<CAriDynamic, &CAriDynamic::m_targetOrDepth>, .set = Set<CAriDynamic, &CAriDynamic::m_targetOrDepth>, .variants = Variants({CAriDynamic::kNoiseGate}), .carried = kLeveler},
};
// clang-format on
// The download sets the gate's depth and the leveler's gain first.
constexpr std::uint8_t kDynamicDownloadOrder[] = {0, 6, 5, 1, 2, 3, 4};

constexpr VariantMask kSine = Variants({CAriGenerator::kSine});

// clang-format off
constexpr ModuleParameter kGenerator[] = {
    {.field = "mode", .code = 801, .get = Get<CAriGenerator, &CAriGenerator::m_mode>, .set = Set<CAriGenerator, &CAriGenerator::m_mode>, .reset = 1.0, .variants = kSine, .offReset = EOffReset::kSwitched},
    {.field = "mute", .code = 802, .get = Get<CAriGenerator, &CAriGenerator::m_mute>, .set = Set<CAriGenerator, &CAriGenerator::m_mute>, .downloadsOnAsOne = true},
    {.field = "level", .code = 803, .encoding = E::kLin44, .get = Get<CAriGenerator, &CAriGenerator::m_level>, .set = Set<CAriGenerator, &CAriGenerator::m_level>},
    {.field = "frequency", .code = 804, .encoding = E::kOscillator, .get = Get<CAriGenerator, &CAriGenerator::m_frequency>, .set = Set<CAriGenerator, &CAriGenerator::m_frequency>, .reset = 1000.0, .variants = kSine},
    {.field = "sweep start", .code = 805, .encoding = E::kSweep, .get = Get<CAriGenerator, &CAriGenerator::m_sweepStart>, .set = Set<CAriGenerator, &CAriGenerator::m_sweepStart>, .reset = 1000.0, .variants = kSine},
    {.field = "sweep stop", .code = 806, .encoding = E::kSweep, .get = Get<CAriGenerator, &CAriGenerator::m_sweepStop>, .set = Set<CAriGenerator, &CAriGenerator::m_sweepStop>, .reset = 1000.0, .variants = kSine},
    {.field = "step width", .code = 807, .encoding = E::kSweepStepWidth, .get = Get<CAriGenerator, &CAriGenerator::m_stepWidthIndex>, .set = Set<CAriGenerator, &CAriGenerator::m_stepWidthIndex>, .variants = kSine},
    {.field = "step", .code = 808, .encoding = E::kSamples, .get = Get<CAriGenerator, &CAriGenerator::m_step>, .set = Set<CAriGenerator, &CAriGenerator::m_step>, .reset = 100.0, .variants = kSine},
};
// clang-format on

// -- equalizer

// clang-format off
constexpr ModuleParameter kEqualizer[] = {
    {.field = "bypass", .code = 606, .get = Get<CAriEqualizer, &CAriEqualizer::m_bypass>, .set = Set<CAriEqualizer, &CAriEqualizer::m_bypass>, .offReset = EOffReset::kSwitched},
};
// clang-format on

void CarryEqualizer(const CBaseAriModule& source, CBaseAriModule& destination) {
    const auto& s = static_cast<const CAriEqualizer&>(source);
    auto& d = static_cast<CAriEqualizer&>(destination);
    d.m_bandCount = s.m_bandCount;
    const std::size_t bands = Bounded(d.m_bandCount, CAriEqualizer::kMaxBands);
    std::copy_n(s.m_bandFlag.begin(), bands, d.m_bandFlag.begin());
}

// A band at 0 dB is the block's reset state whatever its frequency.
void DownloadBands(const CBaseAriModule& module, IParameterSink& sink) {
    const auto& m = static_cast<const CAriEqualizer&>(module);
    const std::size_t bands = Bounded(m.m_bandCount, CAriEqualizer::kMaxBands);
    for (std::size_t b = 0; b < bands; ++b)
        if (m.m_gain[b] != 0.0)
            sink.Biquad(m.m_order, static_cast<int>(b + 1), m.m_coeffs[b]);
}

// A band or shelf at 0 dB sends no section: the store program leaves the
// section another template set unless it is reset to pass-through.
void ResetBands(const CBaseAriModule& module, IParameterSink& sink) {
    const auto& m = static_cast<const CAriEqualizer&>(module);
    const std::size_t bands = Bounded(m.m_bandCount, CAriEqualizer::kMaxBands);
    for (std::size_t b = 0; b < bands; ++b)
        if (m.m_gain[b] != 0.0)
            sink.Biquad(m.m_order, static_cast<int>(b + 1), BiquadCoeffs{});
}

// A band's section follows from its three values; the section goes to the
// unit when any of them changed.
void CopyBands(const CBaseAriModule& source, CBaseAriModule& destination, IParameterSink* out,
               bool) {
    const auto& s = static_cast<const CAriEqualizer&>(source);
    auto& d = static_cast<CAriEqualizer&>(destination);
    const std::size_t bands = Bounded(d.m_bandCount, CAriEqualizer::kMaxBands);
    for (std::size_t b = 0; b < bands; ++b) {
        if (d.m_frequency[b] != s.m_frequency[b] || d.m_gain[b] != s.m_gain[b] ||
            d.m_bandwidth[b] != s.m_bandwidth[b]) {
            d.m_coeffs[b] = s.m_coeffs[b];
            if (out != nullptr)
                out->Biquad(d.m_order, static_cast<int>(b + 1), d.m_coeffs[b]);
        }
        d.m_frequency[b] = s.m_frequency[b];
        d.m_gain[b] = s.m_gain[b];
        d.m_bandwidth[b] = s.m_bandwidth[b];
    }
}

// -- filter

// The number of sections a slope takes on the unit.
constexpr int kSectionCountCode = 609;

// clang-format off
constexpr ModuleParameter kFilter[] = {
    {.field = "bypass", .code = 606, .get = Get<CAriFilter, &CAriFilter::m_bypass>, .set = Set<CAriFilter, &CAriFilter::m_bypass>, .offReset = EOffReset::kSwitched, .resetEachTemplate = true},
};
// clang-format on

bool IsShelf(const CAriFilter& m) {
    return m.m_subType == CAriFilter::kLowShelf || m.m_subType == CAriFilter::kHighShelf;
}

void DownloadFilterSections(const CBaseAriModule& module, IParameterSink& sink) {
    const auto& m = static_cast<const CAriFilter&>(module);
    if (m.m_biquadCount != 1)
        sink.SetII(m.m_order, kSectionCountCode, 1, m.m_biquadCount);
    if (IsShelf(m) && m.m_gain == 0.0)
        return;
    // A pass filter's sections depend on its corner: always sent.
    const std::size_t sections = Bounded(m.m_biquadCount, m.m_sections.size());
    for (std::size_t s = 0; s < sections; ++s)
        sink.Biquad(m.m_order, static_cast<int>(s + 1), m.m_sections[s]);
}

void ResetFilterSections(const CBaseAriModule& module, IParameterSink& sink) {
    const auto& m = static_cast<const CAriFilter&>(module);
    if (!IsShelf(m)) {
        if (m.m_filterType != kDefaultFilterType)
            sink.SetII(m.m_order, kSectionCountCode, 1, 1);
    } else if (m.m_gain != 0.0) {
        sink.Biquad(m.m_order, 1, BiquadCoeffs{});
    }
}

void CopyFilterSections(const CBaseAriModule& source, CBaseAriModule& destination,
                        IParameterSink* out, bool) {
    const auto& s = static_cast<const CAriFilter&>(source);
    auto& d = static_cast<CAriFilter&>(destination);
    if (d.m_filterType != s.m_filterType && Take(d.m_biquadCount, s.m_biquadCount) && out)
        out->SetII(d.m_order, kSectionCountCode, 1, d.m_biquadCount);
    if (!IsShelf(d)) {
        if (d.m_filterType != s.m_filterType || d.m_frequency != s.m_frequency) {
            d.m_sections = s.m_sections;
            const std::size_t sections = Bounded(d.m_biquadCount, d.m_sections.size());
            for (std::size_t k = 0; out != nullptr && k < sections; ++k)
                out->Biquad(d.m_order, static_cast<int>(k + 1), d.m_sections[k]);
        }
    } else if (d.m_frequency != s.m_frequency || d.m_gain != s.m_gain) {
        // A shelf is one section.
        d.m_sections[0] = s.m_sections[0];
        if (out != nullptr)
            out->Biquad(d.m_order, 1, d.m_sections[0]);
    }
    d.m_filterType = s.m_filterType;
    d.m_frequency = s.m_frequency;
    d.m_gain = s.m_gain;
}

// -- crossover

// clang-format off
constexpr ModuleParameter kCrossover[] = {
    {.field = "input mute", .code = 601, .get = Get<CAriCrossover, &CAriCrossover::m_inputMute>, .set = Set<CAriCrossover, &CAriCrossover::m_inputMute>, .offReset = EOffReset::kSwitched},
    {.field = "input level", .code = 602, .encoding = E::kLinear, .get = Get<CAriCrossover, &CAriCrossover::m_inputLevel>, .set = Set<CAriCrossover, &CAriCrossover::m_inputLevel>},
    {.field = "output mute", .code = 603, .channel = C::kPerOutput, .get = GetOut<CAriCrossover, &CAriCrossover::m_outputMute>, .set = SetOut<CAriCrossover, &CAriCrossover::m_outputMute>},
    {.field = "output invert", .code = 604, .channel = C::kPerOutput, .get = GetOut<CAriCrossover, &CAriCrossover::m_outputInvert>, .set = SetOut<CAriCrossover, &CAriCrossover::m_outputInvert>},
    {.field = "output level", .code = 605, .encoding = E::kLinear, .channel = C::kPerOutput, .get = GetOut<CAriCrossover, &CAriCrossover::m_outputLevel>, .set = SetOut<CAriCrossover, &CAriCrossover::m_outputLevel>},
};
// clang-format on

std::size_t CrossoverOutputs(const CBaseAriModule& m) {
    return Bounded(static_cast<const CAriCrossover&>(m).m_bands, CAriCrossover::kMaxOutputs);
}

void CarryCrossover(const CBaseAriModule& s, CBaseAriModule& d) {
    static_cast<CAriCrossover&>(d).m_sectionCount =
        static_cast<const CAriCrossover&>(s).m_sectionCount;
}

std::size_t Positions(const CAriCrossover& m) {
    return Bounded(m.m_sectionCount, CAriCrossover::kMaxSections);
}

// Each filter position owns kMaxFilterSections section numbers on the unit.
void SendPosition(const CAriCrossover& m, std::size_t p, IParameterSink& sink) {
    const std::size_t sections = Bounded(m.m_biquadCount[p], kMaxFilterSections);
    for (std::size_t k = 0; k < sections; ++k)
        sink.Biquad(m.m_order, static_cast<int>(kMaxFilterSections * p + k + 1),
                    m.m_sections[p][k]);
}

// A position's sections are always sent.
void DownloadPositions(const CBaseAriModule& module, IParameterSink& sink) {
    const auto& m = static_cast<const CAriCrossover&>(module);
    for (std::size_t p = 0; p < Positions(m); ++p) {
        if (m.m_biquadCount[p] != 1)
            sink.SetII(m.m_order, kSectionCountCode, static_cast<int>(p + 1), m.m_biquadCount[p]);
        SendPosition(m, p, sink);
    }
}

void ResetPositions(const CBaseAriModule& module, IParameterSink& sink) {
    const auto& m = static_cast<const CAriCrossover&>(module);
    for (std::size_t p = 0; p < Positions(m); ++p)
        if (m.m_biquadCount[p] != 1)
            sink.SetII(m.m_order, kSectionCountCode, static_cast<int>(p + 1), 1);
}

// A copy takes a position's count with its slope; a reset to defaults sets
// every position's count before any section, the unit laying out its
// sections by them.
void CopyPositions(const CBaseAriModule& source, CBaseAriModule& destination, IParameterSink* out,
                   bool resetting) {
    const auto& s = static_cast<const CAriCrossover&>(source);
    auto& d = static_cast<CAriCrossover&>(destination);
    const std::size_t positions = Positions(d);
    if (resetting)
        for (std::size_t p = 0; p < positions; ++p)
            if (Take(d.m_biquadCount[p], s.m_biquadCount[p]) && out != nullptr)
                out->SetII(d.m_order, kSectionCountCode, static_cast<int>(p + 1),
                           d.m_biquadCount[p]);
    for (std::size_t p = 0; p < positions; ++p) {
        const bool slopeChanged = d.m_filterType[p] != s.m_filterType[p];
        if (slopeChanged && !resetting) {
            d.m_biquadCount[p] = s.m_biquadCount[p];
            if (out != nullptr)
                out->SetII(d.m_order, kSectionCountCode, static_cast<int>(p + 1),
                           d.m_biquadCount[p]);
        }
        if (slopeChanged || d.m_frequency[p] != s.m_frequency[p]) {
            d.m_sections[p] = s.m_sections[p];
            if (out != nullptr)
                SendPosition(d, p, *out);
        }
        d.m_filterType[p] = s.m_filterType[p];
        d.m_frequency[p] = s.m_frequency[p];
    }
}

// -- text and meter: nothing reaches the unit, but a copy carries them

void CarryText(const CBaseAriModule& source, CBaseAriModule& destination) {
    const auto& s = static_cast<const CAriText&>(source);
    auto& d = static_cast<CAriText&>(destination);
    d.m_text = s.m_text;
    d.m_transparent = s.m_transparent;
    d.m_colours[CAriText::kBodyColour] = s.m_colours[CAriText::kBodyColour];
    d.m_colours[CAriText::kTextColour] = s.m_colours[CAriText::kTextColour];
    d.m_font = s.m_font;
}

void CarryMeter(const CBaseAriModule& source, CBaseAriModule& destination) {
    const auto& s = static_cast<const CAriMeter&>(source);
    auto& d = static_cast<CAriMeter&>(destination);
    const std::size_t inputs = Bounded(d.m_meterInputs, CAriMeter::kMaxInputs);
    std::copy_n(s.m_peakHold.begin(), inputs, d.m_peakHold.begin());
}

// -- the tables

// clang-format off
const ModuleParameterTable kInputTable{.typeCode = kAriInput, .className = "CAriInput", .isClass = IsA<CAriInput>, .parameters = kInput, .copyOrder = kInputCopyOrder, .carry = CarryInput};
const ModuleParameterTable kOutputTable{.typeCode = kAriOutput, .className = "CAriOutput", .isClass = IsA<CAriOutput>, .parameters = kOutput};
const ModuleParameterTable kDelayTable{.typeCode = kAriDelay, .className = "CAriDelay", .isClass = IsA<CAriDelay>, .parameters = kDelay};
const ModuleParameterTable kRouterTable{.typeCode = kAriRouter, .className = "CAriRouter", .isClass = IsA<CAriRouter>, .parameters = kRouter, .outputs = RouterOutputs};
const ModuleParameterTable kMixerTable{.typeCode = kAriMixer, .className = "CAriMixer", .isClass = IsA<CAriMixer>, .parameters = kMixer, .inputs = MixerInputs, .outputs = MixerOutputs};
const ModuleParameterTable kDynamicTable{.typeCode = kAriDynamic, .className = "CAriDynamic", .isClass = IsA<CAriDynamic>, .parameters = kDynamic, .downloadOrder = kDynamicDownloadOrder};
const ModuleParameterTable kGeneratorTable{.typeCode = kAriGenerator, .className = "CAriGenerator", .isClass = IsA<CAriGenerator>, .parameters = kGenerator};
const ModuleParameterTable kEqualizerTable{.typeCode = kAriEqualizer, .className = "CAriEqualizer", .isClass = IsA<CAriEqualizer>, .parameters = kEqualizer, .carry = CarryEqualizer, .sections = {DownloadBands, ResetBands, CopyBands}};
const ModuleParameterTable kFilterTable{.typeCode = kAriFilter, .className = "CAriFilter", .isClass = IsA<CAriFilter>, .parameters = kFilter, .sections = {DownloadFilterSections, ResetFilterSections, CopyFilterSections}};
const ModuleParameterTable kCrossoverTable{.typeCode = kAriCrossover, .className = "CAriCrossover", .isClass = IsA<CAriCrossover>, .parameters = kCrossover, .outputs = CrossoverOutputs, .carry = CarryCrossover, .sections = {DownloadPositions, ResetPositions, CopyPositions}};
const ModuleParameterTable kTextTable{.typeCode = kAriText, .className = "CAriText", .isClass = IsA<CAriText>, .carry = CarryText};
const ModuleParameterTable kMeterTable{.typeCode = kAriMeter, .className = "CAriMeter", .isClass = IsA<CAriMeter>, .carry = CarryMeter};
// clang-format on

const std::array<const ModuleParameterTable*, 12> kTables = {
    &kInputTable,  &kOutputTable,    &kDelayTable,     &kRouterTable,
    &kMixerTable,  &kDynamicTable,   &kGeneratorTable, &kEqualizerTable,
    &kFilterTable, &kCrossoverTable, &kTextTable,      &kMeterTable};

// -- walking a table

enum class ELoop { kOnce, kInputs, kOutputs };

ELoop LoopOf(EChannelRule rule) {
    switch (rule) {
    case C::kPerInput:
        return ELoop::kInputs;
    case C::kPerOutput:
    case C::kPerOutputInput:
        return ELoop::kOutputs;
    default:
        return ELoop::kOnce;
    }
}

// Visits every parameter of `table` in `order` (empty: the table's) at
// every channel its rule walks: a run of per-input or per-output
// parameters is walked channel by channel, each channel's parameters
// together; a crosspoint walks the inputs inside its output.
template <class Visit>
void Walk(const ModuleParameterTable& table, std::span<const std::uint8_t> order,
          const CBaseAriModule& counted, Visit&& visit) {
    const std::size_t count = order.empty() ? table.parameters.size() : order.size();
    const auto at = [&](std::size_t k) -> const ModuleParameter& {
        return table.parameters[order.empty() ? k : order[k]];
    };
    const std::size_t inputs = table.inputs ? table.inputs(counted) : 0;
    const std::size_t outputs = table.outputs ? table.outputs(counted) : 0;
    for (std::size_t k = 0; k < count;) {
        const ELoop loop = LoopOf(at(k).channel);
        std::size_t end = k + 1;
        while (end < count && LoopOf(at(end).channel) == loop)
            ++end;
        switch (loop) {
        case ELoop::kOnce:
            for (std::size_t r = k; r < end; ++r)
                visit(at(r), 0, 0);
            break;
        case ELoop::kInputs:
            for (std::size_t i = 0; i < inputs; ++i)
                for (std::size_t r = k; r < end; ++r)
                    visit(at(r), i, 0);
            break;
        case ELoop::kOutputs:
            for (std::size_t j = 0; j < outputs; ++j)
                for (std::size_t r = k; r < end; ++r) {
                    if (at(r).channel != C::kPerOutputInput) {
                        visit(at(r), 0, j);
                        continue;
                    }
                    for (std::size_t i = 0; i < inputs; ++i)
                        visit(at(r), i, j);
                }
            break;
        }
        k = end;
    }
}

bool OffReset(const ModuleParameter& p, double value, double reset) {
    return p.offReset == EOffReset::kSwitched ? value == 1.0 - reset : value != reset;
}

// The table of the module's type code when the module is of its class.
const ModuleParameterTable* TableFor(const CBaseAriModule& module) {
    const ModuleParameterTable* table = ParameterTableOf(module.m_typeCode);
    return table != nullptr && table->isClass(module) ? table : nullptr;
}

int Channel(std::size_t index) {
    return static_cast<int>(index + 1);
}

} // namespace

#pragma GCC diagnostic pop

std::span<const ModuleParameterTable* const> ParameterTables() {
    return kTables;
}

const ModuleParameterTable* ParameterTableOf(std::int32_t typeCode) {
    for (const ModuleParameterTable* table : kTables)
        if (table->typeCode == typeCode)
            return table;
    return nullptr;
}

const ModuleParameter* FindParameter(std::int32_t typeCode, std::int32_t code) {
    const ModuleParameterTable* table = ParameterTableOf(typeCode);
    if (table == nullptr)
        return nullptr;
    for (const ModuleParameter& parameter : table->parameters)
        if (parameter.code == code)
            return &parameter;
    return nullptr;
}

void SendParameterValue(const ModuleParameter& p, const CBaseAriModule& module, std::size_t in,
                        std::size_t out, double value, IParameterSink& sink) {
    const int order = module.m_order;
    if (p.encoding == E::kOscillator) {
        const OscillatorPair osc = OscFromHz(value);
        sink.SetFF(order, p.code, static_cast<float>(osc.twoCos), static_cast<float>(osc.sine));
        return;
    }
    int integer = 0;
    float real = 0.0F;
    bool isReal = false;
    switch (p.encoding) {
    case E::kInteger:
        integer = TruncateToInt32(value);
        break;
    case E::kLinear:
        real = static_cast<float>(LinFromDb(value));
        isReal = true;
        break;
    case E::kLin44:
        real = static_cast<float>(Lin44FromDb(value));
        isReal = true;
        break;
    case E::kReciprocal:
        real = static_cast<float>(1.0 / value);
        isReal = true;
        break;
    case E::kLin44Integer:
        integer = TruncateToInt32(Lin44FromDb(value));
        break;
    case E::kSamples:
        integer = SamplesFromMs(value);
        break;
    case E::kEnvelopeTime:
        integer = EnvelopeTimeFromMs(value);
        break;
    case E::kSweep:
        integer = SweepFromHz(value);
        break;
    case E::kSweepStepWidth:
        integer = SweepStepWidthFromIndex(TruncateToInt32(value));
        break;
    case E::kOscillator:
        break;
    }
    int channel = 0;
    switch (p.channel) {
    case C::kNone:
        if (isReal)
            sink.SetF(order, p.code, real);
        else
            sink.SetI(order, p.code, integer);
        return;
    case C::kPerOutputInput:
        sink.SetIIF(order, p.code, Channel(out), Channel(in), real);
        return;
    case C::kUnitInput:
        channel = module.m_id;
        break;
    case C::kUnitOutput:
        // Output modules are numbered after the eight inputs.
        channel = module.m_id - 8;
        break;
    case C::kPerInput:
        channel = Channel(in);
        break;
    case C::kPerOutput:
        channel = Channel(out);
        break;
    }
    if (isReal)
        sink.SetIF(order, p.code, channel, real);
    else
        sink.SetII(order, p.code, channel, integer);
}

void WriteModuleParameters(const CBaseAriModule& module, IParameterSink& sink) {
    const ModuleParameterTable* table = TableFor(module);
    if (table == nullptr)
        return;
    const std::int32_t variant = module.m_subType;
    Walk(*table, table->downloadOrder, module,
         [&](const ModuleParameter& p, std::size_t in, std::size_t out) {
             if (!HasVariant(p.variants, variant) && !HasVariant(p.alsoDownloaded, variant))
                 return;
             const double value = p.get(module, in, out);
             if (OffReset(p, value, p.ResetValue(variant)))
                 SendParameterValue(p, module, in, out, p.downloadsOnAsOne ? 1.0 : value, sink);
         });
    if (table->sections.download != nullptr)
        table->sections.download(module, sink);
}

void WriteModuleResets(const CBaseAriModule& module, IParameterSink& once, IParameterSink& each) {
    const ModuleParameterTable* table = TableFor(module);
    if (table == nullptr)
        return;
    const std::int32_t variant = module.m_subType;
    Walk(*table, {}, module, [&](const ModuleParameter& p, std::size_t in, std::size_t out) {
        if (!HasVariant(p.variants, variant))
            return;
        const double reset = p.ResetValue(variant);
        if (OffReset(p, p.get(module, in, out), reset))
            SendParameterValue(p, module, in, out, reset, p.resetEachTemplate ? each : once);
    });
    if (table->sections.reset != nullptr)
        table->sections.reset(module, once);
}

void CopyModuleParameters(const CBaseAriModule& source, CBaseAriModule& destination,
                          IParameterSink* out, bool resetting) {
    if (source.m_typeCode != destination.m_typeCode || source.m_subType != destination.m_subType)
        return;
    const ModuleParameterTable* table = TableFor(destination);
    if (table == nullptr || !table->isClass(source))
        return;
    if (table->carry != nullptr)
        table->carry(source, destination);
    const std::int32_t variant = destination.m_subType;
    Walk(*table, resetting ? std::span<const std::uint8_t>{} : table->copyOrder, destination,
         [&](const ModuleParameter& p, std::size_t in, std::size_t o) {
             const bool sent = HasVariant(p.variants, variant);
             if (!sent && !HasVariant(p.carried, variant))
                 return;
             const double value = p.get(source, in, o);
             // Compared as held: a NaN is taken again and sent again.
             if (p.get(destination, in, o) == value)
                 return;
             p.set(destination, in, o, value);
             if (sent && out != nullptr)
                 SendParameterValue(p, destination, in, o, p.get(destination, in, o), *out);
         });
    if (table->sections.copy != nullptr)
        table->sections.copy(source, destination, out, resetting);
}

} // namespace model
