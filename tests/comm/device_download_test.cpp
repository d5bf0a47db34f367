// The device-sheet download on a small sheet, with components, an online
// list and a clock of the test's own: the output lines, the addresses given,
// the texts each unit got, and how the frame heard the outcome.
#include "comm/device_download.h"

#include <gtest/gtest.h>

#include "download_recorders.h"

#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "device_editor/zo_device_doc.h"
#include "device_test_support.h"
#include "model/device_ny.h"
#include "model/device_qovg.h"
#include "model/messages.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "sheet_builder.h"

namespace {

using namespace download_test;

using namespace std::chrono_literals;
using model::FormatMessage;

// The discovery server and the units. An address put to a device shows in
// the online list at the next wait of the download, as after a sweep,
// unless the device refuses it.
class CFakeComponents final : public comm::IDownloadComponents {
public:
    explicit CFakeComponents(comm::COnlineDeviceList& online) : m_online(online) {}

    bool createOk = true;
    std::string adapterIp = "198.18.1.1";
    std::set<std::string> known;  // MACs the discovery server has
    std::set<std::string> refuse; // devices that never take an address
    std::vector<std::string> assigned;
    std::map<std::string, std::vector<std::string>> texts; // by unit address

    bool Create(const std::string&) override { return createOk; }
    void Release() override {}
    std::string AdapterIp() override { return adapterIp; }
    bool HasDevice(const std::string& mac) override { return known.count(mac) != 0; }
    std::atomic<int> assignCalls{0};
    void AssignIp(const std::string& mac, const std::string& ip) override
    {
        ++assignCalls;
        assigned.push_back(mac + " " + ip);
        if (!refuse.count(mac))
            m_pending.emplace_back(mac, ip);
    }
    comm::RouteTextSender Routes(const std::string& ip, const comm::Sleeper&) override
    {
        return [this, ip](const std::string& text) {
            texts[ip].push_back(text);
            return 1;
        };
    }
    int StoreRoutes(const std::string& ip, const comm::Sleeper&) override
    {
        texts[ip].push_back("FIRMW");
        return 1;
    }
    // The watch's sweep.
    void Sweep()
    {
        for (const auto& [mac, ip] : m_pending)
            m_online.MarkSeen(mac, ip);
        m_pending.clear();
    }

private:
    comm::COnlineDeviceList& m_online;
    std::vector<std::pair<std::string, std::string>> m_pending;
};

class DeviceDownload : public ::testing::Test {
protected:
    DeviceDownload()
    {
        doc.OnNewDocument();
        settings.rangeStart = Ip(198, 18, 1, 10);
        settings.rangeEnd = Ip(198, 18, 1, 12);
    }

    // A model-21 unit: two receiving channels (0, 1), two sending (2, 3).
    model::CBaseDevice& AddUnit(int id, const std::string& name, const std::string& mac)
    {
        auto unit = std::make_unique<model::CDeviceQOVG>(dc, 100 * id, 100, id, model::kModelQOVG, 2);
        unit->m_name = name;
        unit->m_mac = mac;
        model::CBaseDevice& added = *unit;
        doc.AddDevice(std::move(unit));
        components.known.insert(mac);
        return added;
    }
    void Online(const std::string& mac, const std::string& ip) { online.MarkSeen(mac, ip); }

    comm::CDownloadRun MakeRun()
    {
        return comm::CDownloadRun(
            doc, frame, output, components, settings, online,
            [this](std::chrono::milliseconds d) {
                now += d;
                components.Sweep();
            },
            [this] { return now; });
    }

