// The run state of a device sheet over a recording unit port: the texts and
// numbers it sends and reads, entering and leaving the run state, the status
// poller's steps by the unit's answers, and the alarm rounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "device_editor/run_state.h"
#include "device_editor/zo_device_doc.h"
#include "model/device_external.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/device_qovg.h"
#include "model/recording_messages.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "run_state_recorders.h"
#include "sheet_builder.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace run_state_test;
using device_editor::CDeviceRunState;
using device_editor::CZoDeviceDoc;
using model::CDeviceQOVG;

// -- texts and numbers

TEST(RunStateTexts, GainValues) {
    struct Case {
        float dB;
        std::optional<int> value;
    };
    const Case cases[] = {
        {0.0f, 134217728},
        {-6.0f, 67268211},
        {-100.0f, 1342},
        {24.0f, 2127207634},
        {25.0f, std::nullopt}, // 2^27 x 17.8 leaves int
        {std::numeric_limits<float>::quiet_NaN(), std::nullopt},
        {std::numeric_limits<float>::infinity(), std::nullopt},
        {-std::numeric_limits<float>::infinity(), std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(device_editor::GainValue(c.dB), c.value) << c.dB;
}

TEST(RunStateTexts, VolumeReadings) {
    EXPECT_FLOAT_EQ(device_editor::VolumeFromReading(0), -100.0f);
    EXPECT_FLOAT_EQ(device_editor::VolumeFromReading(-3), -100.0f);
    EXPECT_FLOAT_EQ(device_editor::VolumeFromReading(1048576), 15.5f);
    EXPECT_NEAR(device_editor::VolumeFromReading(104857), 5.5f, 0.001f);
}

TEST(RunStateTexts, PortLevelReplies) {
    struct Case {
        const char* reply;
        bool read;
    };
    const Case cases[] = {
        {"*GETPO=1010#", true},  {"*GETPO=101#", false},  {"*GETPO=10100#", false},
        {"*GETPO=1x10#", false}, {"*GETPX=1010#", false}, {"", false},
    };
    for (const Case& c : cases) {
        std::array<std::int32_t, 4> ports = {-1, -1, -1, -1};
        EXPECT_EQ(device_editor::ReadPortLevels(c.reply, ports), c.read) << c.reply;
        const std::array<std::int32_t, 4> expected =
            c.read ? std::array<std::int32_t, 4>{1, 0, 1, 0}
                   : std::array<std::int32_t, 4>{-1, -1, -1, -1};
        EXPECT_EQ(ports, expected) << c.reply;
    }
}

TEST(RunStateTexts, SampleReplies) {
    const std::string good = "*GETAV0 0001 0002 0003 0004 0005 0006 0920 1023#";
    ASSERT_EQ(good.size(), 48u);
    struct Case {
        std::string reply;
        bool read;
    };
    const Case cases[] = {
        {good, true},
        {good.substr(0, 47), false},
        {good + " ", false},
        {"*GETAV0 0001 0002 0003 0004 0005 0006 09x0 1023#", false},
        {"*GETAV1 0001 0002 0003 0004 0005 0006 0920 1023#", false},
    };
    for (const Case& c : cases) {
        std::array<std::int32_t, 8> samples;
        samples.fill(-1);
        EXPECT_EQ(device_editor::ReadAnalogSamples(c.reply, samples), c.read) << c.reply;
        std::array<std::int32_t, 8> expected;
        expected.fill(-1);
        if (c.read)
            expected = {1, 2, 3, 4, 5, 6, 920, 1023};
        EXPECT_EQ(samples, expected) << c.reply;
    }
}

TEST(RunStateTexts, ChannelGainCommands) {
    struct Case {
        int model, index, step;
        bool phantom;
        std::optional<std::string> command;
    };
    const Case cases[] = {
        {4, 2, 4, true, "SETVO03036"},    {4, 0, 0, false, "SETVO01000"},
        {9, 15, 15, false, "SETVO16015"}, {3, 5, 3, false, std::nullopt},
        {3, 6, 3, false, "SETVO01003"},   {3, 7, 1, true, "SETVO02033"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(device_editor::ChannelGainCommand(c.model, c.index, c.step, c.phantom), c.command)
            << "model " << c.model << " index " << c.index;
}

TEST(RunStateTexts, Subnets) {
    EXPECT_TRUE(device_editor::SameSubnet("192.168.1.4", "192.168.1.1"));
    EXPECT_FALSE(device_editor::SameSubnet("192.168.2.4", "192.168.1.1"));
    EXPECT_FALSE(device_editor::SameSubnet("10.168.1.4", "192.168.1.1"));
}

// The input half of the fixture's two-half unit: In 1 fed by the PC's first
// output, In 2 by the unit's own output half Out 1 (its first bundle).
TEST(RunStateTexts, RouteCommandsOfAFixtureSheet) {
    platform::gdi::FixedWidthMeasurer dc;
    CZoDeviceDoc doc;
    sheet_builder::Build(doc, dc);
    auto* input = doc.FindDevice(1, 1);
    auto* output = dynamic_cast<model::CDeviceNy*>(doc.FindDevice(1, 2));
    ASSERT_NE(output, nullptr);
    input->m_mac = output->m_mac = "00602b00a1b2";
    doc.FindDevice(3, 0)->m_mac = "001122334455";
    output->m_bundle1 = 7;
    output->m_bundle2 = 9;

    EXPECT_EQ(
        device_editor::BuildRouteCommands(doc, *input),
        (std::vector<std::string>{"*ROUTEa1b24455010111001000#", "*ROUTEa1b2a1b2020111002007#"}));
    // The output half's inputs have no links.
    EXPECT_EQ(device_editor::BuildRouteCommands(doc, *output), (std::vector<std::string>{"", ""}));
}

// -- the run state on a small sheet

constexpr const char* kStageMac = "00602b000004";
constexpr const char* kWallMac = "00602b000003";
constexpr const char* kRemoteMac = "00602b000009";
constexpr const char* kAmpMac = "00602b000021";
constexpr const char* kPlayerMac = "00602b000001";
constexpr const char* kAmpIp = "192.168.1.21";

//   id 1  model 4 "Stage"  In 3 at step 4 with phantom power   192.168.1.4
//   id 2  model 3 "Wall"   inputs 7 and 8 at steps 1 and 2+48 V 192.168.1.3
//   id 3  model 4 "Remote", in another subnet                   192.168.2.9
//   id 4  model 21 "Amp"                                        192.168.1.21
//   id 5  model 1 "Player"                                      192.168.1.5
class RunStateTest : public testing::Test {
protected:
    void SetUp() override {
        AddUnit(std::make_unique<model::CDeviceNy>(dc, 100, 100, 1, 4, 1), "Stage", kStageMac,
                "192.168.1.4");
        AddUnit(std::make_unique<model::CDeviceNy>(dc, 300, 100, 2, 3, 3), "Wall", kWallMac,
                "192.168.1.3");
        AddUnit(std::make_unique<model::CDeviceNy>(dc, 500, 100, 3, 4, 1), "Remote", kRemoteMac,
                "192.168.2.9");
        AddUnit(std::make_unique<CDeviceQOVG>(dc, 100, 400, 4, model::kModelQOVG, 2), "Amp",
                kAmpMac, kAmpIp);
        AddUnit(std::make_unique<model::CDeviceNy>(dc, 300, 400, 5, 1, 3), "Player", kPlayerMac,
                "192.168.1.5");
        Channel(1, 2).m_gainStep = 4;
        Channel(1, 2).m_phantomPower = 1;
        Channel(2, 6).m_gainStep = 1;
        Channel(2, 7).m_gainStep = 2;
        Channel(2, 7).m_phantomPower = 1;
        port.SetSnmpValue(device_editor::kLeftVolumeOid, "1048576");
        port.SetSnmpValue(device_editor::kRightVolumeOid, "0");
    }
    void TearDown() override {
        state.RequestStop();
        gate.Open();
        state.Join();
    }

    template <class T>
    void AddUnit(std::unique_ptr<T> unit, const char* name, const char* mac, const char* ip) {
        unit->SetName(name, dc);
        unit->m_mac = mac;
        port.SetOnline(mac, {1, ip});
        doc.AddDevice(std::move(unit));
    }
    model::CDeviceChnl& Channel(std::int32_t id, int index) {
        model::CBaseDevice* device = nullptr;
        for (const auto& d : doc.Devices())
            if (d->m_id == id)
                device = d.get();
        return *model::AsDeviceChnl(device->m_channels[index]);
    }
    CDeviceQOVG& Amp() { return *dynamic_cast<CDeviceQOVG*>(doc.FindDevice(4, 2)); }
    // A running round with the amplifier on line.
    void RunningRound() {
        port.SetRunning(true);
        Amp().m_flag = 1;
        state.PollRound();
    }

    platform::gdi::FixedWidthMeasurer dc;
    model::CRecordingMessages messages;
    CZoDeviceDoc doc;
    CRecordingPort port;
    CRecordingView view;
    CRecordingPlayer player;
    CGateSleeper gate{false};
    // The program folder holds the alarm sound; the recording player reads
    // nothing of it.
    test_support::CTempDir programFolder{"run-state-alarm"};
    const std::filesystem::path alarmFile = Touched(programFolder.path() / "Alarm.wav");
    CDeviceRunState state{doc, port, view, player, {programFolder.path()}, gate.Sleeper()};

    static std::filesystem::path Touched(const std::filesystem::path& file) {
        std::ofstream(file) << "RIFF";
        return file;
    }
};

std::string GainSetLine(const char* name, const char* mac, int channel, int dB) {
    return std::string("    信息：成功设定设备'") + name + "'(" + mac + ")的" +
           std::to_string(channel) + "通道的增益+" + std::to_string(dB) + " dB。";
}

TEST_F(RunStateTest, EnteringReportsTheGainsPerChannelAndStartsTheThreadsOnce) {
    doc.SelectDevice(doc.FindDevice(1, 1), false);
    state.OnAppNotify(device_editor::kNotifyRunStateEntered);

    std::vector<std::string> expected = {"开始通道增益设置...",
                                         "'Remote' (00602b000009)",
                                         "'Wall' (00602b000003)",
                                         GainSetLine("Wall", kWallMac, 7, 6),
                                         GainSetLine("Wall", kWallMac, 8, 12),
                                         "'Stage' (00602b000004)"};
    for (int ch = 1; ch <= 8; ++ch)
        expected.push_back(GainSetLine("Stage", kStageMac, ch, ch == 3 ? 24 : 0));
    expected.push_back("通道增益设置完成！");
    expected.push_back("");
    EXPECT_EQ(port.Lines(), expected);

    std::vector<std::string> sends = {"send 192.168.1.3 SETVO01001", "send 192.168.1.3 SETVO02034"};
    for (int ch = 1; ch <= 8; ++ch)
        sends.push_back("send 192.168.1.4 SETVO0" + std::to_string(ch) + (ch == 3 ? "036" : "000"));
    EXPECT_EQ(port.EventsWith("send"), sends);
    EXPECT_TRUE(port.EventsWith("192.168.2.9").empty()) << "another subnet gets no command";

    // Marks: on line in the adapter's subnet only.
    EXPECT_EQ(doc.FindDevice(1, 1)->m_flag, 1);
    EXPECT_EQ(doc.FindDevice(3, 1)->m_flag, 0);
    EXPECT_EQ(Amp().m_flag, 1);
    EXPECT_EQ(doc.GetSelectedCount(), 0);

    // The DSP documents of the units of models 1 to 3, with their routes.
    EXPECT_EQ(view.events,
              (std::vector<std::string>{"toolbars", "update", "start 2", "start 5", "activate"}));
    EXPECT_EQ(view.routes[2].size(), 8u);

    // Both threads idle at their first sleep; a second entry starts none.
    ASSERT_TRUE(gate.WaitForSleepers(2));
    state.OnAppNotify(device_editor::kNotifyRunStateEntered);
    EXPECT_TRUE(state.ThreadsStarted());
    state.RequestStop();
    gate.Open();
    state.Join();
    EXPECT_EQ(gate.Sleeps(), (std::vector<long long>{1000, 1000}));
    // The idle round asked for everything to be set and read.
    EXPECT_EQ(Amp().m_queryRequests[0], 1);
    EXPECT_EQ(Amp().m_gainSetRequest, 1);
    EXPECT_EQ(Amp().m_thirdRequest, 1);
}

TEST_F(RunStateTest, FailedGainsAreNamedAndTheLastLineCountsThem) {
    gate.Open();
    // The Wall's second gain is the only one the units take.
    port.Reply("SETVO", {std::nullopt, "*OK#", std::nullopt});
    state.SendGainCommands();
    const auto lines = port.Lines();
    ASSERT_EQ(lines.size(), 16u);
    EXPECT_EQ(lines[3], "    错误：设置设备'Wall'(00602b000003)的7通道增益+6 dB失败！");
    EXPECT_EQ(lines[4], GainSetLine("Wall", kWallMac, 8, 12));
    EXPECT_EQ(lines[8], "    错误：设置设备'Stage'(00602b000004)的3通道增益+24 dB失败！");
    EXPECT_EQ(lines[14], "通道增益设置结束，9个通道设置失败！");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "通道增益设置完成！"), 0)
        << "no success line after failures";
}

TEST_F(RunStateTest, WhatBecameOfEachDspDocument) {
    gate.Open();
    state.UpdateOnlineState(1);
    struct Case {
        device_editor::EDspStart start;
        std::vector<std::string> lines;
        std::vector<int> shown;
    };
    const Case cases[] = {
        {device_editor::EDspStart::Started, {}, {}},
        {device_editor::EDspStart::KeptRunning,
         {"    信息：设备'Wall'(00602b000003)没有DSP配置文件，保持其正在运行的配置。",
          "    信息：设备'Player'(00602b000001)没有DSP配置文件，保持其正在运行的配置。"},
         {}},
        {device_editor::EDspStart::NotOpened, {}, {286, 286}},
    };
    for (const Case& c : cases) {
        port.Clear();
        const std::size_t shownBefore = messages.ShownIds().size();
        view.dspStart = c.start;
        state.SendToDspDocuments(device_editor::kNotifyDspStart);
        EXPECT_EQ(port.Lines(), c.lines) << static_cast<int>(c.start);
        const std::vector<int> shown = messages.ShownIds();
        EXPECT_EQ(
            std::vector<int>(shown.begin() + static_cast<std::ptrdiff_t>(shownBefore), shown.end()),
            c.shown)
            << static_cast<int>(c.start);
    }
}

TEST_F(RunStateTest, LeavingClearsEveryMarkAndStopsTheDspDocuments) {
    gate.Open();
    state.UpdateOnlineState(1);
    view.events.clear();
    state.OnAppNotify(device_editor::kNotifyRunStateLeft);
    for (const auto& device : doc.Devices())
        EXPECT_EQ(device->m_flag, 0) << device->m_id;
    EXPECT_EQ(view.events, (std::vector<std::string>{"toolbars", "update", "stop 00602b000003",
                                                     "stop 00602b000001", "activate"}));
    EXPECT_FALSE(state.ThreadsStarted());
}

TEST_F(RunStateTest, OtherCodesOnlyRefreshTheToolBars) {
    gate.Open();
    for (int code : {device_editor::kNotifyDownloadBegins, device_editor::kNotifyDownloadFailed}) {
        view.events.clear();
        state.OnAppNotify(code);
        EXPECT_EQ(view.events, std::vector<std::string>{"toolbars"});
    }
    EXPECT_TRUE(port.Events().empty());
}

// -- the poller's steps

TEST_F(RunStateTest, ARunningRoundSetsGainsAndReadsEverything) {
    gate.Open();
    Amp().m_leftGain = 0.0f;
    Amp().m_rightGain = -6.0f;
    Amp().m_gainSetRequest = 1;
    Amp().m_queryRequests[0] = 1;
    port.Reply("GETPO", {"*GETPO=1010#"});
    port.Reply("GETAV0", {"*GETAV0 0001 0002 0003 0004 0005 0006 0920 1023#"});
    RunningRound();

    const std::string amp = std::string(kAmpIp) + " ";
    EXPECT_EQ(port.EventsWith(kAmpIp),
              (std::vector<std::string>{"set " + amp + device_editor::kLeftGainOid + " 134217728",
                                        "set " + amp + device_editor::kRightGainOid + " 67268211",
                                        "send " + amp + "GETPO", "send " + amp + "GETAV0",
                                        "get " + amp + device_editor::kLeftVolumeOid,
                                        "get " + amp + device_editor::kRightVolumeOid}));
    EXPECT_EQ(port.EventsWith("post"),
              (std::vector<std::string>{"post 4/2 1046", "post 4/2 1045"}));
    EXPECT_EQ(port.Lines(),
              (std::vector<std::string>{
                  "成功设置QLV-3300A设备Amp('00602b000021')左输出通道电平增益0.0 dB。",
                  "成功设置QLV-3300A设备Amp('00602b000021')右输出通道电平增益-6.0 dB。"}));
    EXPECT_EQ(Amp().m_gainSetRequest, 0);
    EXPECT_EQ(Amp().m_queryRequests[0], 0);
    EXPECT_EQ(Amp().m_digitalOutputLevels, (std::array<std::int32_t, 4>{1, 0, 1, 0}));
    EXPECT_EQ(Amp().m_analogSamples[6], 920);
    EXPECT_FLOAT_EQ(Amp().m_leftVolume, 15.5f);
    EXPECT_FLOAT_EQ(Amp().m_rightVolume, -100.0f);
    EXPECT_EQ(gate.Sleeps(), std::vector<long long>{100});
}

TEST_F(RunStateTest, AGainThatCannotBeSentIsReportedAsFailed) {
    gate.Open();
    Amp().m_leftGain = std::numeric_limits<float>::quiet_NaN();
    Amp().m_rightGain = 30.0f;
    Amp().m_gainSetRequest = 1;
    RunningRound();
    EXPECT_TRUE(port.EventsWith("set ").empty());
    EXPECT_EQ(port.Logged().size(), 2u);
    EXPECT_NE(port.Logged()[0].find("左输出通道电平增益"), std::string::npos);
    EXPECT_NE(port.Logged()[1].find("右输出通道电平增益30.0 dB失败"), std::string::npos);
}

TEST_F(RunStateTest, StoreRequestByAnswer) {
    gate.Open();
    struct Case {
        std::optional<std::string> answer;
        std::vector<std::string> lines;
        std::vector<std::string> logged;
    };
    const std::string none = "固化QLV-3300A设备Amp('00602b000021')输出增益失败！";
    const std::string wrong =
        "QLV-3300A设备Amp('00602b000021')返回错误的字符\"*NO#\"在接收命令\"FIRMW\"后！";
    const Case cases[] = {
        {std::nullopt, {none}, {none}},
        {"*NO#", {}, {wrong}},
        {"*OK#", {"成功固化QLV-3300A设备Amp('00602b000021')输出增益。"}, {}},
    };
    for (const Case& c : cases) {
        port.Clear();
        port.Reply("FIRMW", {c.answer});
        Amp().m_firmwareQueryRequest = 1;
        RunningRound();
        EXPECT_EQ(port.EventsWith("FIRMW").size(), 1u);
        EXPECT_EQ(Amp().m_firmwareQueryRequest, 0);
        // The volumes and samples answer in every case.
        EXPECT_EQ(port.Lines(), c.lines);
        EXPECT_EQ(port.Logged(), c.logged);
    }
}

TEST_F(RunStateTest, AFailedSleepSwitchIsTriedAgainEachRoundUntilOk) {
    gate.Open();
    Amp().m_digitalOutputLevels[0] = 1;
    Amp().m_outputToggleRequests[0] = 1;
    port.Reply("SETPT", {std::nullopt, "*ERR#", "*OK#"});
    port.Reply("GETPO", {"*GETPO=1000#", "*GETPO=1000#", "*GETPO=0000#"});
    for (int round = 0; round < 3; ++round) {
        RunningRound();
        EXPECT_EQ(Amp().m_queryRequests[0], 0) << "read in the same round";
    }
    EXPECT_EQ(port.EventsWith("SETPT"),
              (std::vector<std::string>(3, std::string("send ") + kAmpIp + " SETPT10")));
    EXPECT_EQ(port.EventsWith("GETPO").size(), 3u);
    EXPECT_EQ(Amp().m_outputToggleRequests[0], 0);
    EXPECT_EQ(Amp().m_digitalOutputLevels[0], 0);
    const auto logged = port.Logged();
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[0], "设置QLV-3300A设备Amp('00602b000021')数字输出口第1通道电平失败！");
    EXPECT_EQ(logged[1],
              "QLV-3300A设备Amp('00602b000021')返回错误的字符\"*ERR#\"在接收命令\"SETPT10\"后！");
    // A fourth round has nothing to switch.
    RunningRound();
    EXPECT_EQ(port.EventsWith("SETPT").size(), 3u);
}

TEST_F(RunStateTest, ASilentUnitIsListedAndLoggedStepByStep) {
    gate.Open();
    Amp().m_queryRequests[0] = 1;
    port.Reply("GETPO", {std::nullopt});
    port.Reply("GETAV0", {std::nullopt});
    port.SetSnmpValue(device_editor::kLeftVolumeOid, std::nullopt);
    port.SetSnmpValue(device_editor::kRightVolumeOid, std::nullopt);
    RunningRound();
    const std::vector<std::string> failures = {
        "获取QLV-3300A设备Amp('00602b000021')的数字输出口电平状态失败！",
        "获取QLV-3300A设备Amp('00602b000021')模拟输入口所有通道采样值失败！"};
    std::vector<std::string> lines = failures;
    lines.push_back("获取QLV-3300A设备Amp('00602b000021')左输出通道音量失败！");
    lines.push_back("获取QLV-3300A设备Amp('00602b000021')右输出通道音量失败！");
    EXPECT_EQ(port.Lines(), lines);
    EXPECT_EQ(port.Logged(), failures);
    EXPECT_EQ(Amp().m_analogSamples[5], -1);
    EXPECT_EQ(port.EventsWith("post"), std::vector<std::string>{"post 4/2 1045"});
}

TEST_F(RunStateTest, UnitsTheListDoesNotShowOrOutsideTheRangeAreNotPolled) {
    gate.Open();
    struct Case {
        CRecordingPort::Entry entry;
        const char* why;
    };
    const Case cases[] = {
        {{0, kAmpIp}, "off line"},
        {{1, "0.0.0.0"}, "no address"},
        {{1, "192.168.1.201"}, "outside the range"},
    };
    for (const Case& c : cases) {
        port.Clear();
        port.SetOnline(kAmpMac, c.entry);
        RunningRound();
        EXPECT_TRUE(port.EventsWith("send").empty()) << c.why;
        EXPECT_TRUE(port.EventsWith("get").empty()) << c.why;
    }
}

// What a status dialog shows must be what the unit last said: readings it
// could not give are forgotten, and the dialogs told once.
TEST_F(RunStateTest, ReadingsTheUnitNoLongerGivesAreForgotten) {
    gate.Open();
    const std::string samples = "*GETAV0 0001 0002 0003 0004 0005 0006 0920 1023#";
    port.Reply("GETAV0", {samples, std::nullopt, samples, "*GETAV0 0001#", samples});
    port.SetSnmpValue(device_editor::kRightVolumeOid, "1048576");
    RunningRound();
    EXPECT_EQ(Amp().m_analogSamples[6], 920);

    // Silent for the samples and the right volume: those are unknown.
    port.SetSnmpValue(device_editor::kRightVolumeOid, std::nullopt);
    RunningRound();
    EXPECT_EQ(Amp().m_analogSamples[6], -1);
    EXPECT_FLOAT_EQ(Amp().m_leftVolume, 15.5f);
    EXPECT_TRUE(std::isnan(Amp().m_rightVolume));
    // An answer without samples in it tells no more.
    RunningRound();
    EXPECT_EQ(Amp().m_analogSamples[6], 920);
    RunningRound();
    EXPECT_EQ(Amp().m_analogSamples[6], -1);

    // Gone from the online list (a lost unit, or a lost card): everything is
    // unknown, and the dialogs hear of it once.
    port.SetSnmpValue(device_editor::kRightVolumeOid, "1048576");
    RunningRound();
    port.Clear();
    port.SetOnline(kAmpMac, {0, kAmpIp});
    RunningRound();
    RunningRound();
    EXPECT_EQ(port.EventsWith("post"), std::vector<std::string>{"post 4/2 1045"});
    EXPECT_EQ(Amp().m_analogSamples, (std::array<std::int32_t, 8>{-1, -1, -1, -1, -1, -1, -1, -1}));
    EXPECT_TRUE(std::isnan(Amp().m_leftVolume));
    EXPECT_TRUE(std::isnan(Amp().m_rightVolume));

    // Back on line, then out of the run state: forgotten again.
    port.SetOnline(kAmpMac, {1, kAmpIp});
    RunningRound();
    EXPECT_EQ(Amp().m_analogSamples[6], 920);
    port.Clear();
    state.OnAppNotify(device_editor::kNotifyRunStateLeft);
    EXPECT_EQ(port.EventsWith("post"), std::vector<std::string>{"post 4/2 1045"});
    EXPECT_EQ(Amp().m_analogSamples[6], -1);
    EXPECT_TRUE(std::isnan(Amp().m_leftVolume));
}

TEST_F(RunStateTest, TheStopFlagEndsARoundBetweenUnits) {
    gate.Open();
    auto second = std::make_unique<CDeviceQOVG>(dc, 300, 600, 6, model::kModelQOVG, 2);
    second->m_mac = "00602b000022";
    second->m_flag = 1;
    port.SetOnline("00602b000022", {1, "192.168.1.22"});
    doc.AddDevice(std::move(second));
    port.onCommand = [this](const std::string& command) {
        if (command == "GETAV0")
            state.RequestStop();
    };
    RunningRound();
    EXPECT_EQ(port.EventsWith("send").size(), 1u);
    EXPECT_TRUE(port.EventsWith("get").empty()) << "no step after the stop";
    EXPECT_TRUE(port.EventsWith("192.168.1.22").empty());
    EXPECT_TRUE(gate.Sleeps().empty());
}

// -- the alarm rounds

struct AlarmCase {
    const char* what;
    int online, global, alarmOn;
    std::int32_t sample, lower, upper;
    bool sounds;
};

class AlarmTest : public RunStateTest, public testing::WithParamInterface<AlarmCase> {};

TEST_P(AlarmTest, OneRound) {
    const AlarmCase& c = GetParam();
    gate.Open();
    port.SetRunning(true);
    CDeviceQOVG& amp = Amp();
    amp.m_flag = c.online;
    amp.m_globalAlarm = c.global;
    amp.m_alarmOn[6] = c.alarmOn;
    amp.m_analogSamples[6] = c.sample;
    amp.m_alarmLower[6] = c.lower;
    amp.m_alarmUpper[6] = c.upper;
    state.AlarmRound();
    if (c.sounds) {
        EXPECT_EQ(player.events, (std::vector<std::string>{"open Alarm.wav", "play", "close"}));
        EXPECT_EQ(gate.Sleeps(), (std::vector<long long>{500, 1000}));
    } else {
        EXPECT_TRUE(player.events.empty());
        EXPECT_EQ(gate.Sleeps(), std::vector<long long>{1000});
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, AlarmTest,
                         testing::Values(AlarmCase{"within", 1, 1, 1, 500, 0, 920, false},
                                         AlarmCase{"above", 1, 1, 1, 921, 0, 920, true},
                                         AlarmCase{"below", 1, 1, 1, 99, 100, 920, true},
                                         AlarmCase{"offline", 0, 1, 1, 921, 0, 920, false},
                                         AlarmCase{"monitoring off", 1, 0, 1, 921, 0, 920, false},
                                         AlarmCase{"switch off", 1, 1, 0, 921, 0, 920, false},
                                         AlarmCase{"unknown sample", 1, 1, 1, -1, 0, 920, false}),
                         [](const testing::TestParamInfo<AlarmCase>& info) {
                             std::string name = info.param.what;
                             std::replace(name.begin(), name.end(), ' ', '_');
                             return name;
                         });

TEST_F(RunStateTest, AlarmOnlyForTheMonitoredInputs) {
    gate.Open();
    port.SetRunning(true);
    Amp().m_flag = 1;
    Amp().m_globalAlarm = 1;
    Amp().m_analogSamples[0] = 1000; // above its limit, but not monitored
    state.AlarmRound();
    EXPECT_TRUE(player.events.empty());
}

TEST(RunStateTexts, TheAlarmSoundIsFoundInTheFirstFolderThatHoldsIt) {
    test_support::CTempDir program{"alarm-program"}, shipped{"alarm-shipped"}, built{"alarm-built"};
    const std::vector<std::filesystem::path> folders = {program.path(), shipped.path(),
                                                        built.path(), "/nonexistent/folder"};
    EXPECT_EQ(device_editor::FindAlarmSound(folders), std::nullopt);
    std::ofstream(built.path() / "Alarm.wav") << "RIFF";
    EXPECT_EQ(device_editor::FindAlarmSound(folders), built.path() / "Alarm.wav");
    std::filesystem::create_directory(shipped.path() / "Alarm.wav");
    EXPECT_EQ(device_editor::FindAlarmSound(folders), built.path() / "Alarm.wav")
        << "a folder of that name is no sound";
    std::ofstream(program.path() / "ALARM.WAV") << "RIFF";
    EXPECT_EQ(device_editor::FindAlarmSound(folders), program.path() / "ALARM.WAV")
        << "the operator's own sound first, its name in any case";
}

// Every way the alarm stays silent is listed and logged once, with what
// caused it, and tried again each round; once it sounded, a new failure is
// news again.
TEST_F(RunStateTest, EachAlarmFailureIsReportedOnceWithItsCause) {
    using Failure = CRecordingPlayer::EFailure;
    gate.Open();
    port.SetRunning(true);
    Amp().m_flag = 1;
    Amp().m_globalAlarm = 1;
    Amp().m_analogSamples[7] = 800;
    const auto twoRounds = [&] {
        port.Clear();
        player.events.clear();
        gate.Clear();
        state.AlarmRound();
        state.AlarmRound();
    };
    const std::string missing =
        "找不到报警声音文件Alarm.wav，已查找：" + programFolder.path().string();
    const std::string unreadable = "打开报警声音文件'" + alarmFile.string() + "'失败：refused";
    const std::string noOutput = "打开报警声音输出设备失败：refused";
    const std::string notPlayed = "播放报警声音文件'" + alarmFile.string() + "'失败：refused";

    std::filesystem::rename(alarmFile, programFolder.path() / "elsewhere.wav");
    twoRounds();
    EXPECT_TRUE(player.events.empty()) << "nothing to open";
    EXPECT_EQ(gate.Sleeps(), (std::vector<long long>{1000, 1000}));
    EXPECT_EQ(port.Logged(), std::vector<std::string>{missing});
    EXPECT_EQ(port.Lines(), std::vector<std::string>{missing});
    std::filesystem::rename(programFolder.path() / "elsewhere.wav", alarmFile);

    struct Case {
        Failure open;
        bool playFails;
        std::vector<std::string> events;
        std::string reported;
    };
    const Case cases[] = {
        {Failure::File, false, {"open Alarm.wav", "open Alarm.wav"}, unreadable},
        {Failure::Output, false, {"open Alarm.wav", "open Alarm.wav"}, noOutput},
        {Failure::None,
         true,
         {"open Alarm.wav", "play", "close", "open Alarm.wav", "play", "close"},
         notPlayed},
    };
    for (const Case& c : cases) {
        player.openFailure = c.open;
        player.playFails = c.playFails;
        twoRounds();
        EXPECT_EQ(player.events, c.events) << c.reported;
        EXPECT_EQ(gate.Sleeps(), (std::vector<long long>{1000, 1000})) << c.reported;
        EXPECT_EQ(port.Logged(), std::vector<std::string>{c.reported});
        EXPECT_EQ(port.Lines(), std::vector<std::string>{c.reported});
    }

    // Heard once, then the output goes: reported again.
    player.openFailure = Failure::None;
    player.playFails = false;
    twoRounds();
    EXPECT_TRUE(port.Logged().empty());
    player.openFailure = Failure::Output;
    twoRounds();
    EXPECT_EQ(port.Logged(), std::vector<std::string>{noOutput});
}

TEST_F(RunStateTest, AnIdleAlarmRoundSleepsFirst) {
    gate.Open();
    Amp().m_flag = 1;
    Amp().m_globalAlarm = 1;
    Amp().m_analogSamples[7] = 800;
    state.AlarmRound();
    EXPECT_EQ(gate.Sleeps(), (std::vector<long long>{1000, 500, 1000}));
}

// The threads against a sleeper that really waits: a stop during a 1000 ms
// sleep ends both at once.
TEST(RunStateThreads, TheBuiltInSleepWakesOnTheStop) {
    platform::gdi::FixedWidthMeasurer dc;
    CZoDeviceDoc doc;
    CRecordingPort port;
    CRecordingView view;
    CRecordingPlayer player;
    auto state = std::make_unique<CDeviceRunState>(doc, port, view, player,
                                                   std::vector<std::filesystem::path>{});
    state->OnAppNotify(device_editor::kNotifyRunStateEntered);
    const auto start = std::chrono::steady_clock::now();
    state.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 900ms);
}

} // namespace
