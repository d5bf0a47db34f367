#pragma once
// The route commands of a device sheet: the text that tells a unit which
// sender feeds one of its receiving channels, or that the channel is free,
// and the download step that sends one such text per receiving channel and
// reports it in the main frame's output list.
//
// A route text names two units by their codes, the last four characters of
// their MAC texts, receiving unit first:
//
//   ROUTE <recv code> <send code> <recv ch %02d> <send ch %02d> <f1 f2 f3>
//         <recv ch again %02d> <bundle %03d>
//
// all run together ("ROUTE00120034010211001001"). Channels count from 1: the
// receiving channel among the receiving unit's inputs, the sending channel
// among the sending unit's outputs. A route carries the flags 1 1 0; a clear
// carries the receiving unit's code twice, sending channel 00, flags 0 1 0,
// 00 and bundle 000. A model-21 unit is cleared with a number in place of the
// second code: the code's leading digits plus one, four digits
// ("ROUTE00120013010001000000").
#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "comm/automation_wrappers.h"

namespace model {
class CBaseDevice;
class CDeviceChnl;
class CDeviceLink;
class IDeviceDoc;
} // namespace model

namespace comm {

// A list of output lines (the main frame's output list); AddLine never blocks.
class IOutputList {
public:
    virtual ~IOutputList() = default;
    virtual void AddLine(const std::string& line) = 0;
};

// Sends one route text to the receiving unit, unframed (the sender frames it
// as "*" + text + "#" and wants no reply); 1 when the unit took it, 0 when
// not.
using RouteTextSender = std::function<int(const std::string& routeText)>;

// A unit's code: the last four characters of its MAC text (the whole text
// when it is shorter).
std::string UnitCode(std::string_view macText);

// The fields of a route text, in the order the unit reads them.
struct RouteFields {
    std::string receivingCode;
    std::string sendingCode;
    int receivingChannel = 0; // among the receiving unit's inputs, from 1
    int sendingChannel = 0;   // among the sending unit's outputs, from 1
    std::array<int, 3> flags = {};
    int repeatedChannel = 0; // a route repeats the receiving channel here
    int bundle = 0;          // the sending unit's transmit bundle

    // The route from a sending unit's output to a receiving unit's input.
    static RouteFields Route(std::string_view receivingCode, std::string_view sendingCode,
                             int receivingChannel, int sendingChannel, int bundle);
    // Frees a receiving channel: the unit's own code as the sender, no
    // sending channel, no bundle.
    static RouteFields Clear(std::string_view unitCode, int receivingChannel);
};

// "%s%s%s%02d%02d%d%d%d%02d%03d" with "ROUTE" and the fields.
std::string BuildRouteText(const RouteFields& fields);
// The clear of a model-21 unit's receiving channel:
// "%s%s%04d%02d%02d%d%d%d%02d%03d" with "ROUTE", the code, the value of the
// code's leading digits plus one (no digits count as 0; "9999" gives the
// five digits "10000"), then the channel and the clear's other fields.
std::string BuildModel21ClearText(std::string_view unitCode, int receivingChannel);

// Sends the route of one link, or with no link clears `receivingChannel`,
// after a 10 ms pause, and adds one line to `output`: 171 for a route the
// unit took, 173 for a clear it took; 170 or 172 with the warning counter,
// incremented first, for one it did not take.
//
//  - no device document: nothing, 1;
//  - a link into a matrix: nothing, no line, 1 (matrices take no routes);
//  - a link from a unit (or any device but a matrix): the route, with that
//    device's code, channel and bundle;
//  - a link from a matrix output: the crosspoint of that output's row of the
//    route table that is on first picks the matrix input, and the first link
//    into that input whose sending device is on the sheet names the real
//    sender, whose route is sent; with no link into the input the receiving
//    channel is cleared (always in the route form, model 21 too); with no
//    crosspoint of the row on (or an output beyond the table) nothing is
//    sent, no line written, 0;
//  - a link or channel whose device is not on the sheet: nothing, no line, 0.
//
// 1 when the unit took the text (or there was nothing to send), else 0.
int SendRouteCommands(const model::IDeviceDoc* doc, const model::CDeviceLink* link,
                      const model::CDeviceChnl* receivingChannel, const RouteTextSender& send,
                      IOutputList& output, int& warningCounter, const Sleeper& sleep = RealSleep);

// The sender of the program: each route text as a one-shot text command
// (no reply wanted) to the unit at `ip` through `poller`.
RouteTextSender OneShotRouteSender(const Icom_manager& poller, std::string ip,
                                   Sleeper sleep = RealSleep);

} // namespace comm
