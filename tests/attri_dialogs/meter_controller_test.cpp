// The meter's dialog over a sheet's real document, view and console:
// polling by its stepped timer, captions, levels shown, hold settings.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "attri_dialogs/meter_controller.h"
#include "comm/dsp_console.h"
#include "dsp_editor/dsp_undo.h"
#include "dsp_test_support.h"
#include "model/ari_classes.h"
#include "model/ari_crossover.h"
#include "model/ari_meter.h"

namespace {

namespace ad = attri_dialogs;
namespace de = dsp_editor;
using ad::EEditEvent;
using model::CAriMeter;
using model::CBaseAriModule;
using Commands = std::vector<std::string>;

class SteppedTimer final : public ad::IMeterTimer {
public:
    void Start(std::int32_t ms) override { period = ms; }
    void Kill() override { ++kills; }
    std::int32_t period = 0;
    int kills = 0;
};

// The view hands levels to the open dialogs; this one is the meter's.
class MeterDialog final : public de::IAttriDialog {
public:
    explicit MeterDialog(ad::CAttriMeterController& controller) : m_controller(controller) {}
    std::int32_t GetModuleId() const override { return m_controller.ModuleId(); }
    std::int32_t GetKind() const override { return 0; }
    void DestroyDialog() override {}
    void ShowMeterLevel(std::int32_t channel, double dB) override {
        m_controller.ShowMeterLevel(channel, dB);
    }

private:
    ad::CAttriMeterController& m_controller;
};

// A new live sheet (inputs at orders 1 to 8) and a meter of the variant;
// modules added by the test are linked to its channels before it opens.
class MeterPolling : public ::testing::Test {
protected:
    MeterPolling() {
        doc = dsp_test::NewDocument(frame);
        view = std::make_unique<de::CZoDSPView>(*doc);
        frame.activeView = view.get();
        for (std::int32_t id = 1; id <= 8; ++id)
            doc->GetModuleById(id)->m_order = id;
    }
    ~MeterPolling() override {
        controller.reset();
        view.reset();
        doc.reset();
    }
    CBaseAriModule* Add(std::int32_t type, std::int32_t variant, std::int32_t order) {
        CBaseAriModule* module = doc->AddModule(type, variant, 200, 40 + 70 * order, 1);
        module->m_order = order;
        return module;
    }
    void AddMeter(std::int32_t variant) {
        meter = dynamic_cast<CAriMeter*>(doc->AddModule(model::kAriMeter, variant, 500, 40, 1));
    }
    void OpenMeter(bool live = true) {
        doc->m_orderOk = 1;
        doc->m_outputOrder = 20;
        doc->m_live = live ? 1 : 0;
        doc->SetModifiedFlag(false);
        controller = std::make_unique<ad::CAttriMeterController>(*view, *meter);
        controller->Open(&timer);
    }
    void Link(std::int32_t feedId, std::int32_t feedPin, std::int32_t meterPin) {
        ASSERT_NE(dsp_test::Connect(*doc, feedId, feedPin, meter->m_id, meterPin), nullptr);
    }
    Commands Gets() { return view->Console().Queue(comm::EConsoleQueue::Get); }
    Commands TickGets() {
        view->Console().ClearAll();
        controller->Tick();
        return Gets();
    }

