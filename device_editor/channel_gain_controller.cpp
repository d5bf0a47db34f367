#include "device_editor/channel_gain_controller.h"

#include <algorithm>
#include <optional>

#include "device_editor/device_change_step.h"
#include "device_editor/run_state.h"
#include "device_editor/unit_configuration.h"
#include "device_editor/zo_device_doc.h"
#include "model/base_device.h"
#include "model/device_chnl.h"
#include "model/device_models.h"
#include "model/messages.h"
#include "model/undo_history.h"
#include "platform/profile/profile.h"
#include "platform/text/format.h"
#include "resources/message_ids.h"

namespace device_editor {

namespace {

constexpr int kAdjustableProperty = 3; // a microphone input
constexpr int kStepMask = 15;
constexpr int kDecibelsPerStep = 6;

bool ShowsChannels(std::int32_t model) {
    switch (model) {
    case 3:
    case 4:
    case 5:
    case 7:
    case 8:
    case 9:
    case 10:
    case 19:
        return true;
    default:
        return false;
    }
}

// The number the unit gives the channel in its gain command.
int CommandChannelNumber(std::int32_t model, int index) {
    return model == 3 ? index - 5 : index + 1;
}

} // namespace

bool CChannelGainController::OpensFor(const model::CBaseDevice& device) {
    if (device.m_kind != model::kDeviceUnit)
        return false;
    const std::int32_t m = device.m_typeCode;
    return m == 3 || ((m == 4 || m == 5 || m == 7 || m == 8 || m == 9) && device.m_subType == 1);
}

CChannelGainController::CChannelGainController(CZoDeviceDoc& doc, model::CBaseDevice& unit,
                                               IUnitPort& port, std::filesystem::path programFolder,
                                               SheetLock lock)
    : m_doc(doc), m_unit(unit), m_port(port), m_programFolder(std::move(programFolder)),
      m_lock(std::move(lock)) {}

CChannelGainController::~CChannelGainController() = default;

void CChannelGainController::Open() {
    CheckAddress();
    LoadChannelProperties();
    auto lock = TakeSheetLock(m_lock);
    m_opened = model::CopyDevice(m_unit);
}

std::string CChannelGainController::CaptionSuffix() const {
    return "(" + m_unit.m_name + ")";
}

int CChannelGainController::LayoutState() const {
    switch (m_unit.m_typeCode) {
    case 7:
        return 1;
    case 3:
    case 4:
    case 5:
    case 8:
        return 2;
    default:
        return 0;
    }
}

int CChannelGainController::ScrollMax() const {
    switch (m_unit.m_typeCode) {
    case 5:
        return 8;
    case 8:
        return 4;
    default:
        return 0;
    }
}

void CChannelGainController::ScrollTo(int position) {
    m_scroll = std::clamp(position, 0, ScrollMax());
}

std::string CChannelGainController::AddressLabel() const {
    return platform::text::format("IP: %s", m_address);
}

void CChannelGainController::CheckAddress() {
    std::string ip;
    if (m_port.GetOnlineDeviceIp(m_unit.m_mac, ip) && SameSubnet(ip, m_port.GetAdapterIp()))
        m_address = ip;
}

void CChannelGainController::LoadChannelProperties() {
    // A unit without a file reads as all zeros: nothing can be set.
    const auto file = CUnitConfigFile(m_programFolder).Read(m_unit.m_mac);
    ApplyUnitChannelProperties(m_unit, file);
    if (model::IsTwoHalfModel(m_unit.m_typeCode) && m_unit.m_subType == 1)
        if (model::CBaseDevice* other =
                m_doc.FindSameIdDevice(m_unit.m_id, m_unit.m_subType, m_unit.m_typeCode))
            ApplyUnitChannelProperties(*other, file);
}

model::CDeviceChnl* CChannelGainController::AdjustableChannel(int column) const {
    if (column < 0 || column >= kColumns || !ShowsChannels(m_unit.m_typeCode))
        return nullptr;
    const int index = m_scroll + column;
    if (index >= m_unit.m_inputCount || index >= static_cast<int>(m_unit.m_channels.size()))
        return nullptr;
    model::CDeviceChnl* channel = model::AsDeviceChnl(m_unit.m_channels[index]);
    // A channel without a gain command of its own (a model-3 unit's network
    // inputs) cannot be set either.
    if (channel == nullptr || channel->m_property != kAdjustableProperty ||
        !ChannelGainCommand(m_unit.m_typeCode, index, 0, false))
        return nullptr;
    return channel;
}

CChannelGainController::Column CChannelGainController::GetColumn(int column) const {
    Column shown;
    const int index = m_scroll + column;
    if (column < 0 || column >= kColumns || !ShowsChannels(m_unit.m_typeCode) ||
        index >= m_unit.m_inputCount)
        return shown;
    shown.shown = true;
    shown.channel = index;
    shown.label = platform::text::format("In %d", index + 1);
    const model::CDeviceChnl* channel = AdjustableChannel(column);
    if (channel == nullptr)
        return shown;
    shown.enabled = true;
    if (channel->m_gainStep >= 0 && channel->m_gainStep < kRows)
        shown.selectedRow = kRows - 1 - channel->m_gainStep;
    shown.phantom = channel->m_phantomPower != 0;
    return shown;
}

void CChannelGainController::OnGainButton(int column, int row) {
    model::CDeviceChnl* channel = AdjustableChannel(column);
    if (channel == nullptr || row < 0 || row >= kRows)
        return;
    const int index = m_scroll + column;
    const int step = kRows - 1 - row;
    if (model::Ask(resources::kMsgGainQuestion, model::EMessageButtons::YesNo,
                   model::EMessageAnswer::Yes, CommandChannelNumber(m_unit.m_typeCode, index),
                   kDecibelsPerStep * step) != model::EMessageAnswer::Yes)
        return;
    Apply(*channel, index, step, channel->m_phantomPower != 0);
}

void CChannelGainController::OnPhantomBar(int column) {
    model::CDeviceChnl* channel = AdjustableChannel(column);
    if (channel == nullptr)
        return;
    const int index = m_scroll + column;
    const bool switchOn = channel->m_phantomPower == 0;
    if (switchOn && model::Ask(resources::kMsgPhantomQuestion, model::EMessageButtons::YesNo,
                               model::EMessageAnswer::Yes, index + 1) != model::EMessageAnswer::Yes)
        return;
    Apply(*channel, index, channel->m_gainStep & kStepMask, switchOn);
}

void CChannelGainController::Apply(model::CDeviceChnl& channel, int index, int step, bool phantom) {
    if (m_unit.m_flag == 0) {
        channel.m_gainStep = step;
        channel.m_phantomPower = phantom ? 1 : 0;
        m_changed = true;
        return;
    }
    const auto command = ChannelGainCommand(m_unit.m_typeCode, index, step, phantom);
    std::string reply;
    const bool answered = command && m_port.SendTextCommand(m_address, *command, reply);
    if (answered) {
        channel.m_gainStep = step;
        channel.m_phantomPower = phantom ? 1 : 0;
        m_changed = true;
    } else {
        CheckAddress();
        LoadChannelProperties();
    }
    // The gain asked for: after a failure the channel still holds the old one.
    m_port.AddOutputLine(
        model::FormatMessage(answered ? resources::kMsgGainSet : resources::kMsgGainFailed,
                             m_unit.m_name, m_unit.m_mac, index + 1, kDecibelsPerStep * step));
}

void CChannelGainController::OnClose() {
    if (!m_changed || !m_opened)
        return;
    RecordDeviceChange(m_doc, m_unit, m_opened.get(), m_lock);
    m_changed = false;
}

} // namespace device_editor
