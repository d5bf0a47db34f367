// The mixer and meter dialogs as a DSP view opens them through the
// program's factory, on the offscreen platform: the mixer's grid, cells,
// gain and level edits with their two sliders, layouts and the red of a
// routed cell; the meter's polling by its own timer, levels, hold settings
// and layout.
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "attri_dialog_fixture.h"
#include "attri_dialogs/ui/meter_dialog.h"
#include "attri_dialogs/ui/mixer_dialog.h"
#include "comm/dsp_console.h"
#include "dsp_editor/zo_dsp_view.h"
#include "gui_app.h"
#include "model/ari_classes.h"
#include "model/ari_crossover.h"
#include "model/ari_meter.h"
#include "model/ari_mixer.h"
#include "shell/ui/my_button_widget.h"
#include "shell/ui/volume_bar_widget.h"

namespace {

namespace adu = attri_dialogs::ui;
namespace de = dsp_editor;

using gui_test::WaitFor;

// Chooses the background menu's first entry, "set default values".
void SetDefaultValuesByMenu(QWidget& dialog) {
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr)
            return;
        menu->setActiveAction(menu->actions().front());
        QTest::keyClick(menu, Qt::Key_Return);
    });
    poll.start(10);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2),
                            dialog.mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(&dialog, &event);
}

QRect OnScreen(const QWidget& widget) {
    return {widget.mapToGlobal(QPoint(0, 0)), widget.size()};
}

// A new sheet (inputs with ids and orders 1 to 8) through the
// program's dialog factory.
class MixerMeterGui : public attri_gui_test::CAttriDialogTest {
protected:
    MixerMeterGui() {
        for (std::int32_t id = 1; id <= 8; ++id)
            doc->GetModuleById(id)->m_order = id;
        doc->m_orderOk = 1;
    }

    model::CBaseAriModule* Add(std::int32_t type, std::int32_t variant, std::int32_t order) {
        model::CBaseAriModule* module = doc->AddModule(type, variant, 200, 40 + 70 * order, 1);
        module->m_order = order;
        return module;
    }
    model::CAriMixer& AddMixer(std::int32_t variant) {
        return dynamic_cast<model::CAriMixer&>(*Add(model::kAriMixer, variant, 4));
    }
    // Live, as a change to the sheet leaves it offline.
    template <class Dialog> Dialog* Open(model::CBaseAriModule& module) {
        doc->m_live = 1;
        doc->SetModifiedFlag(false);
        auto* dialog = Show<Dialog>(module);
        view->Console().ClearAll();
        return dialog;
    }
    static QStringList Labels(QWidget* dialog) {
        QStringList texts;
        for (const QLabel* label : dialog->findChildren<QLabel*>())
            if (label->isVisible())
                texts.append(label->text());
        return texts;
    }
    Commands Gets() { return view->Console().Queue(comm::EConsoleQueue::Get); }
};

// -- the mixer (8 x 8 unless named; order 4; cells input-major)

constexpr int kCellBox = 1216;
constexpr int kCellGain = 1218;

