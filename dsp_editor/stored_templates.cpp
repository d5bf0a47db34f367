// The reset commands a store program carries for the other templates of
// the unit that share its structure name.
#include "dsp_editor/stored_templates.h"

#include "dsp_editor/store_list.h"
#include "dsp_editor/zo_dsp_doc.h"
#include "model/ari_crossover.h"
#include "model/ari_delay.h"
#include "model/ari_dynamic.h"
#include "model/ari_equalizer.h"
#include "model/ari_filter.h"
#include "model/ari_generator.h"
#include "model/ari_input.h"
#include "model/ari_mixer.h"
#include "model/ari_output.h"
#include "model/ari_router.h"
#include "model/value_encodings.h"

namespace dsp_editor {

using namespace model;

namespace {

// Writes reset commands so that each stands once from the start of the
// store program on, at the place of its last writing.
class CResetWriter {
public:
    CResetWriter(CStoreList& list, std::size_t start) : m_list(list), m_start(start) {}

    void SetI(int o, int code, int value) {
        m_list.SetI(o, code, value);
        m_list.KeepLastOnce(m_start, 1);
    }
    void SetF(int o, int code, double value) {
        m_list.SetF(o, code, static_cast<float>(value));
        m_list.KeepLastOnce(m_start, 1);
    }
    void SetII(int o, int code, int index, int value) {
        m_list.SetII(o, code, index, value);
        m_list.KeepLastOnce(m_start, 1);
    }
    void SetIF(int o, int code, int index, double value) {
        m_list.SetIF(o, code, index, static_cast<float>(value));
        m_list.KeepLastOnce(m_start, 1);
    }
    void SetIIF(int o, int code, int a, int b, double value) {
        m_list.SetIIF(o, code, a, b, static_cast<float>(value));
        m_list.KeepLastOnce(m_start, 1);
    }
    void SetFF(int o, int code, double a, double b) {
        m_list.SetFF(o, code, static_cast<float>(a), static_cast<float>(b));
        m_list.KeepLastOnce(m_start, 1);
    }
    // A biquad section that passes the signal unchanged.
    void PassThrough(int o, int index) {
        m_list.Biquad(o, index, BiquadCoeffs{});
        m_list.KeepLastOnce(m_start, 2);
    }
    // A filter's bypass reset stands once for every template that needs it.
    void FilterBypass(int o) { m_list.SetI(o, 606, 0); }

private:
    CStoreList& m_list;
    std::size_t m_start;
};

// The reset state of the blocks.
constexpr double kResetAttackMs = 1000.0;
constexpr double kResetReleaseMs = 2000.0;
constexpr double kResetRatio = 4.0;
constexpr double kResetExpanderRatio = 0.25;
constexpr double kResetFrequencyHz = 1000.0;
constexpr std::int32_t kResetStepMs = 100;
constexpr double kUnity = 1.0;

std::size_t Ix(int index) {
    return static_cast<std::size_t>(index);
}

int Bound(std::int32_t count, std::size_t size) {
    return static_cast<int>(std::min(static_cast<std::size_t>(std::max(count, 0)), size));
}

void ResetInput(const CAriInput& m, CResetWriter& w) {
    const int o = m.m_order, channel = m.m_id;
    if (m.m_mute != 0)
        w.SetII(o, 101, channel, 0);
    if (m.m_invert != 0)
        w.SetII(o, 102, channel, 0);
    if (m.m_level != 0.0)
        w.SetIF(o, 103, channel, kUnity);
    if (m.m_micGainIndex != 0)
        w.SetII(o, 104, channel, 0);
    if (m.m_phantom != 0)
        w.SetII(o, 105, channel, 0);
}

void ResetOutput(const CAriOutput& m, CResetWriter& w) {
    const int o = m.m_order, channel = m.m_id - 8;
    if (m.m_mute != 0)
        w.SetII(o, 201, channel, 0);
    if (m.m_invert != 0)
        w.SetII(o, 202, channel, 0);
    if (m.m_level != 0.0)
        w.SetIF(o, 203, channel, kUnity);
}

void ResetDelay(const CAriDelay& m, CResetWriter& w) {
    if (m.m_bypass != 0)
        w.SetI(m.m_order, 302, 0);
    const double longest = CAriDelay::MaxDelayOf(m.m_subType);
    if (m.m_delay != longest)
        w.SetI(m.m_order, 301, SamplesFromMs(longest));
}

void ResetRouter(const CAriRouter& m, CResetWriter& w) {
    const int outputs = Bound(m.m_routeCount, m.m_selectedInput.size());
    for (int j = 0; j < outputs; ++j)
        if (m.m_selectedInput[Ix(j)] != 1)
            w.SetII(m.m_order, 401, j + 1, 1);
}

void ResetMixer(const CAriMixer& m, CResetWriter& w) {
    const int o = m.m_order;
    const int inputs = Bound(m.m_mixInputs, CAriMixer::kMaxChannels);
    const int outputs = Bound(m.m_mixOutputs, CAriMixer::kMaxChannels);
    for (int i = 0; i < inputs; ++i) {
        if (m.m_inputMute[Ix(i)] != 0)
            w.SetII(o, 501, i + 1, 0);
        if (m.m_inputLevel[Ix(i)] != 0.0)
            w.SetIF(o, 503, i + 1, kUnity);
    }
    for (int j = 0; j < outputs; ++j) {
        if (m.m_outputMute[Ix(j)] != 0)
            w.SetII(o, 502, j + 1, 0);
        if (m.m_outputLevel[Ix(j)] != 0.0)
            w.SetIF(o, 504, j + 1, kUnity);
        if (m.m_columnMask[Ix(j)] != 0)
            w.SetII(o, 505, j + 1, 0);
        for (int i = 0; i < inputs; ++i)
            if (m.m_crossPoint[Ix(i)][Ix(j)] != 0.0)
                w.SetIIF(o, 506, j + 1, i + 1, kUnity);
    }
}

void ResetDynamic(const CAriDynamic& m, CResetWriter& w) {
    const int o = m.m_order;
    if (m.m_bypass != 0)
        w.SetI(o, 701, 0);
    if (m.m_attack != kResetAttackMs)
        w.SetI(o, 702, EnvelopeTimeFromMs(kResetAttackMs));
    if (m.m_release != kResetReleaseMs)
        w.SetI(o, 703, EnvelopeTimeFromMs(kResetReleaseMs));
    if (m.m_threshold != 0.0)
        w.SetI(o, 704, TruncateToInt32(Lin44FromDb(0.0)));
    switch (m.m_subType) {
    case CAriDynamic::kCompressor:
        if (m.m_ratio != kResetRatio)
            w.SetF(o, 705, 1.0 / kResetRatio);
        break;
    case CAriDynamic::kExpander:
        if (m.m_ratio != kResetExpanderRatio)
            w.SetF(o, 705, 1.0 / kResetExpanderRatio);
        break;
    case CAriDynamic::kLeveler:
        if (m.m_levelerGain != 0.0)
            w.SetF(o, 707, kUnity);
        break;
    case CAriDynamic::kNoiseGate:
        if (m.m_targetOrDepth != 0.0)
            w.SetF(o, 708, kUnity);
        break;
    default:
        break;
    }
}

void ResetGenerator(const CAriGenerator& m, CResetWriter& w) {
    const int o = m.m_order;
    const bool sine = m.m_subType == CAriGenerator::kSine;
    if (sine && m.m_mode == 0)
        w.SetI(o, 801, 1);
    if (m.m_mute != 0)
        w.SetI(o, 802, 0);
    if (m.m_level != 0.0)
        w.SetF(o, 803, Lin44FromDb(0.0));
    if (!sine)
        return;
    if (m.m_frequency != kResetFrequencyHz) {
        const OscillatorPair osc = OscFromHz(kResetFrequencyHz);
        w.SetFF(o, 804, osc.twoCos, osc.sine);
    }
    if (m.m_sweepStart != kResetFrequencyHz)
        w.SetI(o, 805, SweepFromHz(kResetFrequencyHz));
    if (m.m_sweepStop != kResetFrequencyHz)
        w.SetI(o, 806, SweepFromHz(kResetFrequencyHz));
    if (m.m_stepWidthIndex != 0)
        w.SetI(o, 807, SweepStepWidthFromIndex(0));
    if (m.m_step != kResetStepMs)
        w.SetI(o, 808, SamplesFromMs(kResetStepMs));
}

// A band or shelf at 0 dB sends no section: the store program leaves the
// section another template set unless it is reset to pass-through.
void ResetEqualizer(const CAriEqualizer& m, CResetWriter& w) {
    if (m.m_bypass == 1)
        w.SetI(m.m_order, 606, 0);
    const int bands = Bound(m.m_bandCount, CAriEqualizer::kMaxBands);
    for (int b = 0; b < bands; ++b)
        if (m.m_gain[Ix(b)] != 0.0)
            w.PassThrough(m.m_order, b + 1);
}

void ResetFilter(const CAriFilter& m, CResetWriter& w) {
    if (m.m_bypass == 1)
        w.FilterBypass(m.m_order);
    if (m.m_subType == CAriFilter::kLowPass || m.m_subType == CAriFilter::kHighPass) {
        if (m.m_filterType != kDefaultFilterType)
            w.SetII(m.m_order, 609, 1, 1);
    } else if (m.m_gain != 0.0) {
        w.PassThrough(m.m_order, 1);
    }
}

void ResetCrossover(const CAriCrossover& m, CResetWriter& w) {
    const int o = m.m_order;
    if (m.m_inputMute == 1)
        w.SetI(o, 601, 0);
    if (m.m_inputLevel != 0.0)
        w.SetF(o, 602, kUnity);
    const int outputs = Bound(m.m_bands, CAriCrossover::kMaxOutputs);
    for (int j = 0; j < outputs; ++j) {
        if (m.m_outputMute[Ix(j)] != 0)
            w.SetII(o, 603, j + 1, 0);
        if (m.m_outputInvert[Ix(j)] != 0)
            w.SetII(o, 604, j + 1, 0);
        if (m.m_outputLevel[Ix(j)] != 0.0)
            w.SetIF(o, 605, j + 1, kUnity);
    }
    const int positions = Bound(m.m_sectionCount, CAriCrossover::kMaxSections);
    for (int p = 0; p < positions; ++p)
        if (m.m_biquadCount[Ix(p)] != 1)
            w.SetII(o, 609, p + 1, 1);
}

// Runs `reset` when the module is of its class (a file may pair a type
// code with another class).
template <class T>
void ResetAs(void (*reset)(const T&, CResetWriter&), const CBaseAriModule& module,
             CResetWriter& w) {
    if (const auto* m = dynamic_cast<const T*>(&module))
        reset(*m, w);
}

void ResetModule(const CBaseAriModule& module, CResetWriter& w) {
    switch (module.m_typeCode) {
    case kAriInput:
        return ResetAs(ResetInput, module, w);
    case kAriOutput:
        return ResetAs(ResetOutput, module, w);
    case kAriDelay:
        return ResetAs(ResetDelay, module, w);
    case kAriRouter:
        return ResetAs(ResetRouter, module, w);
    case kAriMixer:
        return ResetAs(ResetMixer, module, w);
    case kAriDynamic:
        return ResetAs(ResetDynamic, module, w);
    case kAriGenerator:
        return ResetAs(ResetGenerator, module, w);
    case kAriEqualizer:
        return ResetAs(ResetEqualizer, module, w);
    case kAriFilter:
        return ResetAs(ResetFilter, module, w);
    case kAriCrossover:
        return ResetAs(ResetCrossover, module, w);
    default:
        return;
    }
}

} // namespace

// -- the resets

void CompareFirmTemplates(const CZoDSPDoc& other, std::string_view structName, std::size_t start,
                          CStoreList& list) {
    if (other.m_templateStructName != structName)
        return;
    CResetWriter writer(list, start);
    for (const auto& module : other.Modules())
        ResetModule(*module, writer);
}

} // namespace dsp_editor
