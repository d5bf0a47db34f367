// The connection list: its rows on a small sheet (a channel with two links
// listed once, a matrix, a unit with a short MAC left out), the export
// against a golden file, the export's failure keeping the old file, and the
// printout on recording pages.
#include <gtest/gtest.h>

#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "device_editor/link_view_controller.h"
#include "device_editor/zo_device_doc.h"
#include "model/device_models.h"
#include "model/recording_messages.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "platform/gdi/recording_canvas.h"
#include "resources/message_ids.h"
#include "sheet_builder.h"

namespace {

namespace fs = std::filesystem;
using device_editor::CLinkViewController;
using device_editor::CollectLinkRows;
using device_editor::CZoDeviceDoc;
using device_editor::LinkRow;
using model::EMessageAnswer;

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The builder's sheet with MACs and names, and three more links:
//   link 5  matrix Send 1 -> amplifier Rece 1
//   link 6  output half Out 2 -> amplifier Rece 2   (first of Out 2's two)
//   link 7  output half Out 2 -> matrix Rece 1
// The amplifier's MAC has 11 characters: it is left out as a sender.
class LinkList : public ::testing::Test {
protected:
    LinkList() {
        doc.OnNewDocument();
        sheet_builder::Build(doc, dc);
        for (const int sub : {1, 2}) {
            doc.FindDevice(1, sub)->m_name = "Stage";
            doc.FindDevice(1, sub)->m_mac = "001122AABBCC";
        }
        doc.FindDevice(2, 2)->m_name = "Amp";
        doc.FindDevice(5, 0)->m_name = "M";
        doc.FindDevice(2, 2)->m_mac = "00112233445";
        using sheet_builder::MakeLink;
        EXPECT_TRUE(doc.AddLinkFromRecord(MakeLink(doc, 5, {5, 0, 1}, {2, 2, 0}, true)));
        EXPECT_TRUE(doc.AddLinkFromRecord(MakeLink(doc, 6, {1, 2, 3}, {2, 2, 1}, true)));
        EXPECT_TRUE(doc.AddLinkFromRecord(MakeLink(doc, 7, {1, 2, 3}, {5, 0, 0}, true)));
    }

    platform::gdi::FixedWidthMeasurer dc;
    CZoDeviceDoc doc;
    model::CRecordingMessages messages;
};

TEST_F(LinkList, RowsPerSendingChannelFromItsFirstLink) {
    const std::vector<LinkRow> rows = CollectLinkRows(doc);
    struct expected_t {
        bool separator;
        const char* cells[4];
    };
    const expected_t expected[] = {
        {false, {"Out 1", "Stage(BBCC)", "In 2", "Stage(BBCC)"}},
        {false, {"Out 2", "Stage(BBCC)", "Rece 2", "Amp(3445)"}},
        {true, {"", "", "", ""}},
        {false, {"Send 1", "M()", "Rece 1", "Amp(3445)"}},
        {true, {"", "", "", ""}},
    };
    ASSERT_EQ(rows.size(), std::size(expected));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        const LinkRow& row = rows[i];
        EXPECT_EQ(row.separator, expected[i].separator);
        EXPECT_EQ(row.sendChannel, expected[i].cells[0]);
        EXPECT_EQ(row.sendDevice, expected[i].cells[1]);
        EXPECT_EQ(row.receiveChannel, expected[i].cells[2]);
        EXPECT_EQ(row.receiveDevice, expected[i].cells[3]);
    }
    // Item data: the sending channel of a row, the device of a separator.
    EXPECT_EQ(rows[1].channel, doc.FindChannel(1, 2, 3));
    EXPECT_EQ(rows[4].device, doc.FindDevice(5, 0));
}

TEST_F(LinkList, DeviceLabelsTakeTheMacsLastFourCharacters) {
    model::CBaseDevice device;
    device.m_name = "Rack";
    for (const auto& [mac, label] :
         std::vector<std::pair<std::string, std::string>>{{"001122AABBCC", "Rack(BBCC)"},
                                                          {"ABCD", "Rack(ABCD)"},
                                                          {"AB", "Rack(AB)"},
                                                          {"", "Rack()"}}) {
        device.m_mac = mac;
        EXPECT_EQ(device_editor::LinkDeviceLabel(device), label) << mac;
    }
}

