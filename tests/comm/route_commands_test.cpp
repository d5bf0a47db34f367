// The route texts and the route step of the device-sheet download on a small
// sheet, with a sender that records what it is given.
#include "comm/route_commands.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device_editor/zo_device_doc.h"
#include "device_test_support.h"
#include "model/device_matrix.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/device_qovg.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "sheet_builder.h"

namespace {

using comm::BuildModel21ClearText;
using comm::BuildRouteText;
using comm::RouteFields;
using device_editor::CZoDeviceDoc;
using sheet_builder::end_t;

TEST(CommRouteTexts, GoldenTexts) {
    struct row_t {
        const char* catches;
        std::string text;
        const char* golden;
    };
    const row_t rows[] = {
        {"route: receiving code first, flags 1 1 0, channel repeated, bundle 3 digits",
         BuildRouteText(RouteFields::Route("0012", "0034", 1, 2, 1)), "ROUTE00120034010211001001"},
        {"route of the sixteenth output, bundle 2",
         BuildRouteText(RouteFields::Route("1234", "5678", 16, 16, 23)),
         "ROUTE12345678161611016023"},
        {"clear: own code twice, flags 0 1 0, zeros elsewhere",
         BuildRouteText(RouteFields::Clear("1234", 7)), "ROUTE12341234070001000000"},
        {"widths are minimums: wide numbers are not cut",
         BuildRouteText(RouteFields::Route("1234", "5678", 100, 7, 1234)),
         "ROUTE12345678100071101001234"},
        {"any fields, as the matrix dialog may send them",
         BuildRouteText({"ab12", "cd34", 3, 4, {1, 0, 1}, 5, 6}), "ROUTEab12cd34030410105006"},
        {"model 21: the code's value plus one in place of the second code",
         BuildModel21ClearText("0012", 1), "ROUTE00120013010001000000"},
        {"model 21: 9999 plus one prints five digits", BuildModel21ClearText("9999", 16),
         "ROUTE999910000160001000000"},
        {"model 21: only the leading digits count", BuildModel21ClearText("12ab", 2),
         "ROUTE12ab0013020001000000"},
        {"model 21: no leading digit counts as 0", BuildModel21ClearText("ab12", 2),
         "ROUTEab120001020001000000"},
    };
    for (const row_t& row : rows)
        EXPECT_EQ(row.text, row.golden) << row.catches;
}

TEST(CommRouteTexts, UnitCodeIsTheMacTextsLastFourCharacters) {
    EXPECT_EQ(comm::UnitCode("00602b000012"), "0012");
    EXPECT_EQ(comm::UnitCode("00602B00AB12"), "AB12") << "kept as written";
    EXPECT_EQ(comm::UnitCode("00602b"), "602b") << "a unit before its MAC is assigned";
    EXPECT_EQ(comm::UnitCode("b12"), "b12");
    EXPECT_EQ(comm::UnitCode(""), "");
}

class RecordingOutput : public comm::IOutputList {
public:
    void AddLine(const std::string& line) override { lines.push_back(line); }
    std::vector<std::string> lines;
};

// The sheet, ids and channel numbers (inputs first):
//
//   id 1 sub 2  QLM-0016A "R"   MAC ...001234  Rece 1..16 = 0..15, Out 1..16 = 16..31
//   id 2 sub 1  QLM-1600A "S"   MAC ...005678  In 1..16 = 0..15, Send 1..16 = 16..31
//                                              bundles 7 and 23
//   id 3 sub 2  QLV-3300A "Q"   MAC ...000012  Rece 1..2 = 0..1, Out 1..2 = 2..3
//   id 4        matrix 4 x 4 "M"               Rece 1..4 = 0..3, Send 1..4 = 4..7
//
//   link 1   S Send 1  -> R Rece 1       unit to unit
//   link 2   S Send 9  -> R Rece 2       ninth output: bundle 2
//   link 3   S Send 8  -> R Rece 3       eighth output: still bundle 1
//   link 4   S Send 2  -> Q Rece 2       into the model-21 unit
//   link 5   S Send 3  -> M Rece 1       into the matrix
//   link 6   S Send 5  -> M Rece 3
//   link 7   S Send 6  -> M Rece 4
//   link 8   M Send 2  -> R Rece 4       row 1: crosspoints 2 and 3 on -> M Rece 3 -> S Send 5
//   link 9   M Send 3  -> R Rece 5       row 2: no crosspoint on
//   link 10  M Send 4  -> R Rece 6       row 3: crosspoint 1 on, M Rece 2 has no link
//   link 11  M Send 1  -> Q Rece 1       row 0: crosspoint 1 on, no link
//
// Clears are asked for R Rece 7 (free) and Q Rece 1.
class CommRouteCommands : public ::testing::Test {
protected:
    CommRouteCommands() {
        doc.OnNewDocument();
        auto r = std::make_unique<model::CDeviceNy>(dc, 100, 100, 1, 6, 2);
        r->m_mac = "00602b001234";
        auto s = std::make_unique<model::CDeviceNy>(dc, 300, 100, 2, 5, 1);
        s->m_mac = "00602b005678";
        s->m_bundle1 = 7;
        s->m_bundle2 = 23;
        auto q = std::make_unique<model::CDeviceQOVG>(dc, 500, 100, 3, model::kModelQOVG, 2);
        q->m_mac = "00602b000012";
        auto m =
            std::make_unique<model::CDeviceMatrix>(dc, 500, 300, 4, "M", model::kModelMatrix, 4, 4);
        m->m_routes = {{{0, 1, 0, 0}, {0, 0, 1, 1}, {0, 0, 0, 0}, {0, 1, 0, 0}}};
        matrix = m.get();
        doc.AddDevice(std::move(r));
        doc.AddDevice(std::move(s));
        doc.AddDevice(std::move(q));
        doc.AddDevice(std::move(m));

        const end_t links[][2] = {
            {{2, 1, 16}, {1, 2, 0}}, {{2, 1, 24}, {1, 2, 1}}, {{2, 1, 23}, {1, 2, 2}},
            {{2, 1, 17}, {3, 2, 1}}, {{2, 1, 18}, {4, 0, 0}}, {{2, 1, 20}, {4, 0, 2}},
            {{2, 1, 21}, {4, 0, 3}}, {{4, 0, 5}, {1, 2, 3}},  {{4, 0, 6}, {1, 2, 4}},
            {{4, 0, 7}, {1, 2, 5}},  {{4, 0, 4}, {3, 2, 0}},
        };
        int id = 0;
        for (const auto& [from, to] : links)
            EXPECT_TRUE(doc.AddLinkFromRecord(sheet_builder::MakeLink(doc, ++id, from, to, true)));
    }

