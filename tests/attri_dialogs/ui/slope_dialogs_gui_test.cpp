// The crossover and filter dialogs as a DSP view opens them through the
// program's factory, on the offscreen platform: the band buttons and
// columns, the graph's curves and frame, the shelf's gain edit, and drags
// on the graph that reach the module only on release.
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "attri_dialog_fixture.h"
#include "attri_dialogs/ui/slope_dialogs.h"
#include "dsp_editor/zo_dsp_view.h"
#include "gui_app.h"
#include "model/ari_crossover.h"
#include "model/ari_filter.h"
#include "model/filter_math.h"
#include "shell/language.h"
#include "shell/ui/my_button_widget.h"
#include "shell/ui/text_fit.h"
#include "tests/support/shipped_language.h"

namespace {

namespace adu = attri_dialogs::ui;
namespace de = dsp_editor;
using model::CAriCrossover;
using model::CAriFilter;

using gui_test::WaitFor;

QPoint Centre(const platform::gdi::Rect& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class SlopeDialogsGui : public attri_gui_test::CAttriDialogTest {
protected:
    template <class Dialog, class Module>
    Dialog* Open(std::int32_t type, std::int32_t variant, Module*& module) {
        module = dynamic_cast<Module*>(doc->AddModule(type, variant, 200, 40, 1));
        doc->AssignExecutionOrder();
        doc->m_live = 1;
        return Show<Dialog>(*module);
    }
};

TEST_F(SlopeDialogsGui, ThreeWayCrossoverShowsItsBandsColumnsAndGraph) {
    CAriCrossover* module = nullptr;
    auto* dialog =
        Open<adu::CDSPDlgAttriCrossover>(model::kAriCrossover, CAriCrossover::kThreeWay, module);
    ASSERT_NE(dialog, nullptr);
    EXPECT_LE(dialog->maximumWidth(), 800);
    const char* captions[] = {"低频", "中频", "高频"};
    for (int b = 0; b < 3; ++b) {
        auto* button = Item<shell::ui::CMyButton>(dialog, 1517 + b);
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(button->isVisible());
        EXPECT_EQ(button->text(), QString::fromUtf8(captions[b]));
    }
    EXPECT_FALSE(Item<shell::ui::CMyButton>(dialog, 1520)->isVisible());
    // Band 0: its filter in the left column, the right one disabled.
    EXPECT_EQ(Item<adu::CAttriValueEdit>(dialog, 1611)->text(), "250.00");
    EXPECT_FALSE(Item<adu::CAttriValueEdit>(dialog, 1612)->isEnabled());
    EXPECT_EQ(Item<QComboBox>(dialog, 1609)->currentText(), "BW 12");

    const QImage image = dialog->grab().toImage();
    const auto& crossover = dialog->Crossover();
    EXPECT_EQ(image.pixelColor(223, crossover.Curve(0)[8]), QColor(255, 0, 0))
        << "the selected band's curve";
    EXPECT_EQ(image.pixelColor(700, crossover.Curve(2)[485]), QColor(0, 255, 0))
        << "another band's curve";
    EXPECT_EQ(image.pixelColor(300, 150), QColor(0, 0, 0)) << "the graph";
    EXPECT_EQ(image.pixelColor(188, 100), QColor(200, 200, 200)) << "the frame";

    // The middle band's left type, synchronised with band 0's filter.
    QTest::mouseClick(Item<shell::ui::CMyButton>(dialog, 1518), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return crossover.SelectedBand() == 1; }));
    EXPECT_TRUE(Item<adu::CAttriValueEdit>(dialog, 1612)->isEnabled());
    auto* left = Item<QComboBox>(dialog, 1609);
    left->setCurrentIndex(3);
    emit left->activated(3);
    EXPECT_EQ(module->m_filterType[1], 3);
    EXPECT_EQ(module->m_filterType[0], 3);
    EXPECT_TRUE(
        Item<QLabel>(dialog, 1618 + crossover.BandPanel(1))->text().contains("L-R 48 BW 12"));

    // The output level's slider hangs below its edit.
    auto* level = Item<adu::CAttriValueEdit>(dialog, 1617);
    dialog->activateWindow();
    level->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(WaitFor([&] { return dialog->Slider()->isVisible(); }));
    const QRect edit(level->mapToGlobal(QPoint(0, 0)), level->size());
    EXPECT_EQ(dialog->Slider()->geometry().top(), edit.bottom() + 1);
    EXPECT_EQ(dialog->Slider()->geometry().right(), edit.right());
}

