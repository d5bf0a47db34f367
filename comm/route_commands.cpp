#include "comm/route_commands.h"

#include <chrono>
#include <optional>
#include <string>

#include "comm/text_command.h"
#include "model/base_device.h"
#include "model/device_chnl.h"
#include "model/device_document.h"
#include "model/device_link.h"
#include "model/device_matrix.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/messages.h"
#include "platform/text/format.h"
#include "resources/message_ids.h"

namespace comm {

namespace {

using model::CBaseDevice;
using model::CDeviceChnl;
using model::CDeviceLink;
using model::CDeviceMatrix;

constexpr std::string_view kRouteWord = "ROUTE";
constexpr std::array<int, 3> kRouteFlags = {1, 1, 0};
constexpr std::array<int, 3> kClearFlags = {0, 1, 0};
// A unit's first eight outputs go out in its first transmit bundle, the rest
// in its second.
constexpr int kOutputsPerBundle = 8;
// Gives the unit time to finish with the previous command.
constexpr std::chrono::milliseconds kPauseBeforeCommand{10};

// The sending end of a route.
struct sender_t {
    const CBaseDevice* device;
    int outputNumber; // the output channel's number in the device's channel array
};

int SendingChannel(const sender_t& s) {
    return s.outputNumber - s.device->m_inputCount + 1;
}

// Only a unit has transmit bundles; another device sends bundle 0.
int Bundle(const sender_t& s) {
    const auto* unit = dynamic_cast<const model::CDeviceNy*>(s.device);
    if (unit == nullptr)
        return 0;
    return s.outputNumber < s.device->m_inputCount + kOutputsPerBundle ? unit->m_bundle1
                                                                       : unit->m_bundle2;
}

bool Taken(const RouteTextSender& send, const std::string& text) {
    return send(text) != 0;
}

int SendRoute(const CBaseDevice& receiver, int receivingChannel, const sender_t& sender,
              const RouteTextSender& send, IOutputList& output, int& warningCounter) {
    const int sendingChannel = SendingChannel(sender);
    const std::string text =
        BuildRouteText(RouteFields::Route(UnitCode(receiver.m_mac), UnitCode(sender.device->m_mac),
                                          receivingChannel, sendingChannel, Bundle(sender)));
    if (Taken(send, text)) {
        output.AddLine(model::FormatMessage(resources::kMsgRouteMade, sender.device->m_mac,
                                            sendingChannel, receiver.m_mac, receivingChannel));
        return 1;
    }
    ++warningCounter;
    output.AddLine(model::FormatMessage(resources::kMsgRouteFailed, warningCounter,
                                        sender.device->m_mac, sendingChannel, receiver.m_mac,
                                        receivingChannel));
    return 0;
}

int SendClear(const CBaseDevice& unit, int receivingChannel, bool model21Form,
              const RouteTextSender& send, IOutputList& output, int& warningCounter) {
    const std::string code = UnitCode(unit.m_mac);
    const std::string text = model21Form
                                 ? BuildModel21ClearText(code, receivingChannel)
                                 : BuildRouteText(RouteFields::Clear(code, receivingChannel));
    if (Taken(send, text)) {
        output.AddLine(
            model::FormatMessage(resources::kMsgClearMade, unit.m_mac, receivingChannel));
        return 1;
    }
    ++warningCounter;
    output.AddLine(model::FormatMessage(resources::kMsgClearFailed, warningCounter, unit.m_mac,
                                        receivingChannel));
    return 0;
}

// The matrix input whose crosspoint is on first in the row of output
// `outputNumber`; -1 when none is (or the output lies beyond the table).
int FirstInputRoutedTo(const CDeviceMatrix& matrix, int outputNumber) {
    const int row = outputNumber - matrix.m_inputCount;
    if (row < 0 || row >= static_cast<int>(matrix.m_routes.size()))
        return -1;
    const auto& crosspoints = matrix.m_routes[static_cast<std::size_t>(row)];
    for (int column = 0; column < matrix.m_inputCount; ++column) {
        if (column >= static_cast<int>(crosspoints.size()))
            break;
        if (crosspoints[static_cast<std::size_t>(column)] != 0)
            return column;
    }
    return -1;
}

// The device and output feeding the matrix input: the output end of the
// first link into it whose device is on the sheet.
std::optional<sender_t> SenderIntoMatrixInput(const model::IDeviceDoc& doc,
                                              const CDeviceMatrix& matrix, int input) {
    const CDeviceChnl* channel = model::AsDeviceChnl(matrix.GetChnl(input));
    if (channel == nullptr)
        return std::nullopt;
    for (int i = 0; i < channel->GetLinkCount(); ++i) {
        const CDeviceLink* copy = channel->GetLink(i);
        if (copy == nullptr)
            continue;
        if (const CBaseDevice* device = doc.FindDevice(copy->m_destModule, copy->m_destSubType))
            return sender_t{device, copy->m_destChannel};
    }
    return std::nullopt;
}

int LeadingDigitsValue(std::string_view text) {
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::string UnitCode(std::string_view macText) {
    constexpr std::size_t kCodeLength = 4;
    if (macText.size() <= kCodeLength)
        return std::string(macText);
    return std::string(macText.substr(macText.size() - kCodeLength));
}

RouteFields RouteFields::Route(std::string_view receivingCode, std::string_view sendingCode,
                               int receivingChannel, int sendingChannel, int bundle) {
    return RouteFields{std::string(receivingCode),
                       std::string(sendingCode),
                       receivingChannel,
                       sendingChannel,
                       kRouteFlags,
                       receivingChannel,
                       bundle};
}

RouteFields RouteFields::Clear(std::string_view unitCode, int receivingChannel) {
    return RouteFields{
        std::string(unitCode), std::string(unitCode), receivingChannel, 0, kClearFlags, 0, 0};
}

std::string BuildRouteText(const RouteFields& f) {
    return platform::text::format("%s%s%s%02d%02d%d%d%d%02d%03d", kRouteWord, f.receivingCode,
                                  f.sendingCode, f.receivingChannel, f.sendingChannel, f.flags[0],
                                  f.flags[1], f.flags[2], f.repeatedChannel, f.bundle);
}

std::string BuildModel21ClearText(std::string_view unitCode, int receivingChannel) {
    const RouteFields f = RouteFields::Clear(unitCode, receivingChannel);
    return platform::text::format("%s%s%04d%02d%02d%d%d%d%02d%03d", kRouteWord, f.receivingCode,
                                  LeadingDigitsValue(unitCode) + 1, f.receivingChannel,
                                  f.sendingChannel, f.flags[0], f.flags[1], f.flags[2],
                                  f.repeatedChannel, f.bundle);
}

int SendRouteCommands(const model::IDeviceDoc* doc, const CDeviceLink* link,
                      const CDeviceChnl* receivingChannel, const RouteTextSender& send,
                      IOutputList& output, int& warningCounter, const Sleeper& sleep) {
    sleep(kPauseBeforeCommand);
    if (doc == nullptr)
        return 1;

    if (link == nullptr) {
        if (receivingChannel == nullptr)
            return 0;
        const CBaseDevice* unit =
            doc->FindDevice(receivingChannel->m_moduleId, receivingChannel->m_deviceSubType);
        if (unit == nullptr)
            return 0;
        return SendClear(*unit, receivingChannel->m_number + 1,
                         unit->m_typeCode == model::kModelQOVG, send, output, warningCounter);
    }

    const CBaseDevice* receiver = doc->FindDevice(link->m_sourceModule, link->m_sourceSubType);
    const CBaseDevice* sender = doc->FindDevice(link->m_destModule, link->m_destSubType);
    if (receiver == nullptr || sender == nullptr)
        return 0;
    if (receiver->m_kind == model::kDeviceMatrix)
        return 1;
    const int receivingNumber = link->m_sourceChannel + 1;

    if (sender->m_kind != model::kDeviceMatrix)
        return SendRoute(*receiver, receivingNumber, sender_t{sender, link->m_destChannel}, send,
                         output, warningCounter);

    // A matrix passes on what feeds the input its crosspoint picks: the route
    // goes from that sender straight to the receiving unit.
    const auto* matrix = dynamic_cast<const CDeviceMatrix*>(sender);
    const int input = matrix == nullptr ? -1 : FirstInputRoutedTo(*matrix, link->m_destChannel);
    if (input < 0)
        return 0;
    if (const std::optional<sender_t> real = SenderIntoMatrixInput(*doc, *matrix, input))
        return SendRoute(*receiver, receivingNumber, *real, send, output, warningCounter);
    return SendClear(*receiver, receivingNumber, false, send, output, warningCounter);
}

RouteTextSender OneShotRouteSender(const Icom_manager& poller, std::string ip, Sleeper sleep)
{
    return [&poller, ip = std::move(ip), sleep = std::move(sleep)](const std::string& routeText) {
        return SendTextCommand(poller, ip, routeText, false, nullptr, sleep);
    };
}

} // namespace comm