TEST_F(MixerMeterGui, ACellsFrameTogglesItsInputInTheWholeMask) {
    model::CAriMixer& mixer = AddMixer(7);
    mixer.m_columnMask[1] = 5;
    auto* dialog = Open<adu::CDSPDlgAttriMixer>(mixer);
    ASSERT_NE(dialog, nullptr);
    const auto box = [&](int i, int j) { return Item<QPushButton>(dialog, kCellBox, i * 8 + j); };
    const auto gain = [&](int i, int j) {
        return Item<adu::CAttriValueEdit>(dialog, kCellGain, i * 8 + j);
    };
    ASSERT_TRUE(box(2, 1)->isChecked());
    EXPECT_FALSE(gain(2, 1)->isReadOnly());
    EXPECT_TRUE(gain(3, 1)->isReadOnly());

    // The gain edit covers the cell but for its 2-pixel frame.
    QTest::mouseClick(box(2, 1), Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(mixer.m_columnMask[1], 1);
    EXPECT_FALSE(box(2, 1)->isChecked());
    EXPECT_TRUE(gain(2, 1)->isReadOnly());
    EXPECT_EQ(ControlQueue(), Commands{"*NySET 4 505 2 1#"});

    mixer.m_columnMask[1] = 5;
    dialog->RefreshControls();
    view->Console().ClearAll();
    QTest::mouseClick(box(3, 1), Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(mixer.m_columnMask[1], 13);
    EXPECT_FALSE(gain(3, 1)->isReadOnly());
    EXPECT_TRUE(WaitFor([&] { return gain(3, 1)->hasFocus(); })) << "on: its gain is typed next";
    EXPECT_EQ(ControlQueue(), Commands{"*NySET 4 505 2 13#"});
}

TEST_F(MixerMeterGui, ARoutedCellShowsItsGainOnRed) {
    model::CAriMixer& mixer = AddMixer(7);
    mixer.m_columnMask[0] = 1; // input 1 on output 1
    auto* dialog = Open<adu::CDSPDlgAttriMixer>(mixer);
    ASSERT_NE(dialog, nullptr);
    const QImage image = dialog->grab().toImage();
    const auto corner = [&](int n) {
        const QRect edit = Item<adu::CAttriValueEdit>(dialog, kCellGain, n)->geometry();
        return image.pixelColor(edit.left() + 1, edit.top() + 1);
    };
    EXPECT_EQ(corner(0), QColor(255, 0, 0));
    EXPECT_NE(corner(8), QColor(255, 0, 0)) << "input 2 is not routed";
    EXPECT_EQ(image.pixelColor(5, 100), QColor(0, 0, 0)) << "the panel's left line";
    EXPECT_EQ(image.pixelColor(420, 215), QColor(192, 192, 192)) << "the grey panel";
}

TEST_F(MixerMeterGui, TheFirstKeystrokeInACellBringsUpItsSliderThenEnterApplies) {
    model::CAriMixer& mixer = AddMixer(7);
    mixer.m_columnMask[1] = 1 << 4;
    mixer.CrossPoint(4, 1) = -6.0;
    auto* dialog = Open<adu::CDSPDlgAttriMixer>(mixer);
    ASSERT_NE(dialog, nullptr);
    auto* gain = Item<adu::CAttriValueEdit>(dialog, kCellGain, 4 * 8 + 1);
    dialog->activateWindow();
    gain->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(WaitFor([&] { return gain->hasFocus(); }));
    gain->setText("6");
    QTest::keyClick(gain, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return dialog->InputSlider().isVisible(); }));
    EXPECT_EQ(dialog->InputSlider().Trackbar().maximum(), 1000);
    EXPECT_EQ(mixer.CrossPoint(4, 1), -6.0) << "Enter at the first keystroke applies nothing";
    EXPECT_TRUE(ControlQueue().empty());
    const QRect edit = OnScreen(*gain);
    EXPECT_EQ(dialog->InputSlider().geometry().right(), edit.right());
    EXPECT_EQ(dialog->InputSlider().geometry().top(), edit.bottom() + 1);

    QTest::keyClick(gain, Qt::Key_Return);
    EXPECT_EQ(gain->text(), "0.0");
    EXPECT_EQ(mixer.CrossPoint(4, 1), 0.0);
    gain->selectAll();
    QTest::keyClicks(gain, "-100");
    QTest::keyClick(gain, Qt::Key_Return);
    EXPECT_EQ(gain->text(), "-100");
    EXPECT_EQ(ControlQueue(),
              (Commands{"*NySET 4 506 2 5 1.000000e+000#", "*NySET 4 506 2 5 1.000000e-005#"}));
}

