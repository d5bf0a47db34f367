#include "dsp_editor/parameter_copy.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

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

namespace dsp_editor {

namespace {

using namespace model;

// Copies `from` into `to` when they differ; true when it did.
template <class T> bool Take(T& to, const T& from) {
    if (to == from)
        return false;
    to = from;
    return true;
}

// A stored count as a loop bound: within 0 .. the array's size.
std::size_t Bounded(std::int32_t count, std::size_t size) {
    return std::min(static_cast<std::size_t>(std::max(count, 0)), size);
}

// The commands of one module, on the control queue while the sheet is live
// and nowhere otherwise. Values travel as single-precision floats.
class Commands {
public:
    Commands(bool send, std::int32_t order, comm::CDSPDlgShowCMD& console)
        : m_send(send), m_order(order), m_console(console) {}

    void SetI(int code, std::int32_t value) const {
        if (m_send)
            m_console.SendSetI(m_order, code, value, false);
    }
    void SetF(int code, double value) const {
        if (m_send)
            m_console.SendSetF(m_order, code, static_cast<float>(value), false);
    }
    void SetII(int code, int index, std::int32_t value) const {
        if (m_send)
            m_console.SendSetII(m_order, code, index, value, false);
    }
    void SetIF(int code, int index, double value) const {
        if (m_send)
            m_console.SendSetIF(m_order, code, index, static_cast<float>(value), false);
    }
    void SetIIF(int code, int a, int b, double value) const {
        if (m_send)
            m_console.SendSetIIF(m_order, code, a, b, static_cast<float>(value), false);
    }
    void SetFF(int code, double a, double b) const {
        if (m_send)
            m_console.SendSetFF(m_order, code, static_cast<float>(a), static_cast<float>(b), false);
    }
    void Biquad(int index, const BiquadCoeffs& section) const {
        if (m_send)
            m_console.SendBiquad(m_order, index, section, false);
    }

private:
    bool m_send;
    std::int32_t m_order;
    comm::CDSPDlgShowCMD& m_console;
};

void CopyInput(const CAriInput& s, CAriInput& d, const Commands& out) {
    // An input's commands name the unit channel it stands for: its id.
    const int channel = d.m_id;
    Take(d.m_micControls, s.m_micControls);
    if (Take(d.m_mute, s.m_mute))
        out.SetII(101, channel, d.m_mute);
    if (Take(d.m_invert, s.m_invert))
        out.SetII(102, channel, d.m_invert);
    if (Take(d.m_level, s.m_level))
        out.SetIF(103, channel, LinFromDb(d.m_level));
    if (Take(d.m_phantom, s.m_phantom))
        out.SetII(105, channel, d.m_phantom);
    if (Take(d.m_micGainIndex, s.m_micGainIndex))
        out.SetII(104, channel, d.m_micGainIndex);
}

void CopyOutput(const CAriOutput& s, CAriOutput& d, const Commands& out) {
    // Output modules are numbered after the eight inputs.
    const int channel = d.m_id - 8;
    if (Take(d.m_mute, s.m_mute))
        out.SetII(201, channel, d.m_mute);
    if (Take(d.m_invert, s.m_invert))
        out.SetII(202, channel, d.m_invert);
    if (Take(d.m_level, s.m_level))
        out.SetIF(203, channel, LinFromDb(d.m_level));
}

void CopyDelay(const CAriDelay& s, CAriDelay& d, const Commands& out) {
    if (Take(d.m_bypass, s.m_bypass))
        out.SetI(302, d.m_bypass);
    if (Take(d.m_delay, s.m_delay))
        out.SetI(301, SamplesFromMs(d.m_delay));
}

void CopyRouter(const CAriRouter& s, CAriRouter& d, const Commands& out) {
    const std::size_t outputs = Bounded(d.m_routeCount, d.m_selectedInput.size());
    for (std::size_t j = 0; j < outputs; ++j)
        if (Take(d.m_selectedInput[j], s.m_selectedInput[j]))
            out.SetII(401, static_cast<int>(j + 1), d.m_selectedInput[j]);
}

void CopyMixer(const CAriMixer& s, CAriMixer& d, const Commands& out) {
    const std::size_t inputs = Bounded(d.m_mixInputs, CAriMixer::kMaxChannels);
    const std::size_t outputs = Bounded(d.m_mixOutputs, CAriMixer::kMaxChannels);
    for (std::size_t i = 0; i < inputs; ++i) {
        const int in = static_cast<int>(i + 1);
        if (Take(d.m_inputMute[i], s.m_inputMute[i]))
            out.SetII(501, in, d.m_inputMute[i]);
        if (Take(d.m_inputLevel[i], s.m_inputLevel[i]))
            out.SetIF(503, in, LinFromDb(d.m_inputLevel[i]));
    }
    for (std::size_t j = 0; j < outputs; ++j) {
        const int o = static_cast<int>(j + 1);
        if (Take(d.m_outputMute[j], s.m_outputMute[j]))
            out.SetII(502, o, d.m_outputMute[j]);
        if (Take(d.m_outputLevel[j], s.m_outputLevel[j]))
            out.SetIF(504, o, LinFromDb(d.m_outputLevel[j]));
        // The integer stored beside each output is its column's on/off mask.
        if (Take(d.m_columnMask[j], s.m_columnMask[j]))
            out.SetII(505, o, d.m_columnMask[j]);
        for (std::size_t i = 0; i < inputs; ++i)
            if (Take(d.m_crossPoint[i][j], s.m_crossPoint[i][j]))
                out.SetIIF(506, o, static_cast<int>(i + 1), LinFromDb(d.m_crossPoint[i][j]));
    }
}

void CopyDynamic(const CAriDynamic& s, CAriDynamic& d, const Commands& out) {
    if (Take(d.m_bypass, s.m_bypass))
        out.SetI(701, d.m_bypass);
    if (Take(d.m_attack, s.m_attack))
        out.SetI(702, EnvelopeTimeFromMs(d.m_attack));
    if (Take(d.m_release, s.m_release))
        out.SetI(703, EnvelopeTimeFromMs(d.m_release));
    if (Take(d.m_threshold, s.m_threshold))
        out.SetI(704, TruncateToInt32(Lin44FromDb(d.m_threshold)));
    switch (d.m_subType) {
    case CAriDynamic::kCompressor:
    case CAriDynamic::kExpander:
        if (Take(d.m_ratio, s.m_ratio))
            out.SetF(705, 1.0 / d.m_ratio);
        break;
    case CAriDynamic::kLeveler:
        // The unit's leveler has a fixed ratio and no gate.
        Take(d.m_ratio, s.m_ratio);
        Take(d.m_targetOrDepth, s.m_targetOrDepth);
        if (Take(d.m_levelerGain, s.m_levelerGain))
            out.SetF(707, LinFromDb(d.m_levelerGain));
        break;
    case CAriDynamic::kNoiseGate:
        if (Take(d.m_targetOrDepth, s.m_targetOrDepth))
            out.SetF(708, LinFromDb(d.m_targetOrDepth));
        break;
    default:
        break;
    }
}

void CopyGenerator(const CAriGenerator& s, CAriGenerator& d, const Commands& out) {
    const bool sine = d.m_subType == CAriGenerator::kSine;
    if (sine && Take(d.m_mode, s.m_mode))
        out.SetI(801, d.m_mode);
    if (Take(d.m_mute, s.m_mute))
        out.SetI(802, d.m_mute);
    if (Take(d.m_level, s.m_level))
        out.SetF(803, Lin44FromDb(d.m_level));
    if (!sine)
        return;
    if (Take(d.m_frequency, s.m_frequency)) {
        const OscillatorPair osc = OscFromHz(d.m_frequency);
        out.SetFF(804, osc.twoCos, osc.sine);
    }
    if (Take(d.m_sweepStart, s.m_sweepStart))
        out.SetI(805, SweepFromHz(d.m_sweepStart));
    if (Take(d.m_sweepStop, s.m_sweepStop))
        out.SetI(806, SweepFromHz(d.m_sweepStop));
    if (Take(d.m_stepWidthIndex, s.m_stepWidthIndex))
        out.SetI(807, SweepStepWidthFromIndex(d.m_stepWidthIndex));
    if (Take(d.m_step, s.m_step))
        out.SetI(808, SamplesFromMs(d.m_step));
}

void CopyEqualizer(const CAriEqualizer& s, CAriEqualizer& d, const Commands& out) {
    Take(d.m_bandCount, s.m_bandCount);
    if (Take(d.m_bypass, s.m_bypass))
        out.SetI(606, d.m_bypass);
    const std::size_t bands = Bounded(d.m_bandCount, CAriEqualizer::kMaxBands);
    for (std::size_t b = 0; b < bands; ++b)
        Take(d.m_bandFlag[b], s.m_bandFlag[b]);
    // A band's section follows from its three values; the section goes to
    // the unit when any of them changed.
    for (std::size_t b = 0; b < bands; ++b) {
        if (d.m_frequency[b] != s.m_frequency[b] || d.m_gain[b] != s.m_gain[b] ||
            d.m_bandwidth[b] != s.m_bandwidth[b]) {
            d.m_coeffs[b] = s.m_coeffs[b];
            out.Biquad(static_cast<int>(b + 1), d.m_coeffs[b]);
        }
        d.m_frequency[b] = s.m_frequency[b];
        d.m_gain[b] = s.m_gain[b];
        d.m_bandwidth[b] = s.m_bandwidth[b];
    }
}

void CopyFilter(const CAriFilter& s, CAriFilter& d, const Commands& out) {
    if (Take(d.m_bypass, s.m_bypass))
        out.SetI(606, d.m_bypass);
    if (d.m_filterType != s.m_filterType && Take(d.m_biquadCount, s.m_biquadCount))
        out.SetII(609, 1, d.m_biquadCount);
    if (d.m_subType == CAriFilter::kLowPass || d.m_subType == CAriFilter::kHighPass) {
        if (d.m_filterType != s.m_filterType || d.m_frequency != s.m_frequency) {
            d.m_sections = s.m_sections;
            const std::size_t sections = Bounded(d.m_biquadCount, d.m_sections.size());
            for (std::size_t k = 0; k < sections; ++k)
                out.Biquad(static_cast<int>(k + 1), d.m_sections[k]);
        }
    } else if (d.m_frequency != s.m_frequency || d.m_gain != s.m_gain) {
        // A shelf is one section.
        d.m_sections[0] = s.m_sections[0];
        out.Biquad(1, d.m_sections[0]);
    }
    d.m_filterType = s.m_filterType;
    d.m_frequency = s.m_frequency;
    d.m_gain = s.m_gain;
}

void CopyCrossover(const CAriCrossover& s, CAriCrossover& d, const Commands& out) {
    Take(d.m_sectionCount, s.m_sectionCount);
    if (Take(d.m_inputMute, s.m_inputMute))
        out.SetI(601, d.m_inputMute);
    if (Take(d.m_inputLevel, s.m_inputLevel))
        out.SetF(602, LinFromDb(d.m_inputLevel));
    const std::size_t outputs = Bounded(d.m_bands, CAriCrossover::kMaxOutputs);
    for (std::size_t j = 0; j < outputs; ++j) {
        const int o = static_cast<int>(j + 1);
        if (Take(d.m_outputMute[j], s.m_outputMute[j]))
            out.SetII(603, o, d.m_outputMute[j]);
        if (Take(d.m_outputInvert[j], s.m_outputInvert[j]))
            out.SetII(604, o, d.m_outputInvert[j]);
        if (Take(d.m_outputLevel[j], s.m_outputLevel[j]))
            out.SetIF(605, o, LinFromDb(d.m_outputLevel[j]));
    }
    const std::size_t positions = Bounded(d.m_sectionCount, CAriCrossover::kMaxSections);
    for (std::size_t p = 0; p < positions; ++p) {
        const bool typeChanged = d.m_filterType[p] != s.m_filterType[p];
        if (typeChanged) {
            d.m_biquadCount[p] = s.m_biquadCount[p];
            out.SetII(609, static_cast<int>(p + 1), d.m_biquadCount[p]);
        }
        if (typeChanged || d.m_frequency[p] != s.m_frequency[p]) {
            d.m_sections[p] = s.m_sections[p];
            // Each position owns four section numbers on the unit.
            const std::size_t sections = Bounded(d.m_biquadCount[p], kMaxFilterSections);
            for (std::size_t k = 0; k < sections; ++k)
                out.Biquad(static_cast<int>(kMaxFilterSections * p + k + 1), d.m_sections[p][k]);
        }
        d.m_filterType[p] = s.m_filterType[p];
        d.m_frequency[p] = s.m_frequency[p];
    }
}

void CopyText(const CAriText& s, CAriText& d, const Commands&) {
    d.m_text = s.m_text;
    d.m_transparent = s.m_transparent;
    d.m_colours[CAriText::kBodyColour] = s.m_colours[CAriText::kBodyColour];
    d.m_colours[CAriText::kTextColour] = s.m_colours[CAriText::kTextColour];
    d.m_font = s.m_font;
}

void CopyMeter(const CAriMeter& s, CAriMeter& d, const Commands&) {
    const std::size_t inputs = Bounded(d.m_meterInputs, CAriMeter::kMaxInputs);
    std::copy_n(s.m_peakHold.begin(), inputs, d.m_peakHold.begin());
}

// Runs `copy` when both modules are of its class.
template <class T>
void CopyAs(void (*copy)(const T&, T&, const Commands&), const CBaseAriModule& source,
            CBaseAriModule& destination, const Commands& out) {
    const auto* s = dynamic_cast<const T*>(&source);
    auto* d = dynamic_cast<T*>(&destination);
    if (s && d)
        copy(*s, *d, out);
}

} // namespace

void SendParameterChanges(const CBaseAriModule& source, CBaseAriModule& destination, bool send,
                          comm::CDSPDlgShowCMD& console) {
    if (source.m_typeCode != destination.m_typeCode || source.m_subType != destination.m_subType)
        return;
    const Commands out(send, destination.m_order, console);
    switch (source.m_typeCode) {
    case kAriInput:
        return CopyAs(CopyInput, source, destination, out);
    case kAriOutput:
        return CopyAs(CopyOutput, source, destination, out);
    case kAriDelay:
        return CopyAs(CopyDelay, source, destination, out);
    case kAriRouter:
        return CopyAs(CopyRouter, source, destination, out);
    case kAriMixer:
        return CopyAs(CopyMixer, source, destination, out);
    case kAriDynamic:
        return CopyAs(CopyDynamic, source, destination, out);
    case kAriGenerator:
        return CopyAs(CopyGenerator, source, destination, out);
    case kAriEqualizer:
        return CopyAs(CopyEqualizer, source, destination, out);
    case kAriFilter:
        return CopyAs(CopyFilter, source, destination, out);
    case kAriCrossover:
        return CopyAs(CopyCrossover, source, destination, out);
    case kAriText:
        return CopyAs(CopyText, source, destination, out);
    case kAriMeter:
        return CopyAs(CopyMeter, source, destination, out);
    default:
        return;
    }
}

} // namespace dsp_editor
