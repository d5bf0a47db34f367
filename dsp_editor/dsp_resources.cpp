// The DSP's budget and the execution order of a sheet's modules.
#include "dsp_editor/zo_dsp_doc.h"

#include <optional>

#include "model/messages.h"
#include "resources/message_ids.h"

namespace dsp_editor {

using model::CBaseAriModule;

namespace {

constexpr std::int32_t kSpaceBase = 200;
constexpr std::int32_t kSpaceOverhead = 117;
constexpr std::int32_t kSpaceLimit = 8192; // largest allowed
constexpr std::int32_t kTimeBase = 7789;
constexpr std::int32_t kTimeOverhead = 1507;
constexpr std::int32_t kTimePerModule = 5;
constexpr std::int32_t kTimePerMeterInput = 120;
constexpr std::int32_t kTimeLimit = 25001; // smallest refused

// Input and output modules have fixed places in the unit's program; text
// and meter modules are none of its processing.
bool IsProcessingModule(const CBaseAriModule& module) {
    switch (module.m_typeCode) {
    case model::kAriInput:
    case model::kAriOutput:
    case model::kAriText:
    case model::kAriMeter:
        return false;
    default:
        return true;
    }
}

// Whether every input pin of the module is fed by a numbered module, or
// unconnected; none when a pin names a feeder the sheet lacks.
std::optional<bool> InputsReady(const CZoDSPDoc& doc, const CBaseAriModule& module) {
    for (std::int32_t i = 0; i < module.m_inputCount; ++i) {
        const model::CBaseChnl* pin = module.GetChnl(i);
        if (pin == nullptr || pin->m_linkCount == 0)
            continue;
        const CBaseAriModule* feeder = doc.GetModuleById(pin->m_peerModule);
        if (feeder == nullptr)
            return std::nullopt;
        if (feeder->m_order == 0)
            return false;
    }
    return true;
}

} // namespace

std::int32_t CZoDSPDoc::CheckResources() {
    m_resourcesOk = 0;
    m_spaceTotal = kSpaceBase;
    m_timeTotal = kTimeBase;
    std::int32_t counted = 0;
    for (const auto& module : m_modules) {
        if (!IsProcessingModule(*module))
            continue;
        m_spaceTotal += module->m_memoryCost;
        m_timeTotal += module->m_timeCost;
        ++counted;
    }
    m_spaceTotal += kSpaceOverhead;
    m_timeTotal += kTimePerModule * counted + kTimeOverhead;
    for (const auto& module : m_modules) {
        if (module->m_typeCode != model::kAriMeter)
            continue;
        for (std::int32_t i = 0; i < module->m_inputCount; ++i)
            if (const model::CBaseChnl* pin = module->GetChnl(i); pin && pin->m_linkCount > 0)
                m_timeTotal += kTimePerMeterInput;
    }

    if (m_spaceTotal > kSpaceLimit) {
        model::ShowMessage(resources::kMsgSpaceExceeded);
        return 0;
    }
    if (m_timeTotal >= kTimeLimit) {
        model::ShowMessage(resources::kMsgTimeExceeded);
        return 0;
    }
    m_resourcesOk = 1;
    return 1;
}

std::int32_t CZoDSPDoc::AssignExecutionOrder() {
    m_orderOk = 0;
    if (CheckResources() == 0)
        return 0;

    // n counts the processing modules themselves, however many input and
    // output modules the sheet holds.
    std::int32_t n = 0;
    for (const auto& module : m_modules) {
        module->m_order = 0;
        if (IsProcessingModule(*module))
            ++n;
    }
    for (const auto& module : m_modules) {
        if (module->m_typeCode == model::kAriInput)
            module->m_order = 1;
        else if (module->m_typeCode == model::kAriOutput)
            module->m_order = n + 2;
    }
    m_outputOrder = n + 2;

    // Sweeps in array order; a module is numbered once all its feeders are,
    // numbers given earlier in the same sweep counting. A loop, or a module
    // fed only through a text or meter module, never gets ready.
    std::int32_t next = 2, assigned = 0, passes = 0;
    while (assigned != n) {
        for (const auto& module : m_modules) {
            if (module->m_order != 0 || !IsProcessingModule(*module))
                continue;
            const std::optional<bool> ready = InputsReady(*this, *module);
            if (!ready)
                return 0;
            if (*ready) {
                module->m_order = next++;
                ++assigned;
            }
        }
        if (++passes > n)
            return 0;
    }
    m_orderOk = 1;
    return 1;
}

} // namespace dsp_editor
