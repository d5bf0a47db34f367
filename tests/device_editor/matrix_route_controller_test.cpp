// The matrix route dialog without its widget, over a recording unit port:
// the toggles of a row, and in run state the route and clear texts the
// receiving units get, in the download's form, with their output lines.
//
//   id 1  QLM-0808A input half   Send 2 (channel 9)  -> matrix In 2
//   id 2  QLM-1600A              Send 9 (channel 24) -> matrix In 3
//   id 3  QLM-0808A output half  Rece 3 (channel 2)  <- matrix Out 1
//   id 4  QLM-0808A output half  Rece 1 (channel 0)  <- matrix Out 1
//   id 9  matrix 4 x 4 (In 1..4 channels 0..3, Out 1..4 channels 4..7)
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "device_editor/matrix_route_controller.h"
#include "device_editor/zo_device_doc.h"
#include "model/device_matrix.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/recording_messages.h"
#include "model/undo_history.h"
#include "model/undo_host.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "run_state_recorders.h"
#include "sheet_builder.h"

namespace {

using namespace device_editor;
using run_state_test::CRecordingPort;
using Lines = std::vector<std::string>;

class Host : public model::IUndoHost {
public:
    explicit Host(CZoDeviceDoc& doc) : doc_(doc) { doc.SetUndoHost(this); }
    bool IsActiveViewOf(const model::IDeviceDoc& d) const override { return &d == &doc_; }
    void UpdateLinkEnds(model::CBaseDevice& device) override { doc_.UpdateLinkEnds(device); }
    void InvalidateAll() override {}
    void UpdateStatusPanes(int) override {}

private:
    CZoDeviceDoc& doc_;
};

class MatrixRoutes : public ::testing::Test {
protected:
    MatrixRoutes() {
        doc.OnNewDocument();
        AddUnit(1, 4, 1, "00602b001122", 100);
        AddUnit(2, 5, 1, "00602b005566", 250);
        AddUnit(3, 4, 2, "00602b003344", 400);
        AddUnit(4, 4, 2, "00602b007788", 550);
        doc.AddDevice(std::make_unique<model::CDeviceMatrix>(dc, 300, 400, 9, "M",
                                                             model::kModelMatrix, 4, 4));
        static_cast<model::CDeviceNy*>(doc.FindDevice(1, 1))->m_bundle1 = 7;
        static_cast<model::CDeviceNy*>(doc.FindDevice(2, 1))->m_bundle2 = 12;
        EXPECT_TRUE(
            doc.AddLinkFromRecord(sheet_builder::MakeLink(doc, 1, {1, 1, 9}, {9, 0, 1}, true)));
        EXPECT_TRUE(
            doc.AddLinkFromRecord(sheet_builder::MakeLink(doc, 2, {2, 1, 24}, {9, 0, 2}, true)));
        EXPECT_TRUE(
            doc.AddLinkFromRecord(sheet_builder::MakeLink(doc, 3, {9, 0, 4}, {3, 2, 2}, true)));
        EXPECT_TRUE(
            doc.AddLinkFromRecord(sheet_builder::MakeLink(doc, 4, {9, 0, 4}, {4, 2, 0}, true)));
        matrix().m_routes = {{{0, 0, 0, 1}, {1, 0, 0, 0}, {1, 0, 0, 0}, {1, 0, 0, 0}}};
        doc.SetModifiedFlag(false);
        port.SetRunning(true);
        for (const auto& [mac, ip] : {std::pair{"00602b001122", "192.168.1.11"},
                                      {"00602b005566", "192.168.1.12"},
                                      {"00602b003344", "192.168.1.13"},
                                      {"00602b007788", "192.168.1.14"}})
            port.SetOnline(mac, {1, ip});
    }

    void AddUnit(int id, int model, int subType, const char* mac, int x) {
        auto unit = std::make_unique<model::CDeviceNy>(dc, x, 100, id, model, subType);
        unit->m_mac = mac;
        doc.AddDevice(std::move(unit));
    }
    model::CDeviceMatrix& matrix() {
        return static_cast<model::CDeviceMatrix&>(*doc.FindDevice(9, 0));
    }
    std::vector<int> Row(const CMatrixRouteController& dialog, int output) {
        std::vector<int> row;
        for (int input = 0; input < 4; ++input)
            row.push_back(dialog.IsOn(output, input) ? 1 : 0);
        return row;
    }