    // The download passes the receiving channel's first link copy, or no
    // link to clear the channel.
    int Send(const model::CDeviceLink* link, const model::CDeviceChnl* channel, int taken = 1) {
        return comm::SendRouteCommands(
            &doc, link, channel,
            [this, taken](const std::string& text) {
                sent.push_back(text);
                return taken;
            },
            output, warnings, [this](std::chrono::milliseconds d) { sleeps.push_back(d); });
    }

    device_test::TempHome home;
    platform::gdi::FixedWidthMeasurer dc;
    CZoDeviceDoc doc;
    model::CDeviceMatrix* matrix = nullptr;
    std::vector<std::string> sent;
    RecordingOutput output;
    int warnings = 0;
    std::vector<std::chrono::milliseconds> sleeps;
};

TEST_F(CommRouteCommands, EachReceivingChannelSendsItsTextAndLine) {
    struct row_t {
        const char* catches;
        end_t receiving;
        bool clear;                      // no link: clear the channel
        std::optional<std::string> text; // nothing sent when empty
        std::optional<std::string> line; // no line when empty
        int result;
    };
    // clang-format off
    const row_t rows[] = {
        {"a unit's channel is cleared", {1, 2, 6}, true, "ROUTE12341234070001000000",
         "    信息：清除连接 00602b001234—7(接收)成功。", 1},
        {"a model-21 unit's channel: its code plus one in place of the second code", {3, 2, 0},
         true, "ROUTE00120013010001000000", "    信息：清除连接 00602b000012—1(接收)成功。", 1},
        {"unit to unit: receiving code first, flags 1 1 0, bundle 1", {1, 2, 0}, false,
         "ROUTE12345678010111001007",
         "    信息：已经完成从 00602b005678—1(发送) 到 00602b001234—1(接收)的连接。", 1},
        {"the ninth output takes bundle 2", {1, 2, 1}, false, "ROUTE12345678020911002023",
         "    信息：已经完成从 00602b005678—9(发送) 到 00602b001234—2(接收)的连接。", 1},
        {"the eighth output keeps bundle 1", {1, 2, 2}, false, "ROUTE12345678030811003007",
         "    信息：已经完成从 00602b005678—8(发送) 到 00602b001234—3(接收)的连接。", 1},
        {"a link to a model-21 unit uses the route form with both codes", {3, 2, 1}, false,
         "ROUTE00125678020211002007",
         "    信息：已经完成从 00602b005678—2(发送) 到 00602b000012—2(接收)的连接。", 1},
        {"a link into a matrix sends nothing", {4, 0, 0}, false, std::nullopt, std::nullopt, 1},
        {"from a matrix: the first crosspoint on names the input whose sender is routed",
         {1, 2, 3}, false, "ROUTE12345678040511004007",
         "    信息：已经完成从 00602b005678—5(发送) 到 00602b001234—4(接收)的连接。", 1},
        {"from a matrix, no crosspoint on: nothing sent, 0", {1, 2, 4}, false, std::nullopt,
         std::nullopt, 0},
        {"from a matrix input with no link: the receiving channel is cleared", {1, 2, 5}, false,
         "ROUTE12341234060001000000", "    信息：清除连接 00602b001234—6(接收)成功。", 1},
        {"from a matrix input with no link to a model-21 unit: the route form's clear",
         {3, 2, 0}, false, "ROUTE00120012010001000000",
         "    信息：清除连接 00602b000012—1(接收)成功。", 1},
    };
    // clang-format on
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.catches);
        sent.clear();
        output.lines.clear();
        sleeps.clear();
        const model::CDeviceChnl* channel =
            doc.FindChannel(row.receiving.id, row.receiving.subType, row.receiving.channel);
        ASSERT_NE(channel, nullptr);
        const model::CDeviceLink* link = row.clear ? nullptr : channel->GetLink(0);
        ASSERT_TRUE(row.clear || link != nullptr);
        EXPECT_EQ(Send(link, channel), row.result);
        EXPECT_EQ(sent,
                  row.text ? std::vector<std::string>{*row.text} : std::vector<std::string>{});
        EXPECT_EQ(output.lines,
                  row.line ? std::vector<std::string>{*row.line} : std::vector<std::string>{});
        EXPECT_EQ(sleeps, std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(10)})
            << "one pause before the command";
    }
    EXPECT_EQ(warnings, 0);
}

