// The dynamics, sine and noise dialogs as a DSP view opens them through the
// program's factory, on the offscreen platform: the columns each kind
// shows, the transfer curve painted and dragged, the sine's preview and its
// sweep stepped by the dialog's own timer, the noise level's slider.
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "attri_dialog_fixture.h"
#include "attri_dialogs/ui/dynamic_dialog.h"
#include "attri_dialogs/ui/generator_dialogs.h"
#include "attri_dialogs/ui/slope_dialogs.h"
#include "comm/dsp_console.h"
#include "dsp_editor/zo_dsp_view.h"
#include "gui_app.h"
#include "model/ari_dynamic.h"
#include "model/ari_generator.h"
#include "shell/language.h"
#include "shell/ui/my_button_widget.h"
#include "shell/ui/text_fit.h"
#include "tests/support/shipped_language.h"

namespace {

namespace adu = attri_dialogs::ui;
namespace de = dsp_editor;
using model::CAriDynamic;
using model::CAriGenerator;

using gui_test::WaitFor;

QPoint Centre(const platform::gdi::Rect& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Dynamics: the trackbar and edit of each column, in column order.
constexpr int kThresholdTrack = 1092;
constexpr int kRatioTrack = 1093;
constexpr int kTargetTrack = 1096;
constexpr int kAttackTrack = 1094;
constexpr int kReleaseTrack = 1095;
constexpr int kThresholdEdit = 1099;
constexpr int kRatioEdit = 1101;
constexpr int kBypassButton = 1089;

class DynamicGeneratorDialogsGui : public attri_gui_test::CAttriDialogTest {
protected:
    template <class Dialog, class Module>
    Dialog* Open(std::int32_t type, std::int32_t variant, Module*& module) {
        module = dynamic_cast<Module*>(doc->AddModule(type, variant, 200, 40, 1));
        doc->AssignExecutionOrder();
        doc->m_live = 1;
        doc->SetModifiedFlag(false);
        return Show<Dialog>(*module);
    }
    static void Type(adu::CAttriValueEdit* edit, const char* text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    std::string Order(const model::CBaseAriModule& module) const {
        return std::to_string(module.m_order);
    }
};

TEST_F(DynamicGeneratorDialogsGui, EachDynamicsKindShowsItsColumns) {
    struct Case {
        std::int32_t variant;
        bool ratio, target, times;
    };
    const Case cases[] = {{CAriDynamic::kLeveler, true, true, true},
                          {CAriDynamic::kCompressor, true, false, true},
                          {CAriDynamic::kLimiter, false, false, true},
                          {CAriDynamic::kClipper, false, false, false}};
    for (const Case& c : cases) {
        CAriDynamic* module = nullptr;
        auto* dialog = Open<adu::CDSPDlgAttriDynamic>(model::kAriDynamic, c.variant, module);
        ASSERT_NE(dialog, nullptr);
        SCOPED_TRACE(c.variant);
        EXPECT_LE(dialog->maximumWidth(), 620);
        EXPECT_TRUE(Item<QSlider>(dialog, kThresholdTrack)->isVisible());
        EXPECT_EQ(Item<QSlider>(dialog, kRatioTrack)->isVisible(), c.ratio);
        EXPECT_EQ(Item<QSlider>(dialog, kTargetTrack)->isVisible(), c.target);
        EXPECT_EQ(Item<QSlider>(dialog, kAttackTrack)->isVisible(), c.times);
        EXPECT_EQ(Item<QSlider>(dialog, kReleaseTrack)->isVisible(), c.times);
        // The visible columns stand side by side, the bypass button last.
        int right = Item<QSlider>(dialog, kThresholdTrack)->geometry().right();
        for (int id : {kRatioTrack, kTargetTrack, kAttackTrack, kReleaseTrack}) {
            auto* track = Item<QSlider>(dialog, id);
            if (!track->isVisible())
                continue;
            EXPECT_GT(track->x(), right);
            EXPECT_LT(track->x(), right + 70);
            right = track->geometry().right();
        }
        auto* bypass = Item<shell::ui::CMyButton>(dialog, kBypassButton);
        EXPECT_TRUE(bypass->isVisible());
        EXPECT_GT(bypass->x(), right);
        EXPECT_LT(bypass->x(), right + 70) << "no gap where hidden columns were";
        EXPECT_EQ(bypass->text(), "Off");
        dialog->close();
    }
}

// Every kind's column captions fit above their trackbars in either shipped
// language ("Threshold(dB)" has no blank to wrap at), and the dialog shows
// only the pack's words besides the switch's "On" and "Off".
TEST_F(DynamicGeneratorDialogsGui, EachKindsCaptionsFitInEitherLanguage) {
    const std::set<std::string> names{std::string(attri_dialogs::SwitchCaption(0)),
                                      std::string(attri_dialogs::SwitchCaption(1))};
    for (const char* pack : {"rcEng", "rcChs"}) {
        const test_support::ScopedShippedLanguage language(pack);
        for (std::int32_t variant = CAriDynamic::kLeveler; variant <= CAriDynamic::kClipper;
             ++variant) {
            SCOPED_TRACE(std::string(pack) + " " + std::to_string(variant));
            CAriDynamic* module = nullptr;
            auto* dialog = Open<adu::CDSPDlgAttriDynamic>(model::kAriDynamic, variant, module);
            ASSERT_NE(dialog, nullptr);
            int captions = 0;
            for (const QLabel* label : dialog->findChildren<QLabel*>()) {
                if (!label->isVisible() || label->text().isEmpty())
                    continue;
                ++captions;
                EXPECT_TRUE(shell::ui::TextFits(*label)) << label->text().toStdString();
            }
            EXPECT_GT(captions, 2);
            EXPECT_EQ(shell::UntranslatedTexts(language.Pack(),
                                               gui_test::VisibleTexts(*dialog, false, names)),
                      std::vector<std::string>{});
            dialog->close();
        }
    }
}

TEST_F(DynamicGeneratorDialogsGui, CompressorCurveFollowsTheThresholdEditAndDrag) {
    CAriDynamic* module = nullptr;
    auto* dialog =
        Open<adu::CDSPDlgAttriDynamic>(model::kAriDynamic, CAriDynamic::kCompressor, module);
    ASSERT_NE(dialog, nullptr);
    auto* threshold = Item<adu::CAttriValueEdit>(dialog, kThresholdEdit);
    Type(threshold, "-20");
    EXPECT_EQ(module->m_threshold, -20.0);
    EXPECT_EQ(ControlQueue(), Commands{"*NySET " + Order(*module) + " 704 4401#"});
    EXPECT_EQ(Item<QSlider>(dialog, kThresholdTrack)->value(), 320);

    // The curve bends at input pixel 80 and rises 1 in 4 beyond it.
    const auto& curve = dialog->Dynamic().Curve();
    EXPECT_EQ(curve.OutputPixel(143), 95);
    const QImage image = dialog->grab().toImage();
    const platform::gdi::Point bent = curve.PointAt(130);
    EXPECT_EQ(image.pixelColor(bent.x, bent.y), QColor(0, 255, 0)) << "the curve";
    EXPECT_EQ(image.pixelColor(bent.x, bent.y - 20), QColor(0, 0, 0)) << "the plot above it";

    // The threshold handle dragged 10 pixels up: +5 dB, applied on release.
    using EHandle = attri_dialogs::CDynamicTransferCurve::EHandle;
    const QPoint handle = Centre(curve.HandleRect(EHandle::kThreshold));
    QTest::mousePress(dialog, Qt::LeftButton, {}, handle);
    QTest::mouseMove(dialog, handle - QPoint(0, 10));
    EXPECT_EQ(threshold->text(), "-15.0");
    EXPECT_EQ(module->m_threshold, -20.0) << "a drag previews only";
    QTest::mouseRelease(dialog, Qt::LeftButton, {}, handle - QPoint(0, 10));
    EXPECT_EQ(module->m_threshold, -15.0);
    EXPECT_EQ(Item<QSlider>(dialog, kThresholdTrack)->value(), 270);
}

TEST_F(DynamicGeneratorDialogsGui, RatioTrackbarDragCommitsOnReleaseOnly) {
    CAriDynamic* module = nullptr;
    auto* dialog =
        Open<adu::CDSPDlgAttriDynamic>(model::kAriDynamic, CAriDynamic::kCompressor, module);
    ASSERT_NE(dialog, nullptr);
    auto* track = Item<QSlider>(dialog, kRatioTrack);
    EXPECT_EQ(track->value(), 150) << "ratio 4";
    track->setSliderDown(true);
    track->setSliderPosition(90);
    EXPECT_EQ(Item<adu::CAttriValueEdit>(dialog, kRatioEdit)->text(), "10.0");
    EXPECT_EQ(module->m_ratio, 4.0);
    EXPECT_TRUE(ControlQueue().empty());
    track->setSliderDown(false);
    EXPECT_EQ(module->m_ratio, 10.0);
    EXPECT_EQ(ControlQueue(), Commands{"*NySET " + Order(*module) + " 705 1.000000e-001#"});

    // A page step beside the thumb applies at once.
    QTest::keyClick(track, Qt::Key_PageUp);
    EXPECT_NE(module->m_ratio, 10.0);
    EXPECT_EQ(track->value(),
              dialog->Dynamic().Position(attri_dialogs::CAttriDynamicController::EColumn::kRatio));
}

TEST_F(DynamicGeneratorDialogsGui, SinePreviewShowsGreenSamplesInsideItsPlot) {
    CAriGenerator* module = nullptr;
    auto* dialog = Open<adu::CDSPDlgAttriSine>(model::kAriGenerator, CAriGenerator::kSine, module);
    ASSERT_NE(dialog, nullptr);
    EXPECT_LE(dialog->maximumWidth(), 600);
    const auto& sine = dialog->Sine();
    ASSERT_EQ(sine.Samples().size(), 240u);
    const QImage image = dialog->grab().toImage();
    int green = 0;
    int probed = 0;
    for (int n = 5; n < 240; n += 7) {
        const int y = 76 + static_cast<int>(std::trunc(14.0 * sine.Samples()[n]));
        if (y <= 20 || y >= 146 || (y - 20) % 14 == 0)
            continue; // on the frame or a grid line
        ++probed;
        green += image.pixelColor(231 + n, y) == QColor(0, 255, 0) ? 1 : 0;
    }
    EXPECT_GT(probed, 10);
    EXPECT_EQ(green, probed);
    EXPECT_EQ(image.pixelColor(300, 130), QColor(0, 0, 0)) << "±42 pixels: below the swing";
    EXPECT_EQ(image.pixelColor(225, 80), QColor(200, 200, 200)) << "the frame";

    // The level edit's slider, and a level beyond the range.
    auto* level = Item<adu::CAttriValueEdit>(dialog, 1653);
    dialog->activateWindow();
    level->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(WaitFor([&] { return dialog->Slider()->isVisible(); }));
    EXPECT_EQ(dialog->Slider()->Trackbar().value(), 1000);
    Type(level, "20");
    EXPECT_EQ(level->text(), "12.0");
    EXPECT_EQ(module->m_level, 12.0);
}

TEST_F(DynamicGeneratorDialogsGui, SineSweepStepsOnTheDialogsTimer) {
    CAriGenerator* module = nullptr;
    auto* dialog = Open<adu::CDSPDlgAttriSine>(model::kAriGenerator, CAriGenerator::kSine, module);
    ASSERT_NE(dialog, nullptr);
    auto* frequency = Item<adu::CAttriValueEdit>(dialog, 1654);
    auto* stop = Item<adu::CAttriValueEdit>(dialog, 1658);
    EXPECT_TRUE(frequency->isEnabled());
    EXPECT_FALSE(stop->isEnabled());
    EXPECT_FALSE(dialog->PreviewTimer().isActive());

    QTest::mouseClick(Item<shell::ui::CMyButton>(dialog, 1651), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return module->m_mode == 0; }));
    EXPECT_FALSE(frequency->isEnabled());
    EXPECT_TRUE(stop->isEnabled());
    EXPECT_TRUE(Item<QComboBox>(dialog, 1660)->isEnabled());
    EXPECT_TRUE(dialog->PreviewTimer().isActive());
    EXPECT_EQ(dialog->PreviewTimer().interval(), 100);

    Type(stop, "4000");
    EXPECT_EQ(module->m_sweepStop, 4000.0);
    // Start 1000, one octave a step: 1000, 2000, then back to 1000 Hz.
    ASSERT_TRUE(WaitFor([&] { return dialog->Sine().PreviewFrequency() == 2000.0; }));
    ASSERT_TRUE(WaitFor([&] { return dialog->Sine().PreviewFrequency() == 1000.0; }));

    Type(Item<adu::CAttriValueEdit>(dialog, 1661), "250");
    EXPECT_EQ(dialog->PreviewTimer().interval(), 250);

    // The time spin nudges by a millisecond and returns to its centre.
    auto* spin = Item<adu::CAttriSpinButtons>(dialog, 1662);
    spin->Step(true);
    EXPECT_EQ(Item<adu::CAttriValueEdit>(dialog, 1661)->text(), "251");
    EXPECT_EQ(spin->Position(), 10);

    // The sweep button pressed in sweep mode goes back to fixed.
    QTest::mouseClick(Item<shell::ui::CMyButton>(dialog, 1651), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return module->m_mode == 1; }));
    EXPECT_FALSE(dialog->PreviewTimer().isActive());
    EXPECT_TRUE(frequency->isEnabled());
}