    device_test::TempHome home;
    platform::gdi::FixedWidthMeasurer dc;
    device_editor::CZoDeviceDoc doc;
    comm::COnlineDeviceList online;
    CFakeComponents components{online};
    CRecordingFrame frame;
    CRecordingOutput output;
    comm::DownloadSettings settings;
    std::chrono::steady_clock::time_point now{};
};

TEST_F(DeviceDownload, AWholeDownload)
{
    AddUnit(1, "A", "00602b000001");
    AddUnit(2, "B", "00602b000002");
    AddUnit(3, "C", "00602B000003"); // the prefix test is exact
    AddUnit(4, "D", "00602b000004");
    // A's first sending channel feeds B's first receiving channel.
    ASSERT_TRUE(doc.AddLinkFromRecord(sheet_builder::MakeLink(doc, 1, {1, 2, 2}, {2, 2, 0}, true)));
    Online("00602b000001", "10.0.0.5");   // off range: is given one
    Online("00602b000002", "198.18.1.11"); // in range: kept
    // D is not on line.

    comm::CDownloadRun run = MakeRun();
    EXPECT_EQ(run.Run("sheet.zo"), 0);

    const std::vector<std::string> expected = {
        FormatMessage(197, "sheet.zo"), "", FormatMessage(198), FormatMessage(194),
        FormatMessage(195, "198.18.1.1", "198.18.1.10"),
        FormatMessage(200, "198.18.1.1", "198.18.1.12"), FormatMessage(168),
        FormatMessage(169, 1, "C", "00602B000003"), "", FormatMessage(162),
        FormatMessage(163, 1, "D", "00602b000004"),
        FormatMessage(164, "B", "00602b000002", "198.18.1.11"),
        FormatMessage(165, "A", "00602b000001", "198.18.1.10"), "", FormatMessage(174),
        FormatMessage(190, "B", "00602b000002"),
        FormatMessage(173, "00602b000002", 2),
        FormatMessage(171, "00602b000001", 1, "00602b000002", 1),
        FormatMessage(191, "B", "00602b000002"),
        FormatMessage(190, "A", "00602b000001"),
        FormatMessage(173, "00602b000001", 1),
        FormatMessage(173, "00602b000001", 2),
        FormatMessage(191, "A", "00602b000001"),
        FormatMessage(202, 1, 1), ""};
    EXPECT_EQ(output.Lines(), expected);
    EXPECT_EQ(frame.Events(), (std::vector<std::string>{"wait", "begin", "arrow", "done"}));
    EXPECT_EQ(components.assigned, std::vector<std::string>{"00602b000001 198.18.1.10"});
    EXPECT_EQ(components.texts["198.18.1.11"],
              (std::vector<std::string>{"ROUTE00020003020001000000", "ROUTE00020001010111001000",
                                        "FIRMW"}));
    EXPECT_EQ(components.texts["198.18.1.10"],
              (std::vector<std::string>{"ROUTE00010002010001000000",
                                        "ROUTE00010002020001000000", "FIRMW"}));
    EXPECT_EQ(doc.GetDevice(0)->m_ip, "198.18.1.10");
    EXPECT_EQ(doc.GetDevice(3)->m_ip, "0.0.0.0");
}

TEST_F(DeviceDownload, AddressesGoInAscendingOrderUntilTheRangeIsUsedUp)
{
    for (int id = 1; id <= 4; ++id) {
        const std::string mac = "00602b00000" + std::to_string(id);
        AddUnit(id, "U" + std::to_string(id), mac);
        Online(mac, "10.0.0." + std::to_string(id));
    }
    comm::CDownloadRun run = MakeRun();
    run.CollectDownloadUnits();
    EXPECT_EQ(run.PrepareUnits(), 0);
    // Last to first, each the lowest address nobody holds.
    EXPECT_EQ(components.assigned,
              (std::vector<std::string>{"00602b000004 198.18.1.10", "00602b000003 198.18.1.11",
                                        "00602b000002 198.18.1.12"}));
    EXPECT_EQ(output.Lines().back(), FormatMessage(167, 1, "U1", "00602b000001"));
}

TEST_F(DeviceDownload, AnAddressNotTakenIsAwaitedThenTheNextTried)
{
    AddUnit(1, "A", "00602b000001");
    Online("00602b000001", "10.0.0.5");
    components.refuse.insert("00602b000001");
    comm::CDownloadRun run = MakeRun();
    run.CollectDownloadUnits();
    const auto start = now;
    EXPECT_EQ(run.PrepareUnits(), 0);
    EXPECT_EQ(components.assigned.size(), 3u);
    // Each address awaited for the whole assignment wait, in 500 ms polls.
    EXPECT_EQ(now - start, 3 * settings.assignWait);
    const auto lines = output.Lines();
    EXPECT_EQ(lines[lines.size() - 4], FormatMessage(166, "A", "00602b000001", "198.18.1.10"));
}

TEST_F(DeviceDownload, ADeviceTheDiscoveryServerLacksFailsAtOnce)
{
    AddUnit(1, "A", "00602b000001");
    Online("00602b000001", "10.0.0.5");
    components.known.clear();
    comm::CDownloadRun run = MakeRun();
    run.CollectDownloadUnits();
    EXPECT_EQ(run.PrepareUnits(), 0);
    EXPECT_TRUE(components.assigned.empty());
    EXPECT_EQ(now, std::chrono::steady_clock::time_point{});
    EXPECT_EQ(output.Lines().back(), FormatMessage(167, 1, "A", "00602b000001"));
}

TEST_F(DeviceDownload, FatalSettingsEndTheDownload)
{
    struct Case {
        const char* name;
        bool createOk;
        std::string adapterIp;
        std::vector<std::string> tail;
    };
    const Case cases[] = {
        {"no components", false, "198.18.1.1", {FormatMessage(199, 1), FormatMessage(193, 1, 0)}},
        {"card outside the range", true, "198.18.2.5",
         {FormatMessage(196, 1), FormatMessage(193, 1, 0)}},
        {"range end outside the card's network", true, "198.18.1.1",
         {FormatMessage(195, "198.18.1.1", "198.18.1.10"), FormatMessage(201, 1),
          FormatMessage(193, 1, 0)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CRecordingFrame caseFrame;
        CRecordingOutput caseOutput;
        CFakeComponents caseComponents(online);
        caseComponents.createOk = c.createOk;
        caseComponents.adapterIp = c.adapterIp;
        comm::DownloadSettings caseSettings = settings;
        if (std::string(c.name).rfind("range end", 0) == 0)
            caseSettings.rangeEnd = Ip(198, 18, 2, 12);
        comm::CDownloadRun run(doc, caseFrame, caseOutput, caseComponents, caseSettings, online);
        run.Run("x");
        auto lines = caseOutput.Lines();
        ASSERT_GE(lines.size(), c.tail.size());
        lines.erase(lines.begin(), lines.end() - static_cast<long>(c.tail.size()));
        EXPECT_EQ(lines, c.tail);
        EXPECT_EQ(caseFrame.Events(), (std::vector<std::string>{"wait", "begin", "arrow", "failed"}));
    }
}

TEST_F(DeviceDownload, InputHalvesOfTwoHalfUnitsAreLeftOut)
{
    for (const int model : {4, 7, 8, 9, 10, 19, 20}) {
        SCOPED_TRACE(model);
        device_editor::CZoDeviceDoc sheet;
        sheet.OnNewDocument();
        for (const int sub : {1, 2}) {
            auto half = std::make_unique<model::CDeviceNy>(dc, 100 * sub, 100, 1, model, sub);
            half->m_mac = "00602b000001";
            sheet.AddDevice(std::move(half));
        }
        CRecordingOutput lines;
        comm::CDownloadRun run(sheet, frame, lines, components, settings, online);
        run.CollectDownloadUnits();
        const std::size_t expected = model::IsTwoHalfModel(model) ? 1 : 2;
        ASSERT_EQ(run.Units().size(), expected);
        EXPECT_EQ(run.Units()[0]->m_subType, model::IsTwoHalfModel(model) ? 2 : sheet.GetDevice(0)->m_subType);
    }
}

TEST_F(DeviceDownload, OneAtATimeAndACancelJoinsPromptly)
{
    AddUnit(1, "A", "00602b000001");
    Online("00602b000001", "10.0.0.5");
    components.refuse.insert("00602b000001");
    settings.assignWait = 600s; // only the cancel ends it
    std::atomic<CFakeComponents*> made{nullptr};
    {
        comm::CDeviceDownload download(frame, output, [&] {
            auto c = std::make_unique<CFakeComponents>(online);
            c->known = components.known;
            c->refuse = components.refuse;
            made = c.get();
            return c;
        }, online);
        ASSERT_TRUE(download.Start(doc, "x", settings));
        EXPECT_FALSE(download.Start(doc, "x", settings));
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while ((!made || made.load()->assignCalls == 0) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        ASSERT_TRUE(download.Running());
        download.Cancel();
        EXPECT_FALSE(download.Running());
    }
    EXPECT_EQ(frame.Events().back(), "failed");
    EXPECT_EQ(output.Lines().back().substr(0, FormatMessage(193, 1, 0).size()),
              FormatMessage(193, 1, 0));
}

} // namespace