TEST(LinkListModels, AUnitOfModelsOneToThreeTakesPart) {
    platform::gdi::FixedWidthMeasurer dc;
    CZoDeviceDoc doc;
    doc.OnNewDocument();
    auto unit = std::make_unique<model::CDeviceNy>(dc, 100, 100, 1, 2, 3);
    unit->m_name = "Desk";
    unit->m_mac = "0011223344EE";
    doc.AddDevice(std::move(unit));
    doc.AddDevice(std::make_unique<model::CDeviceGeneric>(dc, 400, 100, 2, "Mixer",
                                                          model::kModelGeneric, 1, 1));
    std::int32_t out = -1;
    for (const auto& channel : doc.FindDevice(1, 3)->m_channels)
        if (channel->m_direction == 1 && out < 0)
            out = channel->m_number;
    ASSERT_GE(out, 0);
    ASSERT_TRUE(
        doc.AddLinkFromRecord(sheet_builder::MakeLink(doc, 1, {1, 3, out}, {2, 0, 0}, true)));
    const std::vector<LinkRow> rows = CollectLinkRows(doc);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].sendDevice, "Desk(44EE)");
    EXPECT_EQ(rows[0].receiveChannel, "In #1");
    EXPECT_EQ(rows[0].receiveDevice, "Mixer()");
    EXPECT_TRUE(rows[1].separator);
}

