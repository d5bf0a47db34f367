// The meter dialog's polling end to end: the live sheet's view owning its
// console's sender thread, libkestrin2.so and the simulated unit of
// snmpagent --unit, with the test's thread as the user-interface thread.
// The dialog's timer is stepped by the test; the unit's replies come back
// through the view to the dialog's channels.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "attri_dialogs/meter_controller.h"
#include "comm/command_sender.h"
#include "comm/dsp_console.h"
#include "dsp_editor/zo_dsp_view.h"
#include "dsp_test_support.h"
#include "model/ari_meter.h"
#include "model/recording_messages.h"
#include "tests/comm/simulated_unit_fixture.h"

namespace {

namespace ad = attri_dialogs;
namespace de = dsp_editor;
using namespace std::chrono_literals;
using Q = comm::EConsoleQueue;

class UnitFrame final : public de::IDspMainFrame {
public:
    std::string NewSheetMac() const override { return "00602b0a0b0c"; }
    std::int32_t NewSheetModel() const override { return 1; }
    std::string DeviceDocumentPath() const override { return {}; }
    de::CZoDSPView* ActiveDspView() const override { return active; }
    std::optional<std::vector<de::CZoDSPView*>> OpenDspViews() const override { return views; }

    de::CZoDSPView* active = nullptr;
    std::vector<de::CZoDSPView*> views;
};

class UnitWindow final : public de::IDspViewWindow {
public:
    void Repaint() override {}
    void UpdatePropertyPanel() override {}
    void Post(std::function<void()> call) override { model::GetUiThread()->Post(std::move(call)); }
};

// The meter's dialog as the document lists it: levels go to the controller.
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

class SteppedTimer final : public ad::IMeterTimer {
public:
    void Start(std::int32_t) override {}
    void Kill() override {}
};

class MeterUnit : public unit_test::CSimulatedUnitTest {
protected:
    MeterUnit() : CSimulatedUnitTest("127.0.3.39") {}

    bool RunUntil(const std::function<bool()>& done) { return ui_.RunUntil(done, 60s); }

    model::CManualUiThread ui_;
};

// Input 1 through a filter, input 2 through a 4 x 1 mixer; a meter reads
// the filter's output and the mixer's.
TEST_F(MeterUnit, AMeterOnAFilterAndOnAFourByOneMixerShowsWhatTheUnitAnswers) {
    UnitFrame frame;
    auto doc = std::make_unique<de::CZoDSPDoc>();
    doc->SetMainFrame(&frame);
    doc->OnNewDocument();
    UnitWindow window;
    de::CZoDSPView view(*doc);
    view.SetWindow(&window);
    frame.views.push_back(&view);
    frame.active = &view;

    const std::int32_t filter = doc->AddModule(model::kAriFilter, 1, 300, 100, 1)->m_id;
    const std::int32_t mixer = doc->AddModule(model::kAriMixer, 1, 300, 200, 1)->m_id;
    dsp_test::Connect(*doc, 1, 0, filter, 0);
    dsp_test::Connect(*doc, filter, 1, 9, 0);
    for (std::int32_t in = 0; in < 4; ++in)
        dsp_test::Connect(*doc, 2 + in, 0, mixer, in);
    dsp_test::Connect(*doc, mixer, 4, 10, 0);
    auto* meter = dynamic_cast<model::CAriMeter*>(doc->AddModule(model::kAriMeter, 2, 500, 300, 1));
    dsp_test::Connect(*doc, filter, 1, meter->m_id, 0);
    dsp_test::Connect(*doc, mixer, 4, meter->m_id, 1);

    view.Download().StartSender(std::make_unique<comm::CFixedUnitComponents>(unit_->target()));
    view.Download().OnAppNotify(de::CDspDownload::kNotifyDspDownload);
    ASSERT_TRUE(RunUntil([&] { return doc->m_live == 1 && view.Download().m_progress == 0; }));

    ad::CAttriMeterController controller(view, *meter);
    MeterDialog dialog(controller);
    doc->AddAttriDialog(&dialog);
    SteppedTimer timer;
    controller.Open(&timer);

    const std::string filterOrder = std::to_string(doc->GetModuleById(filter)->m_order);
    const std::string mixerOrder = std::to_string(doc->GetModuleById(mixer)->m_order);
    Script("unit get " + filterOrder + " 608 = -17.5");
    Script("unit get " + mixerOrder + " 507 = -9");
    EXPECT_TRUE(RunUntil([&] {
        controller.Tick();
        return controller.Channel(0).readout == "-17.5" && controller.Channel(1).readout == "-9.0";
    }));
    EXPECT_EQ(controller.Channel(0).barLevel, -17);
    EXPECT_EQ(controller.Channel(1).barLevel, -9);

    controller.OnClose();
    doc->RemoveAttriDialog(meter->m_id, 0);
    view.Console().StopSender();
    view.SetWindow(nullptr);
    doc->SetMainFrame(nullptr);
}

} // namespace