TEST_F(CommRouteCommands, ARefusedTextCountsAWarningAndNumbersItsLine) {
    warnings = 4;
    const model::CDeviceChnl* linked = doc.FindChannel(1, 2, 0);
    const model::CDeviceChnl* free = doc.FindChannel(1, 2, 6);
    const model::CDeviceChnl* throughMatrix = doc.FindChannel(1, 2, 5);
    ASSERT_TRUE(linked && free && throughMatrix);
    EXPECT_EQ(Send(linked->GetLink(0), linked, 0), 0);
    EXPECT_EQ(Send(nullptr, free, 0), 0);
    EXPECT_EQ(Send(throughMatrix->GetLink(0), throughMatrix, 0), 0);
    EXPECT_EQ(warnings, 7);
    EXPECT_EQ(sent,
              (std::vector<std::string>{"ROUTE12345678010111001007", "ROUTE12341234070001000000",
                                        "ROUTE12341234060001000000"}));
    EXPECT_EQ(output.lines,
              (std::vector<std::string>{
                  "    警告 5：无法完成从 00602b005678—1(发送) 到 00602b001234—1(接收)的连接！",
                  "    警告 6：清除连接 00602b001234—7(接收)失败！",
                  "    警告 7：清除连接 00602b001234—6(接收)失败！"}));

    // A matrix row with nothing on is no failure of the unit: no warning.
    const model::CDeviceChnl* nothingOn = doc.FindChannel(1, 2, 4);
    ASSERT_NE(nothingOn, nullptr);
    EXPECT_EQ(Send(nothingOn->GetLink(0), nothingOn, 0), 0);
    EXPECT_EQ(warnings, 7);
    EXPECT_EQ(output.lines.size(), 3u);
}