TEST_F(MixerMeterGui, LevelEditsApplyWhenAnyOfTheirSideLosesTheFocus) {
    model::CAriMixer& mixer = AddMixer(7);
    auto* dialog = Open<adu::CDSPDlgAttriMixer>(mixer);
    ASSERT_NE(dialog, nullptr);
    auto* in1 = Item<adu::CAttriValueEdit>(dialog, 1127, 0);
    auto* in2 = Item<adu::CAttriValueEdit>(dialog, 1127, 1);
    auto* out1 = Item<adu::CAttriValueEdit>(dialog, 1205, 0);
    dialog->activateWindow();
    in1->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(WaitFor([&] { return dialog->InputSlider().isVisible(); }));
    EXPECT_EQ(dialog->InputSlider().geometry().right(), OnScreen(*in1).right());
    EXPECT_EQ(dialog->InputSlider().geometry().top(), OnScreen(*in1).bottom() + 1);

    in1->selectAll();
    QTest::keyClicks(in1, "30");
    EXPECT_EQ(mixer.m_inputLevel[0], 0.0) << "typing alone applies nothing";
    in2->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(WaitFor([&] { return mixer.m_inputLevel[0] == 12.0; }));
    EXPECT_EQ(in1->text(), "12.0");
    ASSERT_EQ(ControlQueue().size(), 1u);
    EXPECT_EQ(ControlQueue().front().rfind("*NySET 4 503 1 ", 0), 0u) << ControlQueue().front();

    out1->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(WaitFor([&] { return dialog->OutputSlider().isVisible(); }));
    EXPECT_FALSE(dialog->InputSlider().isVisible());
    EXPECT_EQ(dialog->OutputSlider().geometry().left(), OnScreen(*out1).right() + 1);
    EXPECT_EQ(dialog->OutputSlider().geometry().bottom(), OnScreen(*out1).bottom());
}

TEST_F(MixerMeterGui, UndoAndRedoWithAFocusedRoundedGainRecordNothing) {
    model::CAriMixer& mixer = AddMixer(7);
    // Inputs 7 and 8 routed to output 8: a refresh that walked the cells
    // would end on input 8's.
    mixer.m_columnMask[7] = 0xC0;
    mixer.m_inputLevel[1] = -3.25;
    auto* dialog = Open<adu::CDSPDlgAttriMixer>(mixer);
    ASSERT_NE(dialog, nullptr);
    auto* gain = Item<adu::CAttriValueEdit>(dialog, kCellGain, 6 * 8 + 7);
    dialog->activateWindow();
    gain->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(WaitFor([&] { return gain->hasFocus(); }));
    gain->selectAll();
    QTest::keyClicks(gain, "-6.25"); // the first keystroke brought up the slider
    QTest::keyClick(gain, Qt::Key_Return);
    ASSERT_EQ(mixer.CrossPoint(6, 7), -6.25);
    ASSERT_EQ(ControlQueue().size(), 1u);

    // Undo and redo send what they restore; the dialog adds nothing.
    view->OnEditUndo();
    EXPECT_EQ(mixer.CrossPoint(6, 7), 0.0);
    EXPECT_EQ(gain->text(), "0.0");
    EXPECT_TRUE(gain->hasFocus()) << "a refresh leaves the focus where it is";
    view->OnEditRedo();
    EXPECT_EQ(mixer.CrossPoint(6, 7), -6.25);
    const Commands sent = ControlQueue();
    // The edit shows the value rounded; leaving it must not apply that.
    Item<adu::CAttriValueEdit>(dialog, 1127, 1)->setFocus(Qt::MouseFocusReason);
    QTest::mouseClick(dialog, Qt::LeftButton, {}, QPoint(2, 2));
    QCoreApplication::processEvents();
    EXPECT_EQ(mixer.CrossPoint(6, 7), -6.25);
    EXPECT_EQ(mixer.m_inputLevel[1], -3.25);
    EXPECT_EQ(ControlQueue(), sent);
    EXPECT_FALSE(view->CanRedo());
}

TEST_F(MixerMeterGui, ViewOnlyPutsEveryControlBack) {
    model::CAriMixer& mixer = AddMixer(7);
    auto* dialog = Open<adu::CDSPDlgAttriMixer>(mixer);
    ASSERT_NE(dialog, nullptr);
    dialog->SetMode(0);
    auto* box = Item<QPushButton>(dialog, kCellBox, 8);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_FALSE(box->isChecked());
    auto* mute = Item<shell::ui::CMyButton>(dialog, 1071, 0);
    QTest::mouseClick(mute, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(mute->text(), "Off");
    auto* level = Item<adu::CAttriValueEdit>(dialog, 1127, 0);
    dialog->activateWindow();
    level->setFocus(Qt::MouseFocusReason);
    level->selectAll();
    QTest::keyClicks(level, "5");
    QTest::keyClick(level, Qt::Key_Return);
    EXPECT_FALSE(dialog->InputSlider().isVisible());
    Item<adu::CAttriValueEdit>(dialog, 1127, 1)->setFocus(Qt::MouseFocusReason);
    EXPECT_TRUE(WaitFor([&] { return level->text() == "0.0"; }));
    EXPECT_EQ(mixer.m_columnMask[0], 0);
    EXPECT_EQ(mixer.m_inputMute[0], 0);
    EXPECT_EQ(mixer.m_inputLevel[0], 0.0);
    EXPECT_TRUE(ControlQueue().empty());
    EXPECT_FALSE(view->CanUndo());
}

TEST_F(MixerMeterGui, DefaultValuesOnAnEightByOneSendOnlyWhatDiffers) {
    model::CAriMixer& mixer = AddMixer(4);
    mixer.m_inputMute[3] = 1;
    auto* dialog = Open<adu::CDSPDlgAttriMixer>(mixer);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Item<shell::ui::CMyButton>(dialog, 1071, 3)->text(), "On");
    SetDefaultValuesByMenu(*dialog);
    EXPECT_EQ(ControlQueue(), Commands{"*NySET 4 501 4 0#"});
    EXPECT_EQ(Item<shell::ui::CMyButton>(dialog, 1071, 3)->text(), "Off");
}

