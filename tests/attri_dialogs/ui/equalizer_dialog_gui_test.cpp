// The equalizer dialog as a DSP view opens it through the program's
// factory, on the offscreen platform: its size and band list, the summed
// curve on the graph, a field typed past its range, a drag on the graph
// that writes the module only on release, and the graphic variant's
// sliders, their labels and a key step that commits its own band; the
// window's fill, which reaches past its background picture.
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "attri_dialog_fixture.h"
#include "attri_dialogs/ui/equalizer_dialog.h"
#include "comm/dsp_console.h"
#include "dsp_editor/zo_dsp_view.h"
#include "gui_app.h"
#include "model/ari_equalizer.h"
#include "shell/language.h"
#include "shell/ui/my_button_widget.h"
#include "shell/ui/my_slider.h"
#include "shell/ui/text_fit.h"
#include "tests/support/shipped_language.h"

namespace {

namespace adu = attri_dialogs::ui;
namespace de = dsp_editor;
using model::CAriEqualizer;

using gui_test::WaitFor;

class EqualizerDialogGui : public attri_gui_test::CAttriDialogTest {
protected:
    adu::CDSPDlgAttriEqualizer* Open(std::int32_t variant) {
        eq = dynamic_cast<CAriEqualizer*>(
            doc->AddModule(model::kAriEqualizer, variant, 100, 100, 1));
        EXPECT_NE(eq, nullptr);
        if (eq == nullptr)
            return nullptr;
        eq->m_order = 7;
        // Adding a module took the sheet offline.
        doc->m_live = 1;
        return Show<adu::CDSPDlgAttriEqualizer>(*eq);
    }
    static void Mouse(QWidget* dialog, QEvent::Type type, QPoint at) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, dialog->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(dialog, &event);
    }

    CAriEqualizer* eq = nullptr;
};

TEST_F(EqualizerDialogGui, AParametricDialogShowsItsBandsOverAFlatSum) {
    const test_support::ScopedShippedLanguage english("rcEng");
    adu::CDSPDlgAttriEqualizer* dialog = Open(10);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->size(), QSize(890, 305));
    EXPECT_EQ(dialog->maximumSize(), QSize(1000, 500));
    auto* bands = Item<QComboBox>(dialog, 1580);
    ASSERT_NE(bands, nullptr);
    EXPECT_EQ(bands->count(), 10);
    EXPECT_EQ(bands->itemText(9), "Band 10");
    EXPECT_EQ(Item<adu::CAttriValueEdit>(dialog, 1582)->text(), "0.0");

    const QImage image = dialog->grab().toImage();
    EXPECT_EQ(image.pixelColor(40, 67), QColor(0, 255, 0)) << "the summed curve at 0 dB";
    EXPECT_EQ(image.pixelColor(41, 30), QColor(0, 0, 0)) << "the plot";
    EXPECT_EQ(image.pixelColor(10, 160), QColor(0xE0, 0xDF, 0xE3)) << "the frame";
    // The window is wider than its background picture: right of the
    // buttons' row the fill goes on to the window's edge.
    const QColor right = image.pixelColor(dialog->width() - 30, dialog->height() - 20);
    EXPECT_EQ(right.alpha(), 255) << "the window's fill right of the buttons";
    EXPECT_EQ(right, image.pixelColor(dialog->width() - 30 - 800, dialog->height() - 20))
        << "the background's pattern, 800 pixels wide, goes on";
}

TEST_F(EqualizerDialogGui, AGainTypedPastItsRangeIsClampedAndSentOnce) {
    adu::CDSPDlgAttriEqualizer* dialog = Open(1);
    ASSERT_NE(dialog, nullptr);
    auto* gain = Item<adu::CAttriValueEdit>(dialog, 1582);
    ASSERT_NE(gain, nullptr);
    const std::size_t before = ControlQueue().size();
    // The spin's upper arrow raises the gain, as a preview only.
    auto* spin = Item<QScrollBar>(dialog, 1585);
    ASSERT_NE(spin, nullptr);
    QTest::mouseClick(spin, Qt::LeftButton, {}, {spin->width() / 2, 2});
    EXPECT_EQ(gain->text(), "0.1");
    EXPECT_EQ(eq->m_gain[0], 0.0);
    EXPECT_EQ(ControlQueue().size(), before);

    dialog->activateWindow();
    gain->setFocus();
    gain->selectAll();
    QTest::keyClicks(gain, "20");
    EXPECT_EQ(eq->m_gain[0], 0.0) << "typing alone writes nothing";
    QTest::keyClick(gain, Qt::Key_Return);
    EXPECT_EQ(gain->text(), "15.0");
    EXPECT_EQ(eq->m_gain[0], 15.0);
    EXPECT_EQ(spin->value(), 0) << "the spin at its top";
    const Commands queue = ControlQueue();
    ASSERT_EQ(queue.size(), before + 2);
    EXPECT_EQ(queue[before].rfind("*NySET 7 607 1 ", 0), 0u) << queue[before];
}