    platform::gdi::FixedWidthMeasurer dc;
    CZoDeviceDoc doc;
    Host host{doc};
    CRecordingPort port;
    model::CRecordingMessages messages;
};

TEST_F(MatrixRoutes, AnOutputTakesOneInputAtMost) {
    port.SetRunning(false);
    CMatrixRouteController dialog(doc, matrix(), port);
    EXPECT_EQ(dialog.CaptionSuffix(), "(" + matrix().m_name + ")");
    dialog.Toggle(0, 1);
    EXPECT_EQ(Row(dialog, 0), (std::vector<int>{0, 1, 0, 0}));
    dialog.Toggle(0, 1);
    EXPECT_EQ(Row(dialog, 0), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(Row(dialog, 1), (std::vector<int>{1, 0, 0, 0}));
    // Outside run state the units hear nothing.
    EXPECT_TRUE(port.EventsWith("send").empty());
    EXPECT_TRUE(port.Lines().empty());
}

TEST_F(MatrixRoutes, SwitchingOnRoutesEverySenderToEveryReceiver) {
    CMatrixRouteController dialog(doc, matrix(), port);
    dialog.Toggle(0, 1);
    EXPECT_EQ(port.EventsWith("send"), (Lines{"send 192.168.1.13 ROUTE33441122030211003007",
                                              "send 192.168.1.14 ROUTE77881122010211001007"}));
    EXPECT_EQ(port.Lines(),
              (Lines{"    信息：已经完成从 00602b001122—2(发送) 到 00602b003344—3(接收)的连接。",
                     "    信息：已经完成从 00602b001122—2(发送) 到 00602b007788—1(接收)的连接。"}));
}

TEST_F(MatrixRoutes, ASendersNinthOutputGoesInItsSecondBundle) {
    CMatrixRouteController dialog(doc, matrix(), port);
    dialog.Toggle(0, 2);
    EXPECT_EQ(port.EventsWith("send 192.168.1.13"),
              Lines{"send 192.168.1.13 ROUTE33445566030911003012"});
}

TEST_F(MatrixRoutes, SwitchingOffClearsTheOutputsReceivers) {
    CMatrixRouteController dialog(doc, matrix(), port);
    dialog.Toggle(0, 3); // the set cell: off
    EXPECT_EQ(port.EventsWith("send"), (Lines{"send 192.168.1.13 ROUTE33443344030001000000",
                                              "send 192.168.1.14 ROUTE77887788010001000000"}));
    EXPECT_EQ(port.Lines(), (Lines{"    信息：清除连接 00602b003344—3(接收)成功。",
                                   "    信息：清除连接 00602b007788—1(接收)成功。"}));
}

TEST_F(MatrixRoutes, AnInputWithoutLinksClearsTheReceivers) {
    CMatrixRouteController dialog(doc, matrix(), port);
    dialog.Toggle(0, 0);
    EXPECT_EQ(port.EventsWith("send"), (Lines{"send 192.168.1.13 ROUTE33443344030001000000",
                                              "send 192.168.1.14 ROUTE77887788010001000000"}));
}

TEST_F(MatrixRoutes, OnlyUnitsOnLineAndInRangeTakePart) {
    port.SetOnline("00602b003344", {0, "192.168.1.13"});
    port.SetOnline("00602b007788", {1, "192.168.1.250"});
    CMatrixRouteController dialog(doc, matrix(), port);
    dialog.Toggle(0, 1);
    EXPECT_TRUE(port.EventsWith("send").empty());

    port.SetOnline("00602b003344", {1, "192.168.1.13"});
    port.SetOnline("00602b001122", {0, "192.168.1.11"});
    dialog.Toggle(0, 1); // off: the clear
    dialog.Toggle(0, 1); // on, but the sender is off line: the route waits
    EXPECT_EQ(port.EventsWith("send"), Lines{"send 192.168.1.13 ROUTE33443344030001000000"});
}

TEST_F(MatrixRoutes, FailuresAndUnsendableBundlesAreListed) {
    static_cast<model::CDeviceNy*>(doc.FindDevice(2, 1))->m_bundle2 = 1000;
    port.Reply("ROUTE", {std::nullopt});
    CMatrixRouteController dialog(doc, matrix(), port);
    dialog.Toggle(0, 2);
    dialog.Toggle(0, 1);
    dialog.Toggle(0, 1);
    EXPECT_EQ(port.Lines(),
              (Lines{
                  "    警告 ：00602b005566的发送组号1000大于999，未发送从 00602b005566—9(发送) 到 "
                  "00602b003344—3(接收)的连接！",
                  "    警告 ：00602b005566的发送组号1000大于999，未发送从 00602b005566—9(发送) 到 "
                  "00602b007788—1(接收)的连接！",
                  "    警告 ：无法完成从 00602b001122—2(发送) 到 00602b003344—3(接收)的连接！",
                  "    警告 ：无法完成从 00602b001122—2(发送) 到 00602b007788—1(接收)的连接！",
                  "    警告 ：清除连接 00602b003344—3(接收)失败！",
                  "    警告 ：清除连接 00602b007788—1(接收)失败！",
              }));
}

TEST_F(MatrixRoutes, ChangesAreOneUndoableStepWhenTheDialogCloses) {
    const std::size_t steps = doc.GetUndoHistory()->GetStepCount();
    {
        CMatrixRouteController dialog(doc, matrix(), port);
        dialog.Toggle(0, 1);
        dialog.Toggle(2, 3);
        EXPECT_FALSE(doc.IsModified());
        dialog.OnClose();
    }
    EXPECT_TRUE(doc.IsModified());
    ASSERT_EQ(doc.GetUndoHistory()->GetStepCount(), steps + 1);
    ASSERT_TRUE(doc.GetUndoHistory()->Undo());
    EXPECT_EQ(matrix().m_routes, (model::CDeviceMatrix::route_table_t{
                                     {{0, 0, 0, 1}, {1, 0, 0, 0}, {1, 0, 0, 0}, {1, 0, 0, 0}}}));
    ASSERT_TRUE(doc.GetUndoHistory()->Redo());
    EXPECT_EQ(matrix().m_routes[2], (std::array<std::int32_t, 4>{0, 0, 0, 1}));

    CMatrixRouteController unchanged(doc, matrix(), port);
    doc.SetModifiedFlag(false);
    unchanged.OnClose();
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetUndoHistory()->GetStepCount(), steps + 1);
}

} // namespace