    dsp_test::FakeFrame frame;
    std::unique_ptr<de::CZoDSPDoc> doc;
    std::unique_ptr<de::CZoDSPView> view;
    CAriMeter* meter = nullptr;
    SteppedTimer timer;
    std::unique_ptr<ad::CAttriMeterController> controller;
};

TEST_F(MeterPolling, EachTickAsksForTheLinkedOutputByTheModulesReadBackCode) {
    CBaseAriModule* crossover = Add(model::kAriCrossover, model::CAriCrossover::kThreeWay, 12);
    CBaseAriModule* delay = Add(model::kAriDelay, 1, 9);
    CBaseAriModule* mixer = Add(model::kAriMixer, 1, 10);
    AddMeter(3);
    Link(crossover->m_id, 2, 0); // its second output
    Link(5, 0, 1);
    Link(delay->m_id, 1, 2);
    Link(mixer->m_id, 4, 3);
    OpenMeter();
    EXPECT_EQ(timer.period, 100);
    const Commands expected{"*NyGET 12 608 2#", "*NyGET 5 106 5#", "*NyGET 9 303#",
                            "*NyGET 10 507#"};
    EXPECT_EQ(TickGets(), expected);
    EXPECT_EQ(TickGets(), expected);
    EXPECT_TRUE(view->Console().Queue(comm::EConsoleQueue::Control).empty());
}

TEST_F(MeterPolling, ARemovedModuleEndsTheTick) {
    CBaseAriModule* delay = Add(model::kAriDelay, 1, 9);
    CBaseAriModule* filter = Add(model::kAriFilter, 1, 11);
    AddMeter(3);
    Link(7, 0, 0);
    Link(delay->m_id, 1, 1);
    Link(filter->m_id, 1, 2);
    OpenMeter();
    // The meter's pin still names the delay, which the sheet no longer has.
    delay->m_id = 999;
    EXPECT_EQ(TickGets(), Commands{"*NyGET 7 106 7#"});
}

TEST_F(MeterPolling, OfflineNothingGoingLiveStartsAtTheNextTickViewOnlyKillsTheTimer) {
    AddMeter(1);
    Link(3, 0, 0);
    OpenMeter(false);
    EXPECT_TRUE(TickGets().empty());
    doc->m_live = 1;
    EXPECT_EQ(TickGets(), Commands{"*NyGET 3 106 3#"});
    controller->SetMode(ad::CAttriController::kViewOnly);
    EXPECT_TRUE(TickGets().empty());
    EXPECT_EQ(timer.kills, 1);
    EXPECT_FALSE(controller->TimerRunning());
    controller->SetMode(ad::CAttriController::kEditable);
    EXPECT_TRUE(TickGets().empty());
}

TEST_F(MeterPolling, AStalledUnitKeepsOneGetPerChannelQueued) {
    CBaseAriModule* filter = Add(model::kAriFilter, 1, 11);
    AddMeter(2);
    Link(2, 0, 0);
    Link(filter->m_id, 1, 1);
    OpenMeter();
    for (int tick = 0; tick < 50; ++tick)
        controller->Tick();
    EXPECT_EQ(Gets(), (Commands{"*NyGET 2 106 2#", "*NyGET 11 608#"}));
}

TEST_F(MeterPolling, OpeningWhileLiveClearsTheGetListAndClosingKillsTheTimer) {
    view->Console().SendGet(40, 303);
    AddMeter(1);
    OpenMeter();
    EXPECT_TRUE(Gets().empty());
    EXPECT_TRUE(controller->OnClose());
    EXPECT_EQ(timer.kills, 1);
    controller->Tick();
    EXPECT_TRUE(Gets().empty());
}

// What the unit answers for the polled outputs reaches the meter's channels
// through the view, as its replies come back: "<get command> <reply>".
TEST_F(MeterPolling, RepliesToItsGetsShowOnTheMeter) {
    CBaseAriModule* filter = Add(model::kAriFilter, 1, 11);
    CBaseAriModule* mixer = Add(model::kAriMixer, 1, 10);
    AddMeter(2);
    Link(filter->m_id, 1, 0);
    Link(mixer->m_id, 4, 1);
    OpenMeter();
    MeterDialog dialog(*controller);
    doc->AddAttriDialog(&dialog);
    const Commands gets = TickGets();
    ASSERT_EQ(gets.size(), 2u);
    EXPECT_EQ(view->OnMeterReply(gets[0] + " *-12.5#"), 1);
    EXPECT_EQ(view->OnMeterReply(gets[1] + " *-3.0#"), 1);
    EXPECT_EQ(controller->Channel(0).readout, "-12.5");
    EXPECT_EQ(controller->Channel(0).barLevel, -12);
    EXPECT_EQ(controller->Channel(1).readout, "-3.0");
    doc->DestroyAttriDialogs();
}

TEST_F(MeterPolling, ShowMeterLevelClampsTheBarAndIgnoresOtherChannels) {
    AddMeter(2);
    OpenMeter();
    struct Case {
        double dB;
        std::int32_t bar;
        const char* readout;
    };
    for (const Case& c : {Case{-75.3, -60, "-75.3"}, Case{-6.9, -6, "-6.9"},
                          Case{30.04, 24, "30.0"}, Case{0.4, 0, "0.4"}}) {
        SCOPED_TRACE(c.dB);
        controller->ShowMeterLevel(1, c.dB);
        EXPECT_EQ(controller->Channel(1).barLevel, c.bar);
        EXPECT_EQ(controller->Channel(1).readout, c.readout);
    }
    controller->ShowMeterLevel(2, 5.0);
    controller->ShowMeterLevel(-1, 5.0);
    EXPECT_EQ(controller->Channel(0).readout, "-100.00");
}

TEST_F(MeterPolling, HoldTimeIsClampedOnEnterAndMarksTheSheetModified) {
    AddMeter(2);
    OpenMeter();
    controller->HoldTimeEdit(1).text = "5000";
    EXPECT_FALSE(controller->OnHoldTimeEdit(1, EEditEvent::kTextChanged));
    EXPECT_EQ(controller->Channel(1).upDown, 1000);
    EXPECT_EQ(meter->m_peakHold[1].holdTime, 100);
    controller->HoldTimeEdit(1).text = "5000\r\n";
    EXPECT_TRUE(controller->OnHoldTimeEdit(1, EEditEvent::kTextChanged));
    EXPECT_EQ(controller->Channel(1).holdTime.text, "1000");
    EXPECT_EQ(meter->m_peakHold[1].holdTime, 1000);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_TRUE(view->CanUndo());
    auto& copy =
        dynamic_cast<CAriMeter&>(*de::UndoHistoryOf(*doc)->AddAction(3, *meter, 0, 0, true));
    EXPECT_EQ(copy.m_peakHold[1].holdTime, 1000);
    EXPECT_TRUE(view->Console().Queue(comm::EConsoleQueue::Control).empty());
}

TEST_F(MeterPolling, FocusLossAppliesEveryEditScrollingOnlyWrites) {
    AddMeter(3);
    OpenMeter();
    controller->OnHoldTimeScroll(0, 250);
    EXPECT_EQ(controller->Channel(0).holdTime.text, "250");
    EXPECT_EQ(meter->m_peakHold[0].holdTime, 100);
    controller->HoldTimeEdit(3).text = "0";
    EXPECT_TRUE(controller->OnHoldTimeEdit(2, EEditEvent::kFocusLost));
    EXPECT_EQ(meter->m_peakHold[0].holdTime, 250);
    EXPECT_EQ(meter->m_peakHold[3].holdTime, 1);
    EXPECT_EQ(controller->Channel(3).holdTime.text, "1");
}

TEST_F(MeterPolling, HoldButtonsFlipViewOnlyRestoresAndDefaultsReset) {
    AddMeter(1);
    OpenMeter();
    EXPECT_FALSE(controller->SetDefaultValues());
    EXPECT_TRUE(controller->OnHoldClick(0));
    EXPECT_TRUE(controller->OnInfiniteHoldClick(0));
    EXPECT_EQ(meter->m_peakHold[0].holdOn, 0);
    EXPECT_EQ(meter->m_peakHold[0].infinite, 1);
    EXPECT_EQ(controller->Channel(0).hold, 0);
    EXPECT_TRUE(doc->IsModified());

    controller->SetMode(ad::CAttriController::kViewOnly);
    EXPECT_FALSE(controller->OnHoldClick(0));
    controller->HoldTimeEdit(0).text = "7";
    EXPECT_FALSE(controller->OnHoldTimeEdit(0, EEditEvent::kFocusLost));
    EXPECT_EQ(controller->Channel(0).holdTime.text, "100");
    controller->SetMode(ad::CAttriController::kEditable);

    EXPECT_TRUE(controller->SetDefaultValues());
    EXPECT_EQ(meter->m_peakHold[0], CAriMeter::PeakHold{});
    controller->Refresh();
    EXPECT_EQ(controller->Channel(0).hold, 1);
    EXPECT_EQ(controller->Channel(0).infiniteHold, 0);
}

TEST_F(MeterPolling, CaptionsAreFilledOnOpeningAndRefreshKeepsThem) {
    CBaseAriModule* delay = Add(model::kAriDelay, 1, 9);
    AddMeter(2);
    Link(4, 0, 1);
    OpenMeter();
    EXPECT_EQ(controller->Channel(0).number, "In 1");
    EXPECT_EQ(controller->Channel(0).moduleCaption, "Not Linked");
    EXPECT_EQ(controller->Channel(1).moduleCaption, "Input");
    EXPECT_EQ(controller->Channel(1).channelCaption, doc->GetModuleById(4)->m_name);
    Link(delay->m_id, 1, 0);
    controller->Refresh();
    EXPECT_EQ(controller->Channel(0).moduleCaption, "Not Linked");
}

TEST(MeterCaption, EveryLinkedTypeAndCrossoverVariant) {
    struct Case {
        std::int32_t type, variant, channel; // channel among all, inputs first
        const char* second;
    };
    const Case cases[] = {
        {model::kAriDelay, 1, 1, "Out"},        {model::kAriRouter, 1, 6, "Out 3"},
        {model::kAriMixer, 7, 9, "Out 2"},      {model::kAriMixer, 1, 4, "Out"},
        {model::kAriEqualizer, 1, 1, "Out"},    {model::kAriCrossover, 19, 1, "L"},
        {model::kAriCrossover, 19, 2, "H"},     {model::kAriCrossover, 20, 1, "L"},
        {model::kAriCrossover, 20, 2, "M"},     {model::kAriCrossover, 20, 3, "H"},
        {model::kAriCrossover, 21, 1, "L"},     {model::kAriCrossover, 21, 2, "LM"},
        {model::kAriCrossover, 21, 3, "HM"},    {model::kAriCrossover, 21, 4, "H"},
        {model::kAriCrossover, 19, 3, "Wrong"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + "/" + std::to_string(c.variant) + "/" +
                     std::to_string(c.channel));
        const std::unique_ptr<CBaseAriModule> linked =
            model::MakeAriModule(c.type, 30, c.variant, 100, 100, 1);
        ASSERT_NE(linked, nullptr);
        linked->m_name = "M";
        const ad::MeterCaption caption = ad::MeterChannelCaption(*linked, c.channel);
        EXPECT_EQ(caption.module, "M");
        EXPECT_EQ(caption.channel, c.second);
    }
}

TEST(MeterLayout, WindowAndChannelOffsets) {
    EXPECT_EQ(ad::MeterWindowSize(1), (platform::gdi::Size{137, 181}));
    EXPECT_EQ(ad::MeterWindowSize(2), (platform::gdi::Size{256, 181}));
    EXPECT_EQ(ad::MeterWindowSize(4), (platform::gdi::Size{494, 181}));
    EXPECT_EQ(ad::MeterWindowSize(8), (platform::gdi::Size{494, 327}));
    EXPECT_EQ(ad::MeterChannelOffset(3), (platform::gdi::Point{357, 0}));
    EXPECT_EQ(ad::MeterChannelOffset(5), (platform::gdi::Point{119, 146}));
}

TEST(MeterReadCode, ByLinkedType) {
    EXPECT_EQ(ad::MeterReadCode(model::kAriRouter), 402);
    EXPECT_EQ(ad::MeterReadCode(model::kAriDynamic), 706);
    EXPECT_EQ(ad::MeterReadCode(model::kAriGenerator), 809);
    EXPECT_EQ(ad::MeterReadCode(model::kAriEqualizer), 608);
    EXPECT_FALSE(ad::MeterReadCode(model::kAriOutput));
    EXPECT_FALSE(ad::MeterReadCode(model::kAriMeter));
}

} // namespace