TEST_F(LinkList, ExportEqualsTheGoldenFile) {
    const fs::path dir =
        fs::temp_directory_path() / ("core41-export-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path file = dir / "list.txt";
    WriteBytes(file, std::string(500, 'x')); // an older, longer file is replaced whole
    ASSERT_TRUE(CLinkViewController(doc).Export(file));
    EXPECT_EQ(ReadBytes(file), ReadBytes(fs::path(FIXTURE_DIR) / "link_list.txt"));
    EXPECT_TRUE(messages.ShownIds().empty());
    fs::remove_all(dir);
}

TEST(LinkListEmpty, ASheetWithoutLinksGivesTheThreeHeadingLinesOnly) {
    platform::gdi::FixedWidthMeasurer dc;
    CZoDeviceDoc doc;
    doc.OnNewDocument();
    auto unit = std::make_unique<model::CDeviceNy>(dc, 100, 100, 1, 2, 3);
    unit->m_mac = "001122AABBCC";
    doc.AddDevice(std::move(unit));
    EXPECT_TRUE(CollectLinkRows(doc).empty());
    const std::string golden = ReadBytes(fs::path(FIXTURE_DIR) / "link_list.txt");
    const std::string headings = golden.substr(0, golden.find(std::string(65, '=')) + 67);
    EXPECT_EQ(device_editor::LinkListText({}), headings);
}

TEST_F(LinkList, AFailedExportKeepsTheOldFileAndSays286) {
    // A folder the program cannot write into. Root writes anywhere a mode
    // allows nothing, so it gets a folder no one can create files in.
    const fs::path dir = fs::temp_directory_path() / ("core41-ro-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::path file = dir / "list.txt";
    WriteBytes(file, "old list\r\n");
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    if (::access(dir.c_str(), W_OK) == 0)
        file = "/proc/version";
    const std::string before = ReadBytes(file);
    ASSERT_FALSE(before.empty());
    EXPECT_FALSE(CLinkViewController(doc).Export(file));
    EXPECT_EQ(ReadBytes(file), before);
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{resources::kMsgOpenFileFailed});
    fs::permissions(dir, fs::perms::owner_all);
    fs::remove_all(dir);
}

TEST(LinkListFileName, DateAsMonthDayYear) {
    std::tm date{};
    date.tm_year = 2026 - 1900;
    date.tm_mon = 0;
    date.tm_mday = 7;
    EXPECT_EQ(device_editor::LinkListFileName(date), "路由连接关系(01-07-2026).txt");
}

// Pages recorded in memory: 96 dpi, a page of `height` pixels.
class RecordingPrinter : public device_editor::ILinkListPrinter {
public:
    explicit RecordingPrinter(std::int32_t height, bool opens = true)
        : height_(height), opens_(opens) {}
    bool Begin() override {
        ++begun;
        return opens_;
    }
    model::Size PageSize() const override { return {800, height_}; }
    int DpiY() const override { return 96; }
    model::Canvas& StartPage() override {
        pages.push_back(std::make_unique<platform::gdi::RecordingCanvas>());
        return *pages.back();
    }
    void EndPage() override { ++ended; }
    void End() override { ++finished; }

    // The page's texts as "y text".
    std::vector<std::string> Texts(std::size_t page) const {
        std::vector<std::string> out;
        for (const auto& op : pages.at(page)->Ops())
            if (op.kind == platform::gdi::RecordedOp::Kind::Text)
                out.push_back(std::to_string(op.origin.y) + " " + op.text);
        return out;
    }

    std::vector<std::unique_ptr<platform::gdi::RecordingCanvas>> pages;
    int begun = 0, ended = 0, finished = 0;

private:
    std::int32_t height_;
    bool opens_;
};

TEST_F(LinkList, PrintingAsksThenLaysTheRowsOutOnPages) {
    messages.ScriptAnswer(resources::kMsgAskPrint, EMessageAnswer::Ok);
    // Margins of 48, lines of 16 (10 points at 96 dpi is a 13-pixel
    // character, with a quarter for the gap): six lines fit on a page of
    // 192, so the title, the blank, the column titles, the ruler and the
    // first two rows fill page one.
    RecordingPrinter printer(192);
    ASSERT_TRUE(CLinkViewController(doc).Print(&printer));
    ASSERT_EQ(printer.pages.size(), 2u);
    EXPECT_EQ(printer.ended, 2);
    EXPECT_EQ(printer.finished, 1);
    const std::vector<std::string> first = printer.Texts(0);
    ASSERT_EQ(first.size(), 1u + 4 + 1 + 4 + 4);
    EXPECT_EQ(first[0].substr(0, 3), "48 ");
    EXPECT_NE(first[0].find("<<路由连接关系表>>"), std::string::npos);
    EXPECT_EQ(first[1], "80 输出通道");
    EXPECT_EQ(first[5], "96 " + std::string(65, '='));
    EXPECT_EQ(first[6], "112 Out 1");
    EXPECT_EQ(first[10], "128 Out 2");
    EXPECT_EQ(first[13], "128 Amp(3445)");
    // Page two: the separator's blank line, then the matrix's row.
    EXPECT_EQ(printer.Texts(1),
              (std::vector<std::string>{"64 Send 1", "64 M()", "64 Rece 1", "64 Amp(3445)"}));
    const platform::gdi::RecordedOp& text = printer.pages[0]->Ops().front();
    EXPECT_EQ(text.font.lfFaceName, "Arial");
    EXPECT_EQ(text.font.lfHeight, -13);
    EXPECT_EQ(messages.AskedIds(), std::vector<int>{resources::kMsgAskPrint});
}

TEST_F(LinkList, PrintingWithoutAPrinterSaysSo) {
    messages.ScriptAnswer(resources::kMsgAskPrint, EMessageAnswer::Ok);
    const CLinkViewController dialog(doc);
    EXPECT_FALSE(dialog.Print(nullptr));
    RecordingPrinter offline(1000, false);
    EXPECT_FALSE(dialog.Print(&offline));
    EXPECT_EQ(offline.begun, 1);
    EXPECT_TRUE(offline.pages.empty());
    EXPECT_EQ(messages.ShownIds(),
              (std::vector<int>{resources::kMsgPrinterFailed, resources::kMsgPrinterFailed}));
}

TEST_F(LinkList, PrintingCancelledPrintsNothing) {
    messages.ScriptAnswer(resources::kMsgAskPrint, EMessageAnswer::Cancel);
    RecordingPrinter printer(1000);
    EXPECT_FALSE(CLinkViewController(doc).Print(&printer));
    EXPECT_EQ(printer.begun, 0);
    EXPECT_TRUE(messages.ShownIds().empty());
}

} // namespace
