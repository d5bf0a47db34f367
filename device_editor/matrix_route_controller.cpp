#include "device_editor/matrix_route_controller.h"

#include <optional>
#include <vector>

#include "comm/route_commands.h"
#include "device_editor/device_change_step.h"
#include "device_editor/run_state.h"
#include "device_editor/zo_device_doc.h"
#include "model/device_chnl.h"
#include "model/device_link.h"
#include "model/device_matrix.h"
#include "model/device_ny.h"
#include "model/messages.h"
#include "model/undo_history.h"
#include "resources/message_ids.h"

namespace device_editor {

namespace {

// A unit's first eight outputs go out in its first transmit bundle.
constexpr int kOutputsPerBundle = 8;
// The route text has three digits for the bundle.
constexpr int kLargestBundle = 999;

// One end of a matrix link as the units see it.
struct unit_end_t {
    const model::CBaseDevice* unit = nullptr;
    std::string ip;
    int channel = 0; // its channel's number in the unit's channel array
};

} // namespace

CMatrixRouteController::CMatrixRouteController(CZoDeviceDoc& doc, model::CDeviceMatrix& matrix,
                                               IUnitPort& port, SheetLock lock)
    : m_doc(doc), m_matrix(matrix), m_port(port), m_lock(std::move(lock)) {
    auto held = TakeSheetLock(m_lock);
    m_opened = model::CopyDevice(m_matrix);
}

CMatrixRouteController::~CMatrixRouteController() = default;

std::string CMatrixRouteController::CaptionSuffix() const {
    return "(" + m_matrix.m_name + ")";
}

bool CMatrixRouteController::IsOn(int output, int input) const {
    if (output < 0 || output >= kSize || input < 0 || input >= kSize)
        return false;
    return m_matrix.m_routes[output][input] != 0;
}

void CMatrixRouteController::Toggle(int output, int input) {
    if (output < 0 || output >= kSize || input < 0 || input >= kSize)
        return;
    auto& row = m_matrix.m_routes[output];
    const bool on = row[input] == 0;
    if (on)
        row.fill(0);
    row[input] = on ? 1 : 0;
    m_changed = true;
    if (m_port.SheetRunning())
        SendRoutes(output, input, on);
}

void CMatrixRouteController::SendRoutes(int output, int input, bool on) {
    // The units at the far ends of a matrix channel's links that may hear
    // of it now.
    const auto ends = [this](int channelIndex, bool sending) {
        std::vector<unit_end_t> found;
        const model::CDeviceChnl* channel = model::AsDeviceChnl(m_matrix.GetChnl(channelIndex));
        if (channel == nullptr)
            return found;
        for (const auto& link : channel->m_links) {
            // A matrix input's links come from sending units (their output
            // end); an output's go to receiving units (their input end).
            const std::int32_t id = sending ? link->m_destModule : link->m_sourceModule;
            const std::int32_t subType = sending ? link->m_destSubType : link->m_sourceSubType;
            const int number = sending ? link->m_destChannel : link->m_sourceChannel;
            const model::CBaseDevice* unit = m_doc.FindDevice(id, subType);
            if (unit == nullptr || m_port.IsNetDeviceOnline(unit->m_mac) == 0)
                continue;
            std::string ip = m_port.GetNetDeviceIP(unit->m_mac);
            if (m_port.InConfiguredRange(ip))
                found.push_back({unit, std::move(ip), number});
        }
        return found;
    };
    const model::CDeviceChnl* inputChannel = model::AsDeviceChnl(m_matrix.GetChnl(input));
    const bool inputLinked = inputChannel != nullptr && !inputChannel->m_links.empty();
    const std::vector<unit_end_t> senders =
        on && inputLinked ? ends(input, true) : std::vector<unit_end_t>();
    std::string reply;
    for (const unit_end_t& receiver : ends(m_matrix.m_inputCount + output, false)) {
        const int receivingChannel = receiver.channel + 1;
        const std::string receiverCode = comm::UnitCode(receiver.unit->m_mac);
        if (!on || !inputLinked) {
            const bool cleared = m_port.SendTextCommand(
                receiver.ip,
                comm::BuildRouteText(comm::RouteFields::Clear(receiverCode, receivingChannel)),
                reply);
            m_port.AddOutputLine(model::FormatMessage(cleared ? resources::kMsgClearMade
                                                              : resources::kMsgMatrixClearFailed,
                                                      receiver.unit->m_mac, receivingChannel));
            continue;
        }
        for (const unit_end_t& sender : senders) {
            const int sendingChannel = sender.channel - sender.unit->m_inputCount + 1;
            int bundle = 0;
            if (const auto* unit = dynamic_cast<const model::CDeviceNy*>(sender.unit))
                bundle = sender.channel < sender.unit->m_inputCount + kOutputsPerBundle
                             ? unit->m_bundle1
                             : unit->m_bundle2;
            if (bundle < 0 || bundle > kLargestBundle) {
                m_port.AddOutputLine(model::FormatMessage(
                    resources::kMsgMatrixBundleTooLarge, sender.unit->m_mac, bundle,
                    sender.unit->m_mac, sendingChannel, receiver.unit->m_mac, receivingChannel));
                continue;
            }
            const bool routed =
                m_port.SendTextCommand(receiver.ip,
                                       comm::BuildRouteText(comm::RouteFields::Route(
                                           receiverCode, comm::UnitCode(sender.unit->m_mac),
                                           receivingChannel, sendingChannel, bundle)),
                                       reply);
            m_port.AddOutputLine(model::FormatMessage(
                routed ? resources::kMsgRouteMade : resources::kMsgMatrixRouteFailed,
                sender.unit->m_mac, sendingChannel, receiver.unit->m_mac, receivingChannel));
        }
    }
}

void CMatrixRouteController::OnClose() {
    if (!m_changed)
        return;
    RecordDeviceChange(m_doc, m_matrix, m_opened.get(), m_lock);
    m_changed = false;
}

} // namespace device_editor
