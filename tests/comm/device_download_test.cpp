// The device-sheet download on a small sheet, with components, an online
// list and a clock of the test's own: the output lines, the addresses given,
// the texts each unit got, and how the frame heard the outcome.
#include "comm/device_download.h"

#include <gtest/gtest.h>

#include "download_recorders.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <stop_token>
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
    std::set<std::string> taken;  // addresses a host off the list answers for
    // Called after each route text was sent.
    std::function<void()> afterText = [] {};
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
        if (!refuse.count(mac) && !taken.count(ip))
            m_pending.emplace_back(mac, ip);
    }
    comm::RouteTextSender Routes(const std::string& ip, const comm::Sleeper&) override
    {
        return [this, ip](const std::string& text) {
            texts[ip].push_back(text);
            afterText();
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
                afterPause();
            },
            [this] { return now; }, stop.get_token());
    }
    // The lines from the check of the network on.
    std::vector<std::string> PrepareLines()
    {
        const std::vector<std::string> lines = output.Lines();
        return {std::find(lines.begin(), lines.end(), FormatMessage(162)), lines.end()};
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
    std::function<void()> afterPause = [] {};
    std::stop_source stop;
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

// A unit that ignores assignment is given up after its own limit, however
// many free addresses the range still has; until then each address not
// taken is awaited, then the next one tried.
TEST_F(DeviceDownload, AUnitThatIgnoresAssignmentFailsWithinItsOwnLimit)
{
    struct Case {
        const char* name;
        int lastAddress; // of the range 198.18.1.10 ..
        std::chrono::milliseconds unitLimit;
        std::vector<std::string> tried;
        std::chrono::milliseconds took;
    };
    const Case cases[] = {
        {"nine free addresses: two waits, not nine", 18, 16s,
         {"198.18.1.10", "198.18.1.11"}, 16s},
        {"the limit cuts the last wait short", 18, 12s, {"198.18.1.10", "198.18.1.11"}, 12s},
        {"a limit under one wait", 18, 3s, {"198.18.1.10"}, 3s},
        {"the range runs out first", 10, 16s, {"198.18.1.10"}, 8s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device_editor::CZoDeviceDoc sheet;
        sheet.OnNewDocument();
        auto unit = std::make_unique<model::CDeviceQOVG>(dc, 100, 100, 1, model::kModelQOVG, 2);
        unit->m_name = "A";
        unit->m_mac = "00602b000001";
        sheet.AddDevice(std::move(unit));
        comm::COnlineDeviceList list;
        list.MarkSeen("00602b000001", "10.0.0.5");
        CFakeComponents units(list);
        units.known.insert("00602b000001");
        units.refuse.insert("00602b000001");
        CRecordingOutput lines;
        comm::DownloadSettings caseSettings = settings;
        caseSettings.rangeEnd = Ip(198, 18, 1, c.lastAddress);
        caseSettings.assignUnitLimit = c.unitLimit;
        std::chrono::steady_clock::time_point clock{};
        comm::CDownloadRun run(
            sheet, frame, lines, units, caseSettings, list,
            [&](std::chrono::milliseconds d) { clock += d; }, [&] { return clock; });
        run.CollectDownloadUnits();
        EXPECT_EQ(run.PrepareUnits(), 0);
        EXPECT_EQ(clock.time_since_epoch(), c.took);
        std::vector<std::string> expected = {FormatMessage(162)};
        for (const std::string& ip : c.tried)
            expected.push_back(FormatMessage(166, "A", "00602b000001", ip));
        expected.push_back(FormatMessage(167, 1, "A", "00602b000001"));
        std::vector<std::string> written = lines.Lines();
        written.erase(written.begin(), std::find(written.begin(), written.end(), expected[0]));
        EXPECT_EQ(written, expected);
        EXPECT_EQ(units.assigned.size(), c.tried.size());
    }
}

// The limit leaves room for an address somebody off the list answers for:
// the unit gets the next one.
TEST_F(DeviceDownload, AnAddressNotTakenIsAwaitedThenTheNextTried)
{
    AddUnit(1, "A", "00602b000001");
    Online("00602b000001", "10.0.0.5");
    components.taken.insert("198.18.1.10");
    comm::CDownloadRun run = MakeRun();
    run.CollectDownloadUnits();
    EXPECT_EQ(run.PrepareUnits(), 1);
    EXPECT_EQ(PrepareLines(),
              (std::vector<std::string>{FormatMessage(162),
                                        FormatMessage(166, "A", "00602b000001", "198.18.1.10"),
                                        FormatMessage(165, "A", "00602b000001", "198.18.1.11"),
                                        ""}));
    // The first address awaited for the whole assignment wait.
    EXPECT_GE(now - std::chrono::steady_clock::time_point{}, settings.assignWait);
    EXPECT_EQ(doc.GetDevice(0)->m_ip, "198.18.1.11");
}

// A stop ends the download where it is, whatever step: the frame hears it
// failed, the output says why, nothing more is sent.
TEST_F(DeviceDownload, AStopEndsTheDownloadAtItsNextStepOrWait)
{
    AddUnit(1, "A", "00602b000001");
    AddUnit(2, "B", "00602b000002");
    Online("00602b000001", "198.18.1.10");
    Online("00602b000002", "10.0.0.5");
    components.refuse.insert("00602b000002");
    {
        SCOPED_TRACE("while it awaits an address");
        afterPause = [this] {
            if (now - std::chrono::steady_clock::time_point{} >= 3s)
                stop.request_stop();
        };
        comm::CDownloadRun run = MakeRun();
        EXPECT_EQ(run.Run("sheet.zo"), 0);
        EXPECT_EQ(now - std::chrono::steady_clock::time_point{}, 3s);
        const std::vector<std::string> lines = PrepareLines();
        EXPECT_EQ(lines, (std::vector<std::string>{
                             FormatMessage(162),
                             FormatMessage(164, "A", "00602b000001", "198.18.1.10"),
                             FormatMessage(4601, 1), FormatMessage(193, 1, 0)}));
        EXPECT_EQ(components.assigned, std::vector<std::string>{"00602b000002 198.18.1.11"});
        EXPECT_EQ(frame.Events(), (std::vector<std::string>{"wait", "begin", "arrow", "failed"}));
    }
    {
        SCOPED_TRACE("between two route texts");
        components.refuse.clear();
        stop = std::stop_source();
        afterPause = [] {};
        components.afterText = [this] { stop.request_stop(); };
        CRecordingFrame routesFrame;
        comm::CDownloadRun run(
            doc, routesFrame, output, components, settings, online,
            [this](std::chrono::milliseconds d) {
                now += d;
                components.Sweep();
            },
            [this] { return now; }, stop.get_token());
        EXPECT_EQ(run.Run("sheet.zo"), 0);
        // The first text went, the second was not sent, nor the store.
        std::size_t sent = 0;
        for (const auto& [ip, texts] : components.texts)
            sent += texts.size();
        EXPECT_EQ(sent, 1u);
        const std::vector<std::string> lines = output.Lines();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[lines.size() - 2], FormatMessage(4601, 1));
        EXPECT_EQ(lines.back(), FormatMessage(193, 1, 0));
        EXPECT_EQ(routesFrame.Events(),
                  (std::vector<std::string>{"wait", "begin", "arrow", "failed"}));
    }
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

// The operator's stop wakes the thread's wait without joining it; the
// download ends by itself and the frame hears of the failure.
TEST_F(DeviceDownload, TheOperatorsStopWakesTheThreadsWait)
{
    AddUnit(1, "A", "00602b000001");
    Online("00602b000001", "10.0.0.5");
    settings.assignWait = 600s; // only the stop ends it
    settings.assignUnitLimit = 600s;
    std::atomic<CFakeComponents*> made{nullptr};
    comm::CDeviceDownload download(frame, output, [&] {
        auto c = std::make_unique<CFakeComponents>(online);
        c->known = components.known;
        c->refuse = {"00602b000001"};
        made = c.get();
        return c;
    }, online);
    download.Stop(); // nothing runs: nothing to stop, and the next download is not stopped
    ASSERT_TRUE(download.Start(doc, "x", settings));
    const auto waiting = [&] {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while ((!made || made.load()->assignCalls == 0) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        return made && made.load()->assignCalls > 0;
    };
    ASSERT_TRUE(waiting());
    download.Stop();
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (download.Running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    ASSERT_FALSE(download.Running());
    EXPECT_EQ(frame.Events(), (std::vector<std::string>{"wait", "begin", "arrow", "failed"}));
    const std::vector<std::string> lines = output.Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], FormatMessage(4601, 1));
    EXPECT_EQ(lines.back(), FormatMessage(193, 1, 0));
}

} // namespace