TEST_F(SlopeDialogsGui, CrossoverHandleDragCommitsOnRelease) {
    CAriCrossover* module = nullptr;
    auto* dialog =
        Open<adu::CDSPDlgAttriCrossover>(model::kAriCrossover, CAriCrossover::kTwoWay, module);
    ASSERT_NE(dialog, nullptr);
    const QPoint handle = Centre(dialog->Crossover().HandleRect(0));
    QTest::mousePress(dialog, Qt::LeftButton, {}, handle);
    QTest::mouseMove(dialog, handle + QPoint(32, 0));
    EXPECT_EQ(module->m_frequency[0], 1000.0) << "a drag previews only";
    EXPECT_NE(Item<adu::CAttriValueEdit>(dialog, 1611)->text(), "1000.00");
    QTest::mouseRelease(dialog, Qt::LeftButton, {}, handle + QPoint(32, 0));
    EXPECT_GT(module->m_frequency[0], 1500.0);
    EXPECT_EQ(module->m_frequency[1], module->m_frequency[0]) << "band 0's left sync";
}

TEST_F(SlopeDialogsGui, LowShelfShowsItsGainEditAndDragsTheGain) {
    CAriFilter* module = nullptr;
    auto* dialog = Open<adu::CDSPDlgAttriFilter>(model::kAriFilter, CAriFilter::kLowShelf, module);
    ASSERT_NE(dialog, nullptr);
    EXPECT_LE(dialog->maximumWidth(), 750);
    auto* gain = Item<adu::CAttriValueEdit>(dialog, 1632);
    ASSERT_NE(gain, nullptr);
    EXPECT_TRUE(gain->isVisible());
    EXPECT_EQ(gain->text(), "0.0");
    EXPECT_FALSE(Item<QComboBox>(dialog, 1631)->isVisible());
    EXPECT_EQ(Item<adu::CAttriValueEdit>(dialog, 1634)->text(), "16000.00");

    gain->setFocus();
    gain->selectAll();
    QTest::keyClicks(gain, "15");
    QTest::keyClick(gain, Qt::Key_Return);
    EXPECT_EQ(gain->text(), "9.0");
    EXPECT_EQ(module->m_gain, 9.0);

    // Back to 0 dB, then the handle dragged 14 pixels above the 0 dB line.
    gain->selectAll();
    QTest::keyClicks(gain, "0");
    QTest::keyClick(gain, Qt::Key_Return);
    const QPoint handle = Centre(dialog->Filter().HandleRect());
    EXPECT_EQ(handle.y(), 72);
    QTest::mousePress(dialog, Qt::LeftButton, {}, handle);
    QTest::mouseMove(dialog, {handle.x(), 58});
    EXPECT_EQ(gain->text(), "6.0");
    EXPECT_EQ(module->m_gain, 0.0);
    QTest::mouseRelease(dialog, Qt::LeftButton, {}, {handle.x(), 58});
    EXPECT_EQ(module->m_gain, 6.0);
}

TEST_F(SlopeDialogsGui, BypassGreysTheLowPassCurve) {
    CAriFilter* module = nullptr;
    auto* dialog = Open<adu::CDSPDlgAttriFilter>(model::kAriFilter, CAriFilter::kLowPass, module);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(Item<QComboBox>(dialog, 1631)->isVisible());
    EXPECT_FALSE(Item<adu::CAttriValueEdit>(dialog, 1632)->isVisible());
    // A point of the slope past the cut-off, off the grid lines.
    const int x = 135 + 340;
    const int y = dialog->Filter().Curve()[340];
    ASSERT_NE((y - 30) % 14, 0);
    EXPECT_EQ(dialog->grab().toImage().pixelColor(x, y), QColor(0, 255, 0));
    auto* bypass = Item<shell::ui::CMyButton>(dialog, 1636);
    QTest::mouseClick(bypass, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return module->m_bypass == 1; }));
    EXPECT_EQ(bypass->text(), "On");
    EXPECT_EQ(dialog->grab().toImage().pixelColor(x, y), QColor(150, 150, 150));
}

// Texts the dialogs show alike in every language.
std::set<std::string> LanguageFreeNames() {
    std::set<std::string> names(model::g_szFilterTypeName.begin(), model::g_szFilterTypeName.end());
    names.emplace(attri_dialogs::SwitchCaption(0));
    names.emplace(attri_dialogs::SwitchCaption(1));
    return names;
}