TEST_F(CommRouteCommands, TheMatrixRouteFollowsTheRouteTable) {
    const model::CDeviceChnl* channel = doc.FindChannel(1, 2, 3); // fed by M Send 2, row 1
    ASSERT_NE(channel, nullptr);
    const model::CDeviceLink* link = channel->GetLink(0);
    struct row_t {
        const char* catches;
        std::array<std::int32_t, 4> row;
        std::vector<std::string> sent;
        int result;
    };
    const row_t rows[] = {
        {"crosspoint 3 alone: M Rece 4, fed by S Send 6",
         {0, 0, 0, 1},
         {"ROUTE12345678040611004007"},
         1},
        {"crosspoint 0 first: M Rece 1, fed by S Send 3",
         {1, 0, 1, 1},
         {"ROUTE12345678040311004007"},
         1},
        {"any non-zero value is on", {0, 0, -1, 0}, {"ROUTE12345678040511004007"}, 1},
        {"crosspoint 1, an input with no link: a clear",
         {0, 1, 0, 0},
         {"ROUTE12341234040001000000"},
         1},
        {"nothing on", {0, 0, 0, 0}, {}, 0},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.catches);
        sent.clear();
        matrix->m_routes[1] = row.row;
        EXPECT_EQ(Send(link, channel), row.result);
        EXPECT_EQ(sent, row.sent);
    }

    // Of several links into the matrix input, the first whose sending device
    // is on the sheet names the sender.
    model::CDeviceChnl& input = device_test::chnl(*matrix, 2);
    auto stray = std::make_unique<model::CDeviceLink>();
    stray->CopyFrom(*input.GetLink(0));
    stray->m_id = 99;
    stray->m_destModule = 42; // no such device
    input.m_links.items().insert(input.m_links.items().begin(), std::move(stray));
    matrix->m_routes[1] = {0, 0, 1, 0};
    sent.clear();
    EXPECT_EQ(Send(link, channel), 1);
    EXPECT_EQ(sent, std::vector<std::string>{"ROUTE12345678040511004007"});
}

TEST_F(CommRouteCommands, NothingIsSentWithoutADeviceSheetOrItsDevices) {
    const model::CDeviceChnl* channel = doc.FindChannel(1, 2, 0);
    ASSERT_NE(channel, nullptr);
    EXPECT_EQ(comm::SendRouteCommands(
                  nullptr, channel->GetLink(0), channel,
                  [this](const std::string& text) {
                      sent.push_back(text);
                      return 1;
                  },
                  output, warnings, [this](std::chrono::milliseconds d) { sleeps.push_back(d); }),
              1)
        << "not a device sheet";
    EXPECT_EQ(sleeps.size(), 1u) << "the pause comes first";

    model::CDeviceLink orphan;
    orphan.CopyFrom(*channel->GetLink(0));
    orphan.m_destModule = 42;
    EXPECT_EQ(Send(&orphan, channel), 0) << "sending device missing";
    orphan.CopyFrom(*channel->GetLink(0));
    orphan.m_sourceSubType = 1;
    EXPECT_EQ(Send(&orphan, channel), 0) << "receiving device missing";
    model::CDeviceChnl stray;
    stray.m_moduleId = 42;
    EXPECT_EQ(Send(nullptr, &stray), 0) << "the channel's device missing";
    EXPECT_EQ(Send(nullptr, nullptr), 0) << "neither link nor channel";

    EXPECT_TRUE(sent.empty());
    EXPECT_TRUE(output.lines.empty());
    EXPECT_EQ(warnings, 0);
}

} // namespace