TEST_F(MixerMeterGui, EachVariantOpensWithItsLayout) {
    struct Case {
        std::int32_t variant;
        QSize window;
        QSize largest;
        QStringList labels; // "In n" and "Out n" shown
        int cells;
    };
    const Case cases[] = {
        {3,
         {300, 195},
         {350, 250},
         {"In 1", "In 2", "In 3", "In 4", "Out 1", "Out 2", "Out 3", "Out 4"},
         16},
        {4,
         {460, 135},
         {500, 150},
         {"In 1", "In 2", "In 3", "In 4", "In 5", "In 6", "In 7", "In 8", "Out 1"},
         8},
        {8, {780, 435}, {850, 500}, {}, 256},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.variant);
        model::CAriMixer& mixer = AddMixer(c.variant);
        auto* dialog = Open<adu::CDSPDlgAttriMixer>(mixer);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->size(), c.window);
        EXPECT_EQ(dialog->maximumSize(), c.largest);
        QStringList channels;
        for (const QString& text : Labels(dialog))
            if (text.startsWith("In ") || text.startsWith("Out "))
                channels.append(text);
        if (c.variant == 8) {
            EXPECT_EQ(channels.size(), 32);
            EXPECT_TRUE(channels.contains("In 16") && channels.contains("Out 16"));
        } else {
            EXPECT_EQ(channels, c.labels);
        }
        EXPECT_NE(Item<QPushButton>(dialog, kCellBox, c.cells - 1), nullptr);
        EXPECT_EQ(Item<QPushButton>(dialog, kCellBox, c.cells), nullptr);
    }
}

TEST_F(MixerMeterGui, AVariantOneMixersCommandsCarryOutputOne) {
    model::CAriMixer& mixer = AddMixer(1);
    auto* dialog = Open<adu::CDSPDlgAttriMixer>(mixer);
    ASSERT_NE(dialog, nullptr);
    QTest::mouseClick(Item<shell::ui::CMyButton>(dialog, 1076, 0), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return mixer.m_outputMute[0] == 1; }));
    EXPECT_EQ(ControlQueue(), Commands{"*NySET 4 502 1 1#"});
}

// -- the meter

constexpr int kModuleCaption = 1343;
constexpr int kChannelCaption = 1344;
constexpr int kReadout = 1338;

