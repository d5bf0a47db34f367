// The monitored amplifier's status window and limits dialog without their
// widgets: the tables of values, bars, slider and blinking, the requests
// they set for the poller, the limits' validation and storing, and the undo
// step of each stored change.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device_editor/amplifier_limits_controller.h"
#include "device_editor/amplifier_monitor_controller.h"
#include "device_editor/run_state.h"
#include "device_editor/zo_device_doc.h"
#include "model/device_models.h"
#include "model/device_qovg.h"
#include "model/recording_messages.h"
#include "model/undo_history.h"
#include "model/undo_host.h"
#include "platform/gdi/fixed_width_measurer.h"
#include "resources/message_ids.h"
#include "tests/device_editor/sheet_undo_host.h"

namespace {

using namespace device_editor;
namespace amp = device_editor::amplifier;
using Limits = CAmplifierLimitsController;

using Host = sheet_test::CSheetUndoHost;

// -- tables

TEST(AmplifierTables, TypedValuesAreStoredToTheNearestRawStep) {
    struct Case {
        double typed;
        int k;
        bool raw;
        int stored;
    };
    const Case cases[] = {
        {12.1, 0, false, 825}, {12.0, 0, false, 818},  {15.0, 0, false, 1023},
        {77.5, 1, false, 793}, {80.0, 2, false, 1023}, {0.0, 2, false, 0},
        {825, 0, true, 825},   {12.6, 1, true, 13},
    };
    for (const Case& c : cases)
        EXPECT_EQ(amp::StoreValue(c.typed, c.k, c.raw), c.stored) << c.typed;
    EXPECT_EQ(amp::ShowValue(825, 0, false), "12.1");
    EXPECT_EQ(amp::ShowValue(825, 0, true), "825");
    EXPECT_EQ(amp::ShowReading(-1, 0, false), "");
    EXPECT_EQ(amp::ShowReading(-1, 1, true), "");
    // Raw display round trip.
    for (const int raw : {0, 1, 511, 1023})
        EXPECT_EQ(amp::StoreValue(std::stod(amp::ShowValue(raw, 1, true)), 1, true), raw);
}

TEST(AmplifierTables, ScaleLabels) {
    platform::gdi::FixedWidthMeasurer dc;
    model::CDeviceQOVG unit(dc, 0, 0, 1, model::kModelQOVG, 2);
    const auto lines = [](std::vector<std::string> marks) {
        std::string text;
        for (const auto& m : marks)
            text += (text.empty() ? "" : "\n\n") + m;
        return text;
    };
    EXPECT_EQ(amp::ScaleLabels(unit, 0),
              lines({"15.0", "12.8", "9.5", "5.2", "2.0", "1.0", "0.0"}));
    EXPECT_EQ(amp::ScaleLabels(unit, 1),
              lines({"100.0", "77.5", "35.0", "22.5", "10.0", "5.0", "0.0"}));
    EXPECT_EQ(amp::ScaleLabels(unit, 2),
              lines({"80.0", "66.7", "53.3", "40.0", "26.7", "13.3", "0.0"}));
    unit.m_rawDisplay[5] = unit.m_rawDisplay[6] = unit.m_rawDisplay[7] = 1;
    unit.m_scaleLower[7] = 100;
    unit.m_scaleUpper[7] = 700;
    EXPECT_EQ(amp::ScaleLabels(unit, 0), lines({"1023", "869", "647", "358", "136", "68", "0"}));
    EXPECT_EQ(amp::ScaleLabels(unit, 1), lines({"1023", "792", "358", "230", "102", "51", "0"}));
    EXPECT_EQ(amp::ScaleLabels(unit, 2), lines({"700", "600", "500", "400", "300", "200", "100"}));
}

TEST(AmplifierTables, BarPositions) {
    struct Case {
        int k, raw, position;
    };
    const Case cases[] = {
        {0, 0, 1},     {0, 100, 226}, {0, 135, 305}, {0, 136, 308},   {0, 1023, 1024},
        {1, 0, 1},     {1, 102, 307}, {1, 103, 308}, {1, 1023, 1024}, {2, 0, 1},
        {2, 500, 501}, {0, -1, 1},    {1, -1, 1},    {2, -1, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(amp::ReadingBarPosition(c.k, c.raw), c.position) << c.k << " " << c.raw;
    EXPECT_EQ(amp::VolumeBarPosition(-100.0f), 1);
    EXPECT_EQ(amp::VolumeBarPosition(21.0f), 1211);
    EXPECT_EQ(amp::VolumeBarPosition(0.0f), 1001);
    EXPECT_EQ(amp::VolumeBarPosition(-3.2f), 969);
}

TEST(AmplifierTables, SliderPositionsAndDecibels) {
    const std::pair<float, int> cases[] = {{0.0f, 1}, {-127.0f, 1271}, {-12.3f, 124}, {-0.1f, 2}};
    for (const auto& [dB, position] : cases) {
        EXPECT_EQ(amp::SliderPosition(dB), position) << dB;
        EXPECT_FLOAT_EQ(amp::SliderGain(position), dB) << position;
    }
    EXPECT_EQ(CAmplifierMonitorController::OnSliderMoving(124), "-12.3");
}

// -- the dialogs on a sheet

class AmplifierDialogs : public ::testing::Test {
protected:
    AmplifierDialogs() {
        doc.OnNewDocument();
        auto made = std::make_unique<model::CDeviceQOVG>(dc, 100, 100, 2, model::kModelQOVG, 2);
        made->m_mac = "00602b00a1b2";
        doc.AddDevice(std::move(made));
        doc.SetModifiedFlag(false);
    }
    model::CDeviceQOVG& unit() { return static_cast<model::CDeviceQOVG&>(*doc.FindDevice(2, 2)); }
    SheetLock Lock() {
        return [this] {
            ++locks;
            return std::unique_lock(mutex);
        };
    }

    platform::gdi::FixedWidthMeasurer dc;
    CZoDeviceDoc doc;
    Host host{doc};
    model::CRecordingMessages messages;
    std::mutex mutex;
    int locks = 0;
};

TEST_F(AmplifierDialogs, OpeningAsksForTheSleepStateAndTheSwitchFollowsIt) {
    unit().m_digitalOutputLevels[0] = 1;
    CAmplifierMonitorController monitor(doc, unit(), Lock());
    monitor.Open();
    EXPECT_EQ(unit().m_queryRequests[0], 1);
    EXPECT_GT(locks, 0);
    EXPECT_EQ(monitor.Title(), "QLV-3300A设备" + unit().m_name + "('00602b00a1b2' )状态监控");
    EXPECT_EQ(monitor.GetSleepSwitch().caption, "Off");
    EXPECT_FALSE(monitor.GetSleepSwitch().pressed);

    monitor.OnSleepSwitch();
    EXPECT_EQ(unit().m_outputToggleRequests[0], 1);
    EXPECT_EQ(monitor.GetSleepSwitch().caption, "On");
    // The poller read the state back: shown as it is.
    monitor.OnAppNotify(kNotifyStatusSleep);
    EXPECT_EQ(monitor.GetSleepSwitch().caption, "Off");
    unit().m_digitalOutputLevels[0] = 0;
    monitor.OnAppNotify(kNotifyStatusSleep);
    EXPECT_TRUE(monitor.GetSleepSwitch().pressed);

    monitor.OnStoreGain();
    EXPECT_EQ(unit().m_firmwareQueryRequest, 1);
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(AmplifierDialogs, NewReadingsFillTheFieldsAndBars) {
    CAmplifierMonitorController monitor(doc, unit(), Lock());
    monitor.Open();
    unit().m_analogSamples = {-1, -1, -1, -1, -1, 825, -1, 500};
    unit().m_rawDisplay[7] = 1;
    unit().m_leftVolume = -100.0f;
    unit().m_rightVolume = 21.0f;
    monitor.OnAppNotify(kNotifyStatusReadings);
    const auto shown = monitor.GetReadings();
    EXPECT_EQ(shown.texts, (std::array<std::string, 3>{"12.1", "", "500"}));
    EXPECT_EQ(shown.barPositions, (std::array<int, 3>{864, 1, 501}));
    EXPECT_EQ(shown.volumePositions, (std::array<int, 2>{1, 1211}));
    EXPECT_EQ(shown.volumeTexts, (std::array<std::string, 2>{"-100.0", "21.0"}));

    // The run state lost the unit: nothing old is shown as current.
    device_editor::ForgetReadings(unit());
    monitor.OnAppNotify(kNotifyStatusReadings);
    const auto lost = monitor.GetReadings();
    EXPECT_EQ(lost.texts, (std::array<std::string, 3>{"", "", ""}));
    EXPECT_EQ(lost.barPositions, (std::array<int, 3>{1, 1, 1}));
    EXPECT_EQ(lost.volumeTexts, (std::array<std::string, 2>{"", ""}));
    EXPECT_EQ(lost.volumePositions, (std::array<int, 2>{1, 1}));

    unit().m_scaleLower[6] = 100;
    unit().m_alarmLower[6] = 150;
    const LevelBar bar = monitor.ReadingBar(1);
    EXPECT_EQ(bar.high, 1023 - 100 + 1);
    EXPECT_EQ(bar.markers, (std::vector<int>{920, 150}));
    EXPECT_EQ(CAmplifierMonitorController::VolumeBar().markers, (std::vector<int>{1000, 1}));
}

TEST_F(AmplifierDialogs, OnlyAKnownReadingOutsideItsLimitsBlinks) {
    struct Case {
        int polled, global, alarmOn, sample;
        bool blinks;
        int interval;
    };
    // The current's limits are 0..1023 by default: 341..682 here.
    const Case cases[] = {
        {1, 1, 1, 500, false, 300},  {1, 1, 1, 700, true, 300}, {1, 1, 1, 300, true, 300},
        {1, 1, 0, 700, false, 300},  {1, 1, 1, -1, false, 300}, {1, 0, 1, 700, false, 1000},
        {0, 1, 1, 700, false, 1000},
    };
    for (const Case& c : cases) {
        unit().m_flag = c.polled;
        unit().m_globalAlarm = c.global;
        unit().m_alarmOn[5] = c.alarmOn;
        unit().m_alarmLower[5] = 341;
        unit().m_alarmUpper[5] = 682;
        unit().m_analogSamples[5] = c.sample;
        CAmplifierMonitorController monitor(doc, unit());
        std::vector<std::uint32_t> colours;
        for (int tick = 0; tick < 2; ++tick) {
            EXPECT_EQ(monitor.Blink(), c.interval) << c.sample;
            colours.push_back(monitor.FieldColour(0));
            EXPECT_EQ(monitor.FieldColour(1), amp::kFieldGrey);
        }
        const std::vector<std::uint32_t> expected =
            c.blinks ? std::vector<std::uint32_t>{amp::kAlarmRed, amp::kFieldGrey}
                     : std::vector<std::uint32_t>{amp::kFieldGrey, amp::kFieldGrey};
        EXPECT_EQ(colours, expected) << c.polled << c.global << c.alarmOn << " " << c.sample;
    }
}

TEST_F(AmplifierDialogs, TheGainBoxIsClampedAndStoresBothGains) {
    unit().m_leftGain = unit().m_rightGain = -6.0f;
    CAmplifierMonitorController monitor(doc, unit(), Lock());
    EXPECT_EQ(monitor.SliderPos(), 61);
    struct Case {
        const char* typed;
        const char* shown;
        std::optional<int> slider;
        float stored;
    };
    const Case cases[] = {
        {"", "-6.0", std::nullopt, -6.0f},   {"-6", "-6.0", std::nullopt, -6.0f},
        {"-150", "-100.0", 1001, -100.0f},   {"5", "0.0", 1, 0.0f},
        {"-12.5\r\n", "-12.5", 126, -12.5f}, {"\r\n", "-12.5", std::nullopt, -12.5f},
    };
    for (const Case& c : cases) {
        unit().m_gainSetRequest = 0;
        const auto box = monitor.OnGainBoxCommit(c.typed);
        EXPECT_EQ(box.text, c.shown) << c.typed;
        EXPECT_EQ(box.sliderPosition, c.slider) << c.typed;
        EXPECT_FLOAT_EQ(unit().m_leftGain, c.stored) << c.typed;
        EXPECT_FLOAT_EQ(unit().m_rightGain, c.stored) << c.typed;
        EXPECT_EQ(unit().m_gainSetRequest, c.slider ? 1 : 0) << c.typed;
    }
}

TEST_F(AmplifierDialogs, EachStoredGainIsAnUndoableChange) {
    unit().m_leftGain = unit().m_rightGain = -6.0f;
    CAmplifierMonitorController monitor(doc, unit(), Lock());
    const std::size_t steps = doc.GetUndoHistory()->GetStepCount();
    monitor.OnSliderReleased(201);
    EXPECT_FLOAT_EQ(unit().m_leftGain, -20.0f);
    EXPECT_FLOAT_EQ(unit().m_rightGain, -20.0f);
    EXPECT_EQ(unit().m_gainSetRequest, 1);
    monitor.OnGainBoxCommit("-30");
    EXPECT_TRUE(doc.IsModified());
    ASSERT_EQ(doc.GetUndoHistory()->GetStepCount(), steps + 2);
    ASSERT_TRUE(doc.GetUndoHistory()->Undo());
    EXPECT_FLOAT_EQ(unit().m_leftGain, -20.0f);
    ASSERT_TRUE(doc.GetUndoHistory()->Undo());
    EXPECT_FLOAT_EQ(unit().m_rightGain, -6.0f);

    // Let go where it stands: the unit is asked again, the sheet keeps no step.
    unit().m_gainSetRequest = 0;
    const std::size_t before = doc.GetUndoHistory()->GetStepCount();
    monitor.OnSliderReleased(amplifier::SliderPosition(-6.0f));
    EXPECT_EQ(unit().m_gainSetRequest, 1);
    EXPECT_EQ(doc.GetUndoHistory()->GetStepCount(), before);
}

TEST_F(AmplifierDialogs, TheLimitsAreValidatedRowByRowInOrder) {
    Limits limits(doc, unit());
    limits.Load();
    EXPECT_EQ(limits.Title(), "QLV-3300A设备" + unit().m_name + "('00602b00a1b2' )监控参数修改");
    EXPECT_EQ(limits.GetRow(0).alarmUpper, "15.0");
    EXPECT_EQ(limits.Validate(), std::nullopt);
    struct Case {
        int row;
        std::string Limits::Row::*field;
        const char* text;
        int message;
    };
    const Case cases[] = {
        {0, &Limits::Row::scaleLower, "", resources::kMsgScaleLowerEmpty},
        {1, &Limits::Row::scaleUpper, " ", resources::kMsgScaleUpperEmpty},
        {2, &Limits::Row::alarmLower, "", resources::kMsgAlarmLowerEmpty},
        {0, &Limits::Row::alarmUpper, "", resources::kMsgAlarmUpperEmpty},
        {0, &Limits::Row::scaleLower, "-0.1", resources::kMsgScaleLowerRange},
        {0, &Limits::Row::scaleUpper, "15.1", resources::kMsgScaleUpperRange},
        {1, &Limits::Row::alarmLower, "100.5", resources::kMsgAlarmLowerRange},
        {2, &Limits::Row::alarmUpper, "81", resources::kMsgAlarmUpperRange},
        {1, &Limits::Row::alarmLower, "90", resources::kMsgAlarmOrder},
        {1, &Limits::Row::alarmUpper, "0", resources::kMsgAlarmOrder},
    };
    for (const Case& c : cases) {
        limits.Load();
        limits.GetRow(c.row).*c.field = c.text;
        const auto failure = limits.Validate();
        ASSERT_TRUE(failure.has_value()) << c.text;
        EXPECT_EQ(failure->message, c.message) << c.text;
        EXPECT_EQ(failure->row, c.row) << c.text;
    }
    // Empty fields come before ranges, and an earlier row first.
    limits.Load();
    limits.GetRow(0).alarmUpper = "99";
    limits.GetRow(0).alarmLower = "";
    limits.GetRow(1).scaleLower = "";
    EXPECT_EQ(limits.Validate()->message, resources::kMsgAlarmLowerEmpty);
    EXPECT_EQ(limits.Validate()->row, 0);
    // Raw display takes 0..1023.
    limits.Load();
    limits.OnUnitChanged(0, Limits::kRaw);
    EXPECT_EQ(limits.GetRow(0).alarmUpper, "1023");
    limits.GetRow(0).alarmUpper = "1000";
    EXPECT_EQ(limits.Validate(), std::nullopt);
    limits.GetRow(0).alarmUpper = "1024";
    EXPECT_EQ(limits.Validate()->message, resources::kMsgAlarmUpperRange);
}

TEST_F(AmplifierDialogs, OkStoresTheTypedLimitsAsRawValues) {
    for (int k = 0; k < 3; ++k)
        unit().m_analogNames[5 + k] = "ch" + std::to_string(k);
    Limits limits(doc, unit(), Lock());
    limits.Load();
    limits.GetRow(0).alarmUpper = "12.1";
    limits.GetRow(1).name = "";
    EXPECT_FALSE(limits.OnOk());
    EXPECT_EQ(messages.ShownIds(), std::vector<int>{resources::kMsgChannelNameEmpty});
    EXPECT_EQ(limits.FocusRow(), 1);
    EXPECT_EQ(unit().m_alarmUpper[5], 1023);

    limits.GetRow(1).name = "volts";
    limits.global = true;
    limits.OnUnitChanged(2, Limits::kRaw);
    limits.GetRow(2).alarmLower = "12";
    const std::size_t steps = doc.GetUndoHistory()->GetStepCount();
    EXPECT_TRUE(limits.OnOk());
    EXPECT_EQ(unit().m_alarmUpper[5], 825);
    EXPECT_EQ(unit().m_analogNames[6], "volts");
    EXPECT_EQ(unit().m_rawDisplay[7], 1);
    EXPECT_EQ(unit().m_alarmLower[7], 12);
    EXPECT_EQ(unit().m_globalAlarm, 1);
    EXPECT_TRUE(doc.IsModified());
    ASSERT_EQ(doc.GetUndoHistory()->GetStepCount(), steps + 1);
    ASSERT_TRUE(doc.GetUndoHistory()->Undo());
    EXPECT_EQ(unit().m_alarmUpper[5], 1023);

    // An invalid form stores nothing.
    limits.Load();
    limits.GetRow(0).scaleUpper = "";
    EXPECT_FALSE(limits.OnOk());
    EXPECT_EQ(messages.ShownIds().back(), resources::kMsgScaleUpperEmpty);
}

TEST_F(AmplifierDialogs, DownloadAndRefreshSetTheRequests) {
    const std::string name = unit().m_analogNames[5];
    Limits limits(doc, unit(), Lock());
    limits.Load();
    limits.global = true;
    limits.GetRow(0).alarmUpper = "12.1";
    limits.GetRow(0).name = "renamed";
    limits.GetRow(1).unit = Limits::kNoUnit;
    limits.GetRow(1).alarmUpper = "50";
    EXPECT_TRUE(limits.OnDownload());
    EXPECT_EQ(unit().m_settingsChanged, 1);
    EXPECT_EQ(unit().m_globalAlarm, 1);
    EXPECT_EQ(unit().m_alarmUpper[5], 825);
    EXPECT_EQ(unit().m_analogNames[5], name);
    EXPECT_EQ(unit().m_alarmUpper[6], 920);
    EXPECT_EQ(unit().m_analogRunFlags1, (std::array<std::int32_t, 8>{0, 0, 0, 0, 0, 1, 0, 1}));

    limits.OnRefresh();
    EXPECT_EQ(unit().m_settingsEdit, 1);
    EXPECT_EQ(unit().m_analogRunFlags2, (std::array<std::int32_t, 8>{0, 0, 0, 0, 0, 1, 1, 1}));

    // The answers come through the status window.
    CAmplifierMonitorController monitor(doc, unit(), Lock());
    monitor.SetOpenLimits(&limits);
    unit().m_alarmLower[7] = 80;
    limits.global = false;
    monitor.OnAppNotify(kNotifyChannelsRead);
    EXPECT_EQ(limits.GetRow(2).alarmLower, "6.3");
    EXPECT_FALSE(limits.global);
    EXPECT_EQ(unit().m_analogRunFlags2, (std::array<std::int32_t, 8>{}));
    EXPECT_EQ(unit().m_settingsEdit, 1);
    monitor.OnAppNotify(kNotifyGlobalRead);
    EXPECT_EQ(unit().m_settingsEdit, 0);
    EXPECT_TRUE(limits.global);
}

} // namespace
