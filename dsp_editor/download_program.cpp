#include "dsp_editor/download_program.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

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
#include "model/messages.h"
#include "model/value_encodings.h"

namespace dsp_editor {

using model::CBaseAriModule;

// -- the console as a sink

void CConsoleSink::Text(std::string_view text) {
    m_console.SendText(text, m_store);
}
void CConsoleSink::MDU(int type, int order, int variant) {
    m_console.SendMDU(type, order, variant, m_store);
}
void CConsoleSink::ILK(int toOrder, int toPin, int fromOrder, int fromPin) {
    m_console.SendILK(toOrder, toPin, fromOrder, fromPin, m_store);
}
void CConsoleSink::SetI(int order, int code, int value) {
    m_console.SendSetI(order, code, value, m_store);
}
void CConsoleSink::SetF(int order, int code, float value) {
    m_console.SendSetF(order, code, value, m_store);
}
void CConsoleSink::SetII(int order, int code, int index, int value) {
    m_console.SendSetII(order, code, index, value, m_store);
}
void CConsoleSink::SetIF(int order, int code, int index, float value) {
    m_console.SendSetIF(order, code, index, value, m_store);
}
void CConsoleSink::SetIIF(int order, int code, int a, int b, float value) {
    m_console.SendSetIIF(order, code, a, b, value, m_store);
}
void CConsoleSink::SetFF(int order, int code, float a, float b) {
    m_console.SendSetFF(order, code, a, b, m_store);
}
void CConsoleSink::Biquad(int order, int index, const model::BiquadCoeffs& section) {
    m_console.SendBiquad(order, index, section, m_store);
}

namespace {

using namespace model;

// The biquad chain block every equalizer, filter and crossover runs as.
constexpr int kBiquadBlock = 6;
// Section counts of the graphic equalizers' and the filters' blocks. The
// 1/3-octave graphic's block is declared with 17 sections although it
// takes all 31 bands' coefficients; the unit expects it so.
constexpr int kThirdOctaveSections = 17;
constexpr int kTwoThirdsOctaveSections = 15;
constexpr int kOctaveSections = 10;
constexpr int kPassFilterSections = 18;
constexpr int kShelfSections = 1;

constexpr int kTapCode = 1;
// The dynamics' and the generator's reset values.
constexpr double kResetAttackMs = 1000.0;
constexpr double kResetReleaseMs = 2000.0;
constexpr double kResetRatio = 4.0;
constexpr double kResetExpanderRatio = 0.25;
constexpr double kResetFrequencyHz = 1000.0;
constexpr std::int32_t kResetStepMs = 100;

// A stored count as a loop bound: within 0 .. `size`.
int LoopBound(std::int32_t count, std::size_t size) {
    return static_cast<int>(std::min(static_cast<std::size_t>(std::max(count, 0)), size));
}

float ToFloat(double value) {
    return static_cast<float>(value);
}

std::size_t Ix(int index) {
    return static_cast<std::size_t>(index);
}

void WriteInput(const CAriInput& m, IProgramSink& sink) {
    const int o = m.m_order, channel = m.m_id;
    if (m.m_mute != 0)
        sink.SetII(o, 101, channel, m.m_mute);
    if (m.m_invert != 0)
        sink.SetII(o, 102, channel, m.m_invert);
    if (m.m_level != 0.0)
        sink.SetIF(o, 103, channel, ToFloat(LinFromDb(m.m_level)));
    if (m.m_micGainIndex != 0)
        sink.SetII(o, 104, channel, m.m_micGainIndex);
    if (m.m_phantom != 0)
        sink.SetII(o, 105, channel, m.m_phantom);
}

void WriteOutput(const CAriOutput& m, IProgramSink& sink) {
    // Output modules are numbered after the eight inputs.
    const int o = m.m_order, channel = m.m_id - 8;
    if (m.m_mute != 0)
        sink.SetII(o, 201, channel, m.m_mute);
    if (m.m_invert != 0)
        sink.SetII(o, 202, channel, m.m_invert);
    if (m.m_level != 0.0)
        sink.SetIF(o, 203, channel, ToFloat(LinFromDb(m.m_level)));
}

void WriteDelay(const CAriDelay& m, IProgramSink& sink) {
    if (m.m_bypass != 0)
        sink.SetI(m.m_order, 302, m.m_bypass);
    // A new delay starts at its variant's longest.
    if (m.m_delay != CAriDelay::MaxDelayOf(m.m_subType))
        sink.SetI(m.m_order, 301, SamplesFromMs(m.m_delay));
}

void WriteRouter(const CAriRouter& m, IProgramSink& sink) {
    const int outputs = LoopBound(m.m_routeCount, m.m_selectedInput.size());
    for (int j = 0; j < outputs; ++j)
        if (m.m_selectedInput[Ix(j)] != 1)
            sink.SetII(m.m_order, 401, j + 1, m.m_selectedInput[Ix(j)]);
}

void WriteMixer(const CAriMixer& m, IProgramSink& sink) {
    const int o = m.m_order;
    const int inputs = LoopBound(m.m_mixInputs, CAriMixer::kMaxChannels);
    const int outputs = LoopBound(m.m_mixOutputs, CAriMixer::kMaxChannels);
    for (int i = 0; i < inputs; ++i) {
        if (m.m_inputMute[Ix(i)] != 0)
            sink.SetII(o, 501, i + 1, m.m_inputMute[Ix(i)]);
        if (m.m_inputLevel[Ix(i)] != 0.0)
            sink.SetIF(o, 503, i + 1, ToFloat(LinFromDb(m.m_inputLevel[Ix(i)])));
    }
    for (int j = 0; j < outputs; ++j) {
        if (m.m_outputMute[Ix(j)] != 0)
            sink.SetII(o, 502, j + 1, m.m_outputMute[Ix(j)]);
        if (m.m_outputLevel[Ix(j)] != 0.0)
            sink.SetIF(o, 504, j + 1, ToFloat(LinFromDb(m.m_outputLevel[Ix(j)])));
        // The integer kept beside each output is its column's on/off mask.
        if (m.m_columnMask[Ix(j)] != 0)
            sink.SetII(o, 505, j + 1, m.m_columnMask[Ix(j)]);
        for (int i = 0; i < inputs; ++i)
            if (m.m_crossPoint[Ix(i)][Ix(j)] != 0.0)
                sink.SetIIF(o, 506, j + 1, i + 1, ToFloat(LinFromDb(m.m_crossPoint[Ix(i)][Ix(j)])));
    }
}

void WriteDynamic(const CAriDynamic& m, IProgramSink& sink) {
    const int o = m.m_order;
    const std::int32_t variant = m.m_subType;
    if (m.m_bypass != 0)
        sink.SetI(o, 701, 1);
    if (variant == CAriDynamic::kNoiseGate && m.m_targetOrDepth != 0.0)
        sink.SetF(o, 708, ToFloat(LinFromDb(m.m_targetOrDepth)));
    if (variant == CAriDynamic::kLeveler && m.m_levelerGain != 0.0)
        sink.SetF(o, 707, ToFloat(LinFromDb(m.m_levelerGain)));
    if (m.m_attack != kResetAttackMs)
        sink.SetI(o, 702, EnvelopeTimeFromMs(m.m_attack));
    if (m.m_release != kResetReleaseMs)
        sink.SetI(o, 703, EnvelopeTimeFromMs(m.m_release));
    if (m.m_threshold != 0.0)
        sink.SetI(o, 704, TruncateToInt32(Lin44FromDb(m.m_threshold)));
    const bool compresses = variant == CAriDynamic::kLeveler || variant == CAriDynamic::kCompressor;
    if ((compresses && m.m_ratio != kResetRatio) ||
        (variant == CAriDynamic::kExpander && m.m_ratio != kResetExpanderRatio))
        sink.SetF(o, 705, ToFloat(1.0 / m.m_ratio));
}

void WriteGenerator(const CAriGenerator& m, IProgramSink& sink) {
    const int o = m.m_order;
    const bool sine = m.m_subType == CAriGenerator::kSine;
    if (sine && m.m_mode == 0)
        sink.SetI(o, 801, 0);
    if (m.m_mute != 0)
        sink.SetI(o, 802, 1);
    if (m.m_level != 0.0)
        sink.SetF(o, 803, ToFloat(Lin44FromDb(m.m_level)));
    if (!sine)
        return;
    if (m.m_frequency != kResetFrequencyHz) {
        const OscillatorPair osc = OscFromHz(m.m_frequency);
        sink.SetFF(o, 804, ToFloat(osc.twoCos), ToFloat(osc.sine));
    }
    if (m.m_sweepStart != kResetFrequencyHz)
        sink.SetI(o, 805, SweepFromHz(m.m_sweepStart));
    if (m.m_sweepStop != kResetFrequencyHz)
        sink.SetI(o, 806, SweepFromHz(m.m_sweepStop));
    if (m.m_stepWidthIndex != 0)
        sink.SetI(o, 807, SweepStepWidthFromIndex(m.m_stepWidthIndex));
    if (m.m_step != kResetStepMs)
        sink.SetI(o, 808, SamplesFromMs(m.m_step));
}

void WriteEqualizer(const CAriEqualizer& m, IProgramSink& sink) {
    if (m.m_bypass == 1)
        sink.SetI(m.m_order, 606, 1);
    // A band at 0 dB is the block's reset state whatever its frequency.
    const int bands = LoopBound(m.m_bandCount, CAriEqualizer::kMaxBands);
    for (int b = 0; b < bands; ++b)
        if (m.m_gain[Ix(b)] != 0.0)
            sink.Biquad(m.m_order, b + 1, m.m_coeffs[Ix(b)]);
}

void WriteFilter(const CAriFilter& m, IProgramSink& sink) {
    const int o = m.m_order;
    if (m.m_bypass == 1)
        sink.SetI(o, 606, 1);
    if (m.m_biquadCount != 1)
        sink.SetII(o, 609, 1, m.m_biquadCount);
    const bool shelf =
        m.m_subType == CAriFilter::kLowShelf || m.m_subType == CAriFilter::kHighShelf;
    if (shelf && m.m_gain == 0.0)
        return;
    // A pass filter's sections depend on its corner: always sent.
    const int sections = LoopBound(m.m_biquadCount, m.m_sections.size());
    for (int s = 0; s < sections; ++s)
        sink.Biquad(o, s + 1, m.m_sections[Ix(s)]);
}

void WriteCrossover(const CAriCrossover& m, IProgramSink& sink) {
    const int o = m.m_order;
    if (m.m_inputMute == 1)
        sink.SetI(o, 601, 1);
    if (m.m_inputLevel != 0.0)
        sink.SetF(o, 602, ToFloat(LinFromDb(m.m_inputLevel)));
    const int outputs = LoopBound(m.m_bands, CAriCrossover::kMaxOutputs);
    for (int j = 0; j < outputs; ++j) {
        if (m.m_outputMute[Ix(j)] != 0)
            sink.SetII(o, 603, j + 1, m.m_outputMute[Ix(j)]);
        if (m.m_outputInvert[Ix(j)] != 0)
            sink.SetII(o, 604, j + 1, m.m_outputInvert[Ix(j)]);
        if (m.m_outputLevel[Ix(j)] != 0.0)
            sink.SetIF(o, 605, j + 1, ToFloat(LinFromDb(m.m_outputLevel[Ix(j)])));
    }
    // Each filter position owns kMaxFilterSections section numbers on the
    // unit; its sections are always sent.
    const int positions = LoopBound(m.m_sectionCount, CAriCrossover::kMaxSections);
    for (int p = 0; p < positions; ++p) {
        const std::int32_t count = m.m_biquadCount[Ix(p)];
        if (count != 1)
            sink.SetII(o, 609, p + 1, count);
        const int sections = LoopBound(count, kMaxFilterSections);
        for (int s = 0; s < sections; ++s)
            sink.Biquad(o, kMaxFilterSections * p + s + 1, m.m_sections[Ix(p)][Ix(s)]);
    }
}

// Runs `write` when the module is of its class (a file may pair a type code
// with another class).
template <class T>
void WriteAs(void (*write)(const T&, IProgramSink&), const CBaseAriModule& module,
             IProgramSink& sink) {
    if (const auto* m = dynamic_cast<const T*>(&module))
        write(*m, sink);
}

} // namespace

UnitBlock UnitBlockOf(const CBaseAriModule& module) {
    const int type = module.m_typeCode, variant = module.m_subType;
    switch (type) {
    case kAriEqualizer:
        switch (variant) {
        case 51:
            return {kBiquadBlock, kThirdOctaveSections};
        case 52:
            return {kBiquadBlock, kTwoThirdsOctaveSections};
        case 53:
            return {kBiquadBlock, kOctaveSections};
        default:
            return {kBiquadBlock, variant};
        }
    case kAriFilter:
        switch (variant) {
        case CAriFilter::kLowPass:
        case CAriFilter::kHighPass:
            return {kBiquadBlock, kPassFilterSections};
        case CAriFilter::kLowShelf:
        case CAriFilter::kHighShelf:
            return {kBiquadBlock, kShelfSections};
        default:
            return {kBiquadBlock, variant};
        }
    case kAriCrossover:
        return {kBiquadBlock, variant};
    default:
        return {type, variant};
    }
}

void WriteParameters(const CBaseAriModule& module, IProgramSink& sink) {
    switch (module.m_typeCode) {
    case kAriInput:
        return WriteAs(WriteInput, module, sink);
    case kAriOutput:
        return WriteAs(WriteOutput, module, sink);
    case kAriDelay:
        return WriteAs(WriteDelay, module, sink);
    case kAriRouter:
        return WriteAs(WriteRouter, module, sink);
    case kAriMixer:
        return WriteAs(WriteMixer, module, sink);
    case kAriDynamic:
        return WriteAs(WriteDynamic, module, sink);
    case kAriGenerator:
        return WriteAs(WriteGenerator, module, sink);
    case kAriEqualizer:
        return WriteAs(WriteEqualizer, module, sink);
    case kAriFilter:
        return WriteAs(WriteFilter, module, sink);
    case kAriCrossover:
        return WriteAs(WriteCrossover, module, sink);
    default:
        return;
    }
}

void WriteMeterTaps(const CZoDSPDoc& doc, const CBaseAriModule& meter, IProgramSink& sink) {
    for (int i = 0; i < meter.m_inputCount; ++i) {
        const CBaseChnl* pin = meter.GetChnl(i);
        if (pin == nullptr || pin->m_linkCount < 1)
            continue;
        const CBaseAriModule* feeder = doc.GetModuleById(pin->m_peerModule);
        if (feeder == nullptr)
            continue;
        const int o = feeder->m_order;
        switch (feeder->m_typeCode) {
        case kAriInput:
            sink.SetII(o, kTapCode, feeder->m_id, 1);
            break;
        case kAriRouter:
        case kAriMixer:
        case kAriCrossover:
            // Several outputs: the tap names the output.
            sink.SetII(o, kTapCode, pin->m_peerChannel - feeder->m_inputCount + 1, 1);
            break;
        case kAriDelay:
        case kAriGeneral:
        case kAriDynamic:
        case kAriGenerator:
        case kAriEqualizer:
        case kAriFilter:
            sink.SetI(o, kTapCode, 1);
            break;
        default:
            break;
        }
    }
}

EProgramResult WriteDownloadProgram(const CZoDSPDoc& doc, IProgramSink& sink) {
    if (doc.m_orderOk == 0)
        return EProgramResult::OrderNotSet;
    sink.Text("RST");

    // All inputs share order 1 and all outputs the last: the first of each
    // stands for its kind.
    for (std::int32_t order = 1; order <= doc.m_outputOrder; ++order) {
        if (const CBaseAriModule* module = doc.GetModuleByOrder(order)) {
            const UnitBlock block = UnitBlockOf(*module);
            sink.MDU(block.type, order, block.variant);
        }
    }

    for (const auto& link : doc.Links()) {
        const CBaseAriModule* to = doc.GetModuleById(link->m_sourceModule);
        const CBaseAriModule* from = doc.GetModuleById(link->m_destModule);
        if (to == nullptr || from == nullptr)
            return EProgramResult::BadLink;
        // A meter only listens: its inputs become taps on their feeders.
        if (to->m_typeCode == kAriMeter)
            continue;
        // Channels are the unit's: an output module's is its id less the
        // eight inputs', an input module's its id.
        const int toPin = to->m_typeCode == kAriOutput ? to->m_id - 8 : link->m_sourceChannel + 1;
        const int fromPin = from->m_typeCode == kAriInput
                                ? from->m_id
                                : link->m_destChannel - from->m_inputCount + 1;
        sink.ILK(to->m_order, toPin, from->m_order, fromPin);
    }

    for (const auto& module : doc.Modules())
        WriteParameters(*module, sink);
    for (const auto& module : doc.Modules())
        if (module->m_typeCode == kAriMeter)
            WriteMeterTaps(doc, *module, sink);

    sink.Text("ENDD");
    sink.Text("RUN");
    return EProgramResult::Built;
}

} // namespace dsp_editor