TEST_F(MixerMeterGui, TheMetersTimerPollsTheLinkedOutputsWhileLive) {
    model::CBaseAriModule* crossover =
        Add(model::kAriCrossover, model::CAriCrossover::kThreeWay, 12);
    model::CBaseAriModule* delay = Add(model::kAriDelay, 1, 9);
    auto* meter = dynamic_cast<model::CAriMeter*>(Add(model::kAriMeter, 3, 20));
    ASSERT_NE(dsp_test::Connect(*doc, crossover->m_id, 2, meter->m_id, 0), nullptr);
    ASSERT_NE(dsp_test::Connect(*doc, 5, 0, meter->m_id, 1), nullptr);
    ASSERT_NE(dsp_test::Connect(*doc, delay->m_id, 1, meter->m_id, 2), nullptr);
    auto* dialog = Open<adu::CDSPDlgAttriMeter>(*meter);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->size(), QSize(494, 181));
    EXPECT_TRUE(dialog->PollTimer().isActive());
    EXPECT_EQ(dialog->PollTimer().interval(), 100);
    EXPECT_EQ(Item<QLabel>(dialog, kModuleCaption, 0)->text(),
              QString::fromStdString(crossover->m_name));
    EXPECT_EQ(Item<QLabel>(dialog, kChannelCaption, 0)->text(), "M");
    EXPECT_EQ(Item<QLabel>(dialog, kModuleCaption, 1)->text(), "Input");
    EXPECT_EQ(Item<QLabel>(dialog, kChannelCaption, 2)->text(), "Out");
    EXPECT_EQ(Item<QLabel>(dialog, kChannelCaption, 3)->text(), "Not Linked");

    // Nobody answers: the console keeps one get per channel however often
    // the timer asks.
    const Commands expected{"*NyGET 12 608 2#", "*NyGET 5 106 5#", "*NyGET 9 303#"};
    int ticks = 0;
    QObject::connect(&dialog->PollTimer(), &QTimer::timeout, [&] { ++ticks; });
    const auto tickMore = [&](int count) {
        const int until = ticks + count;
        return WaitFor([&] { return ticks >= until; });
    };
    ASSERT_TRUE(WaitFor([&] { return Gets() == expected; }));
    ASSERT_TRUE(tickMore(3));
    EXPECT_EQ(Gets(), expected);

    doc->m_live = 0;
    view->Console().ClearAll();
    ASSERT_TRUE(tickMore(2));
    EXPECT_TRUE(Gets().empty()) << "offline";
    doc->m_live = 1;
    ASSERT_TRUE(WaitFor([&] { return Gets() == expected; })) << "live again";

    dialog->SetMode(0);
    EXPECT_TRUE(WaitFor([&] { return !dialog->PollTimer().isActive(); }));
}

TEST_F(MixerMeterGui, TheMeterShowsLevelsAndKeepsItsHoldSettings) {
    auto* meter = dynamic_cast<model::CAriMeter*>(Add(model::kAriMeter, 2, 20));
    auto* dialog = Open<adu::CDSPDlgAttriMeter>(*meter);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->size(), QSize(256, 181));
    dialog->ShowMeterLevel(1, -75.3);
    EXPECT_EQ(Item<QLabel>(dialog, kReadout, 1)->text(), "-75.3");
    EXPECT_EQ(Item<shell::ui::CVolumeBarCtrl>(dialog, 1128, 1)->Bar().Level(), -60);
    EXPECT_EQ(Item<QLabel>(dialog, kReadout, 0)->text(), "-100.00");

    auto* holdTime = Item<adu::CAttriValueEdit>(dialog, 1345, 0);
    dialog->activateWindow();
    holdTime->setFocus(Qt::MouseFocusReason);
    holdTime->selectAll();
    QTest::keyClicks(holdTime, "5000");
    QTest::keyClick(holdTime, Qt::Key_Return);
    EXPECT_EQ(holdTime->text(), "1000");
    EXPECT_EQ(meter->m_peakHold[0].holdTime, 1000);
    EXPECT_EQ(Item<shell::ui::CVolumeBarCtrl>(dialog, 1128, 0)->Bar().HoldTime(), 1000);
    EXPECT_TRUE(doc->IsModified());

    QTest::mouseClick(Item<shell::ui::CMyButton>(dialog, 1167, 1), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return meter->m_peakHold[1].infinite == 1; }));
    EXPECT_TRUE(ControlQueue().empty()) << "the meter only reads";
}

TEST_F(MixerMeterGui, EightChannelsLayOutTwoRowsOfFour) {
    auto* meter = dynamic_cast<model::CAriMeter*>(Add(model::kAriMeter, 4, 20));
    auto* dialog = Open<adu::CDSPDlgAttriMeter>(*meter);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->size(), QSize(494, 327));
    const QRect first = Item<QLabel>(dialog, kReadout, 0)->geometry();
    EXPECT_EQ(Item<QLabel>(dialog, kReadout, 3)->geometry(), first.translated(3 * 119, 0));
    EXPECT_EQ(Item<QLabel>(dialog, kReadout, 5)->geometry(), first.translated(119, 146));
    EXPECT_TRUE(Item<QLabel>(dialog, kReadout, 7)->isVisible());
}

} // namespace
