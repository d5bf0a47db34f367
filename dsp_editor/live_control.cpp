#include "dsp_editor/live_control.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "dsp_editor/download_program.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/ari_classes.h"
#include "model/module_parameters.h"

namespace dsp_editor {

using model::CBaseAriModule;

namespace {

// The parser has room for this many parts; a longer text is no reading.
constexpr std::size_t kMaxReplyParts = 20;

// The device model whose input channels from 7 up trade places in pairs.
constexpr std::int32_t kPairedInputsModel = 3;
constexpr std::int32_t kFirstPairedInput = 7;

// The leading integer of a command part, which may end in the command's
// closing "#".
std::optional<std::int32_t> PartInteger(std::string_view part) {
    if (part.ends_with('#'))
        part.remove_suffix(1);
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (ec != std::errc{} || end != part.data() + part.size())
        return std::nullopt;
    return value;
}

} // namespace

std::unique_ptr<CBaseAriModule> DefaultModuleLike(const CBaseAriModule& module,
                                                  std::int32_t deviceModel) {
    return model::MakeAriModule(module.m_typeCode, module.m_id, module.m_subType,
                                module.m_body.left, module.m_body.top, deviceModel);
}

bool ResetParameters(CBaseAriModule& target, std::int32_t deviceModel, bool send,
                     comm::CDSPDlgShowCMD& console) {
    const std::unique_ptr<CBaseAriModule> defaults = DefaultModuleLike(target, deviceModel);
    if (!defaults)
        return false;
    CConsoleSink control(console, false);
    model::CopyModuleParameters(*defaults, target, send ? &control : nullptr, true);
    return true;
}

std::optional<MeterReading> ParseMeterReply(std::string_view text) {
    std::vector<std::string_view> parts;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t start = text.find_first_not_of(' ', at);
        if (start == std::string_view::npos)
            break;
        const std::size_t end = std::min(text.find(' ', start), text.size());
        if (parts.size() == kMaxReplyParts)
            return std::nullopt;
        parts.push_back(text.substr(start, end - start));
        at = end;
    }
    // The get's head, order and code, then the reply.
    if (parts.size() < 4)
        return std::nullopt;

    std::string_view reply = parts.back();
    if (reply.size() < 3 || reply.front() != '*' || reply.back() != '#')
        return std::nullopt;
    reply = reply.substr(1, reply.size() - 2);
    // from_chars takes no leading "+"; neither does the unit send one.
    double dB = 0.0;
    const auto [end, ec] = std::from_chars(reply.data(), reply.data() + reply.size(), dB);
    if (ec != std::errc{} || end != reply.data() + reply.size() || !std::isfinite(dB))
        return std::nullopt;

    MeterReading reading;
    reading.dB = dB;
    const std::optional<std::int32_t> order = PartInteger(parts[1]);
    const std::optional<std::int32_t> code = PartInteger(parts[2]);
    if (!order || !code)
        return std::nullopt;
    reading.order = *order;
    reading.code = *code;
    if (parts.size() > 4) {
        reading.channel = PartInteger(parts[3]);
        if (!reading.channel)
            return std::nullopt;
    }
    return reading;
}

std::optional<std::int32_t> MeterTap(const CBaseAriModule& module, const MeterReading& reading) {
    std::int32_t readBack = 0;
    bool perOutput = false;
    switch (module.m_typeCode) {
    case model::kAriInput:
        readBack = 106;
        perOutput = true;
        break;
    case model::kAriDelay:
        readBack = 303;
        break;
    case model::kAriRouter:
        readBack = 402;
        perOutput = true;
        break;
    case model::kAriMixer:
        readBack = 507;
        perOutput = true;
        break;
    case model::kAriDynamic:
        readBack = 706;
        break;
    case model::kAriGenerator:
        readBack = 809;
        break;
    case model::kAriEqualizer:
    case model::kAriFilter:
        readBack = 608;
        break;
    case model::kAriCrossover:
        readBack = 608;
        perOutput = true;
        break;
    default:
        return std::nullopt;
    }
    if (reading.code != readBack)
        return std::nullopt;
    // A get without a channel reads a module's only output (the 4 x 1 and
    // 8 x 1 mixers' too).
    return perOutput && reading.channel ? *reading.channel - 1 : 0;
}

std::int32_t MeterInputChannel(std::int32_t pin, std::int32_t deviceModel) {
    const std::int32_t channel = pin + 1;
    if (deviceModel != kPairedInputsModel || channel < kFirstPairedInput)
        return channel;
    return channel % 2 != 0 ? channel + 1 : channel - 1;
}

// -- the view's live control

void CZoDSPView::ResetModuleToDefaults(CBaseAriModule& module, CBaseAriModule* copy) {
    if (!ResetParameters(module, m_document.m_deviceModel, m_document.m_live != 0, m_console))
        return;
    if (copy != nullptr)
        ResetParameters(*copy, m_document.m_deviceModel, false, m_console);
    m_document.NotifyModuleChanged(module);
    OnModuleChanged(module);
    RefreshDialogsOf(module);
    m_document.SetModifiedFlag(true);
}

int CZoDSPView::OnMeterReply(std::string_view text) {
    const std::optional<MeterReading> reading = ParseMeterReply(text);
    if (!reading)
        return 0;
    const CBaseAriModule* module = m_document.GetModuleByOrder(reading->order);
    if (module == nullptr)
        return 0;
    if (const std::optional<std::int32_t> tap = MeterTap(*module, *reading))
        ShowMeterValue(*module, reading->dB, *tap);
    return 1;
}

void CZoDSPView::ShowMeterValue(const CBaseAriModule& tapped, double dB, std::int32_t pin) {
    const bool input = tapped.m_typeCode == model::kAriInput;
    const std::int32_t channel = MeterInputChannel(pin, m_document.m_deviceModel);
    // A dialog may reach back into the list while it draws.
    const std::vector<IAttriDialog*> dialogs = m_document.AttriDialogs();
    for (const auto& meter : m_document.Modules()) {
        if (meter->m_typeCode != model::kAriMeter)
            continue;
        const int pins = std::min(meter->m_inputCount, meter->GetChnlCount());
        for (int k = 0; k < pins; ++k) {
            const model::CBaseChnl* feed = meter->GetChnl(k);
            const bool match = input ? feed->m_peerModule == channel
                                     : feed->m_peerModule == tapped.m_id &&
                                           feed->m_peerChannel - tapped.m_inputCount == pin;
            if (!match)
                continue;
            for (IAttriDialog* dialog : dialogs)
                if (dialog->GetKind() == 0 && dialog->GetModuleId() == meter->m_id)
                    dialog->ShowMeterLevel(k, dB);
        }
    }
}

} // namespace dsp_editor