QRect ScreenRect(const QWidget& widget) {
    return {widget.mapToGlobal(QPoint(0, 0)), widget.size()};
}

// Each level edit's slider hangs below it (top on the edit's bottom, right
// edges level) without covering a band button, a filter or output control
// or a caption: the operator sees what the slider changes.
TEST_F(SlopeDialogsGui, CrossoverSlidersHangClearOfTheOtherControls) {
    for (const char* title : {"rcEng", "rcChs"}) {
        SCOPED_TRACE(title);
        const test_support::ScopedShippedLanguage language(title);
        CAriCrossover* module = nullptr;
        auto* dialog =
            Open<adu::CDSPDlgAttriCrossover>(model::kAriCrossover, CAriCrossover::kFourWay, module);
        ASSERT_NE(dialog, nullptr);
        for (const int editId : {1601, 1617}) {
            SCOPED_TRACE(editId);
            auto* edit = Item<adu::CAttriValueEdit>(dialog, editId);
            ASSERT_NE(edit, nullptr);
            dialog->activateWindow();
            edit->setFocus(Qt::MouseFocusReason);
            ASSERT_TRUE(WaitFor([&] { return dialog->Slider()->isVisible(); }));
            const QRect slider = dialog->Slider()->geometry();
            EXPECT_EQ(slider.top(), ScreenRect(*edit).bottom() + 1);
            EXPECT_EQ(slider.right(), ScreenRect(*edit).right());
            for (QWidget* control : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                const auto* label = qobject_cast<QLabel*>(control);
                const bool covered = qobject_cast<shell::ui::CMyButton*>(control) != nullptr ||
                                     qobject_cast<QComboBox*>(control) != nullptr ||
                                     qobject_cast<adu::CAttriValueEdit*>(control) != nullptr ||
                                     qobject_cast<adu::CAttriSpinButtons*>(control) != nullptr ||
                                     (label != nullptr && !label->text().isEmpty());
                if (!covered || control == edit || !control->isVisible())
                    continue;
                EXPECT_FALSE(slider.intersects(ScreenRect(*control)))
                    << "control " << shell::ui::ControlIdOf(control) << " \""
                    << (label != nullptr ? label->text().toStdString() : "") << "\" at "
                    << control->x() << "," << control->y();
            }
            dialog->Slider()->hide();
        }
        doc->DestroyAttriDialogs();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// In either shipped language every caption of the crossover fits its box,
// and every word it shows comes from that language's pack: the band
// summaries and their legend too.
TEST_F(SlopeDialogsGui, CrossoverShowsThePacksWordsWhole) {
    struct Row {
        const char* pack;
        const char* lowPanel; // the first band's summary
        const char* legendStart;
    };
    const Row rows[] = {
        {"rcEng", "  Low\n\n160.0 Hz\nBW 12\n0.0dB\nNormal\nNormal", "Frequency"},
        {"rcChs", "  低频\n\n160.0 Hz\nBW 12\n0.0dB\n正常\n正常", "频率"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pack);
        const test_support::ScopedShippedLanguage language(row.pack);
        CAriCrossover* module = nullptr;
        auto* dialog =
            Open<adu::CDSPDlgAttriCrossover>(model::kAriCrossover, CAriCrossover::kFourWay, module);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(Item<QLabel>(dialog, 1618)->text().toStdString(), row.lowPanel);
        bool legend = false;
        for (const QLabel* label : dialog->findChildren<QLabel*>()) {
            legend = legend || label->text().startsWith(QString::fromUtf8(row.legendStart));
            EXPECT_TRUE(shell::ui::TextFits(*label)) << label->text().toStdString();
        }
        EXPECT_TRUE(legend);
        // A band button's caption stands inside its lamp, 4 pixels in.
        for (int id = 1517; id <= 1520; ++id) {
            const auto* band = Item<shell::ui::CMyButton>(dialog, id);
            EXPECT_LE(band->fontMetrics().horizontalAdvance(band->text()), band->width() - 8)
                << band->text().toStdString();
        }
        EXPECT_EQ(shell::UntranslatedTexts(
                      language.Pack(), gui_test::VisibleTexts(*dialog, false, LanguageFreeNames())),
                  std::vector<std::string>{});
        doc->DestroyAttriDialogs();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

} // namespace