TEST_F(DynamicGeneratorDialogsGui, NoiseLevelClampsAndItsSliderHidesOnMute) {
    CAriGenerator* module = nullptr;
    auto* dialog =
        Open<adu::CDSPDlgAttriNoise>(model::kAriGenerator, CAriGenerator::kWhiteNoise, module);
    ASSERT_NE(dialog, nullptr);
    EXPECT_LE(dialog->maximumWidth(), 350);
    auto* level = Item<adu::CAttriValueEdit>(dialog, 1131);
    ASSERT_NE(level, nullptr);
    Type(level, "40");
    EXPECT_EQ(level->text(), "36.0");
    EXPECT_EQ(ControlQueue(), Commands{"*NySET " + Order(*module) + " 803 2.776970e+006#"});

    // Enter left the slider where the focus put it (0 dB); at +36 dB it
    // opens at its top and drags to +12 dB at most.
    ASSERT_TRUE(WaitFor([&] { return dialog->Slider()->isVisible(); }));
    QSlider& slider = dialog->Slider()->Trackbar();
    EXPECT_EQ(slider.value(), 1000);
    QTest::mouseClick(dialog, Qt::LeftButton, {}, QPoint(4, dialog->height() - 4));
    ASSERT_TRUE(WaitFor([&] { return !dialog->Slider()->isVisible(); }));
    dialog->activateWindow();
    level->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(WaitFor([&] { return dialog->Slider()->isVisible(); }));
    EXPECT_EQ(slider.value(), slider.maximum());
    slider.triggerAction(QAbstractSlider::SliderSingleStepSub);
    slider.triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(level->text(), "12.0");

    auto* mute = Item<shell::ui::CMyButton>(dialog, 1126);
    QTest::mouseClick(mute, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return module->m_mute == 1; }));
    EXPECT_FALSE(dialog->Slider()->isVisible());
    EXPECT_EQ(mute->text(), "On");
}

} // namespace