TEST_F(EqualizerDialogGui, ADraggedPointWritesTheModuleOnlyOnRelease) {
    adu::CDSPDlgAttriEqualizer* dialog = Open(1);
    ASSERT_NE(dialog, nullptr);
    const platform::gdi::Point centre = dialog->Equalizer().Response().PointRect(0).CenterPoint();
    const std::size_t before = ControlQueue().size();

    Mouse(dialog, QEvent::MouseButtonPress, {centre.x, centre.y});
    Mouse(dialog, QEvent::MouseMove, {centre.x, 10});
    EXPECT_EQ(Item<adu::CAttriValueEdit>(dialog, 1582)->text(), "15.0") << "above the top";
    EXPECT_EQ(eq->m_gain[0], 0.0);
    EXPECT_EQ(ControlQueue().size(), before);
    const QImage dragging = dialog->grab().toImage();
    const platform::gdi::Point moved = dialog->Equalizer().Response().PointRect(0).CenterPoint();
    EXPECT_EQ(dragging.pixelColor(moved.x, moved.y), QColor(255, 0, 0)) << "the dragged point";

    Mouse(dialog, QEvent::MouseButtonRelease, {centre.x, 10});
    EXPECT_EQ(eq->m_gain[0], 15.0);
    EXPECT_EQ(Item<adu::CAttriValueEdit>(dialog, 1581)->text(),
              QString::number(eq->m_frequency[0], 'f', 2));
    EXPECT_EQ(ControlQueue().size(), before + 2);
}

TEST_F(EqualizerDialogGui, AThirdOctaveDialogHasALabelledSliderPerBand) {
    adu::CDSPDlgAttriEqualizer* dialog = Open(51);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->size(), QSize(890, 395));
    EXPECT_EQ(Item<QComboBox>(dialog, 1580), nullptr) << "no band list";
    const auto sliders = dialog->findChildren<shell::ui::CMySliderCtrl*>();
    ASSERT_EQ(sliders.size(), 31);
    for (const shell::ui::CMySliderCtrl* slider : sliders) {
        EXPECT_EQ(slider->size(), QSize(27, 120));
        EXPECT_EQ(slider->y(), 188);
        EXPECT_EQ(slider->GetPos(), 150);
    }
    QStringList under;
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        if (label->y() > 188 + 120)
            under << label->text();
    ASSERT_EQ(under.size(), 31);
    EXPECT_EQ(under.front(), "20");
    EXPECT_EQ(under.back(), "20 K");

    // A key step on band 6's slider commits band 6 and no other.
    shell::ui::CMySliderCtrl* sixth = Item<shell::ui::CMySliderCtrl>(dialog, 1605);
    ASSERT_NE(sixth, nullptr);
    const std::size_t before = ControlQueue().size();
    dialog->activateWindow();
    sixth->setFocus();
    ASSERT_TRUE(WaitFor([&] { return sixth->hasFocus(); }));
    QTest::keyClick(sixth, Qt::Key_Up);
    EXPECT_DOUBLE_EQ(eq->m_gain[5], 0.1);
    EXPECT_EQ(sixth->toolTip(), "0.1");
    const Commands queue = ControlQueue();
    ASSERT_EQ(queue.size(), before + 2);
    EXPECT_EQ(queue[before].rfind("*NySET 7 607 6 ", 0), 0u) << queue[before];
    for (int band = 0; band < 31; ++band)
        if (band != 5) {
            EXPECT_EQ(eq->m_gain[static_cast<std::size_t>(band)], 0.0) << band;
        }
}

// In either shipped language the band list and every caption speak the
// pack's words, and each caption fits its box.
TEST_F(EqualizerDialogGui, EachPackNamesTheBandsAndFitsTheCaptions) {
    struct Row {
        const char* pack;
        const char* firstBand;
    };
    for (const Row& row : {Row{"rcEng", "Band  1"}, Row{"rcChs", "波段  1"}}) {
        const test_support::ScopedShippedLanguage language(row.pack);
        for (const std::int32_t variant : {10, 51}) {
            SCOPED_TRACE(std::string(row.pack) + " " + std::to_string(variant));
            adu::CDSPDlgAttriEqualizer* dialog = Open(variant);
            ASSERT_NE(dialog, nullptr);
            if (variant == 10) {
                EXPECT_EQ(Item<QComboBox>(dialog, 1580)->itemText(0).toStdString(), row.firstBand);
            }
            for (const QLabel* label : dialog->findChildren<QLabel*>()) {
                EXPECT_TRUE(shell::ui::TextFits(*label)) << label->text().toStdString();
            }
            EXPECT_EQ(
                shell::UntranslatedTexts(language.Pack(), gui_test::VisibleTexts(*dialog, false)),
                std::vector<std::string>{});
            doc->DestroyAttriDialogs();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
}

} // namespace
