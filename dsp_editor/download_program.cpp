#include "dsp_editor/download_program.h"

#include <cstdint>

#include "dsp_editor/zo_dsp_doc.h"
#include "model/ari_filter.h"
#include "model/messages.h"
#include "resources/message_ids.h"

namespace dsp_editor {

using model::CBaseAriModule;

// -- the console as a sink

void CConsoleBuilderSink::Text(std::string_view text) {
    m_console.SendText(text, m_store);
    Sent(0);
}
void CConsoleBuilderSink::MDU(int type, int order, int variant) {
    m_console.SendMDU(type, order, variant, m_store);
    Sent(0);
}
void CConsoleBuilderSink::ILK(int toOrder, int toPin, int fromOrder, int fromPin) {
    m_console.SendILK(toOrder, toPin, fromOrder, fromPin, m_store);
    Sent(0);
}
void CConsoleBuilderSink::SetI(int order, int code, int value) {
    m_console.SendSetI(order, code, value, m_store);
    Sent(1);
}
void CConsoleBuilderSink::SetF(int order, int code, float value) {
    m_console.SendSetF(order, code, value, m_store);
    Sent(1);
}
void CConsoleBuilderSink::SetII(int order, int code, int index, int value) {
    m_console.SendSetII(order, code, index, value, m_store);
    Sent(1);
}
void CConsoleBuilderSink::SetIF(int order, int code, int index, float value) {
    m_console.SendSetIF(order, code, index, value, m_store);
    Sent(1);
}
void CConsoleBuilderSink::SetIIF(int order, int code, int a, int b, float value) {
    m_console.SendSetIIF(order, code, a, b, value, m_store);
    Sent(1);
}
void CConsoleBuilderSink::SetFF(int order, int code, float a, float b) {
    m_console.SendSetFF(order, code, a, b, m_store);
    Sent(2);
}
void CConsoleBuilderSink::Biquad(int order, int index, const model::BiquadCoeffs& section) {
    // Two lines under one head: b0 b1 b2, then a1 a2.
    m_console.SendBiquad(order, index, section, m_store);
    Sent(3);
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

void WriteParameters(const CBaseAriModule& module, model::IParameterSink& sink) {
    model::WriteModuleParameters(module, sink);
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
