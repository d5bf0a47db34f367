// The attribute dialogs' common window on the offscreen platform: a small
// dialog with one level edit, its pop-up slider and one switch over input 3
// of a real sheet.
#include <QContextMenuEvent>
#include <QMenu>
#include <QPointer>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

#include "attri_dialogs/ui/attri_base_dialog.h"
#include "dsp_editor/dsp_undo.h"
#include "dsp_test_support.h"
#include "gui_app.h"
#include "model/ari_input.h"
#include "platform/gdi/colour.h"
#include "platform/text/format.h"
#include "resources/bitmaps.h"
#include "shell/ui/my_button_widget.h"

namespace {

namespace ad = attri_dialogs;
namespace adu = attri_dialogs::ui;
namespace de = dsp_editor;
using model::CAriInput;

using gui_test::WaitFor;

// An input's level (with the slider) and mute, the way the channel dialogs
// bind theirs.
class CTestDialog final : public adu::CDSPDlgAttriBase {
public:
    CTestDialog(de::CZoDSPView& view, CAriInput& input, bool horizontal)
        : CDSPDlgAttriBase(m_attri, nullptr, nullptr, resources::kIconAttriDialog),
          m_attri(view, input) {
        m_level.minimum = -100.0;
        m_level.maximum = 12.0;
        ad::BindField(m_level, &CAriInput::m_level);
        m_level.code = 103;
        m_level.encoding = ad::EValueEncoding::kLinear;
        m_level.builder = ad::EBuilder::kSetIF;
        m_level.channel = 3;
        m_level.slider = true;
        ad::BindField(m_mute, &CAriInput::m_mute);
        m_mute.maximum = 1;
        m_mute.code = 101;
        m_mute.builder = ad::EBuilder::kSetII;
        m_mute.channel = 3;

        edit = new adu::CAttriValueEdit(this);
        edit->setGeometry(20, 20, 60, 22);
        mute = new shell::ui::CMyButton(this);
        mute->setGeometry(100, 20, 50, 22);
        mute->SetMode(2);
        CreateSlider(horizontal);
        Load();
        BindValueEdit(*edit, m_level, m_levelValue);
        BindToggle(*mute, m_mute, m_muteState);
    }

    void RefreshControls() override {
        CDSPDlgAttriBase::RefreshControls();
        Load();
        edit->SetText(m_levelValue.text);
        ShowToggle(*mute, m_muteState);
    }

    adu::CAttriValueEdit* edit;
    shell::ui::CMyButton* mute;

private:
    void Load() {
        const auto& input = dynamic_cast<const CAriInput&>(m_attri.Module());
        m_levelValue.shown = input.m_level;
        m_levelValue.text = platform::text::format("%.1f", input.m_level);
        m_muteState = input.m_mute;
    }

    ad::CAttriController m_attri;
    ad::AttriParameter m_level, m_mute;
    ad::ValueEdit m_levelValue;
    std::int32_t m_muteState = 0;
};

class AttriBaseDialog : public ::testing::Test {
protected:
    AttriBaseDialog() {
        doc = dsp_test::NewDocument(frame);
        view = std::make_unique<de::CZoDSPView>(*doc);
        frame.activeView = view.get();
        input = dynamic_cast<CAriInput*>(doc->GetModuleById(3));
        input->m_order = 1;
        doc->m_live = 1;
    }
    ~AttriBaseDialog() override { delete dialog; }

    // Opens the dialog with the keyboard focus in its level edit.
    void Open(bool horizontal = true) {
        dialog = new CTestDialog(*view, *input, horizontal);
        dialog->move(200, 150);
        dialog->show();
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
        dialog->edit->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(WaitFor([&] { return dialog->Slider()->isVisible(); }));
        // The offscreen platform activates every window it shows, whatever
        // its flags (a window manager honours the slider's): take the
        // activation and the focus back once.
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
        dialog->edit->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(WaitFor([&] { return dialog->edit->hasFocus(); }));
        dialog->edit->selectAll();
    }
    QSlider& Trackbar() { return dialog->Slider()->Trackbar(); }
    // Where the slider's style draws the thumb, as a point along the track.
    int ThumbCentre(int position) {
        dialog->Slider()->SetValue(position);
        const QSlider& slider = Trackbar();
        QStyleOptionSlider option;
        option.initFrom(&slider);
        option.orientation = slider.orientation();
        option.minimum = slider.minimum();
        option.maximum = slider.maximum();
        option.sliderPosition = slider.sliderPosition();
        option.sliderValue = slider.value();
        option.tickPosition = slider.tickPosition();
        option.tickInterval = slider.tickInterval();
        option.upsideDown = slider.orientation() == Qt::Horizontal ? slider.invertedAppearance()
                                                                   : !slider.invertedAppearance();
        option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
        const QRect thumb = slider.style()->subControlRect(QStyle::CC_Slider, &option,
                                                           QStyle::SC_SliderHandle, &slider);
        return slider.orientation() == Qt::Horizontal ? thumb.center().x() : thumb.center().y();
    }
    std::vector<std::string> ControlQueue() {
        return view->Console().Queue(comm::EConsoleQueue::Control);
    }

    dsp_test::FakeFrame frame;
    std::unique_ptr<de::CZoDSPDoc> doc;
    std::unique_ptr<de::CZoDSPView> view;
    CAriInput* input = nullptr;
    QPointer<CTestDialog> dialog;
};

TEST_F(AttriBaseDialog, EnterAppliesTheLevelAndLeavesTheDialogOpen) {
    Open();
    QTest::keyClicks(dialog->edit, "30");
    EXPECT_EQ(input->m_level, 0.0) << "typing alone applies nothing";
    QTest::keyClick(dialog->edit, Qt::Key_Return);
    EXPECT_EQ(dialog->edit->text(), "12.0");
    EXPECT_EQ(input->m_level, 12.0);
    EXPECT_EQ(Trackbar().value(), 1120);
    EXPECT_EQ(ControlQueue(), std::vector<std::string>{"*NySET 1 103 3 3.981072e+000#"});
    QTest::keyClick(dialog, Qt::Key_Enter);
    QCoreApplication::processEvents();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    // A text the program sets never enters the recipe.
    dialog->edit->setText("-20");
    EXPECT_EQ(input->m_level, 12.0);
}

TEST_F(AttriBaseDialog, EscapeClosesTheDialogAfterTheFocusedEditApplies) {
    Open();
    doc->AddAttriDialog(dialog);
    QTest::keyClicks(dialog->edit, "-6");
    QTest::keyClick(dialog->edit, Qt::Key_Escape);
    ASSERT_TRUE(WaitFor([&] { return dialog.isNull(); }));
    EXPECT_EQ(input->m_level, -6.0);
    EXPECT_TRUE(doc->AttriDialogs().empty());
}

TEST_F(AttriBaseDialog, SwitchShowsItsStateAndFlipsTheModule) {
    Open();
    EXPECT_EQ(dialog->mute->text(), "Off");
    QTest::mouseClick(dialog->mute, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return input->m_mute == 1; }));
    EXPECT_EQ(dialog->mute->text(), "On");
    EXPECT_EQ(dialog->mute->GetState(), 1);
}

TEST_F(AttriBaseDialog, SliderThumbHasTheMaximumAtTheRightOrTop) {
    for (const bool horizontal : {true, false}) {
        SCOPED_TRACE(horizontal ? "horizontal" : "vertical");
        Open(horizontal);
        const int bottom = ThumbCentre(0), zero = ThumbCentre(1000), top = ThumbCentre(1120);
        if (horizontal) {
            EXPECT_LT(bottom, zero);
            EXPECT_LT(zero, top);
        } else {
            EXPECT_GT(bottom, zero);
            EXPECT_GT(zero, top);
        }
        delete dialog;
    }
}

TEST_F(AttriBaseDialog, OnlyTheOperatorsSliderMovesReachTheEdit) {
    Open();
    dialog->Slider()->SetValue(500);
    EXPECT_EQ(dialog->edit->text(), "0.0");
    // A step without a drag moves and lets go at once.
    QTest::keyClick(&Trackbar(), Qt::Key_Right);
    EXPECT_EQ(dialog->edit->text(), "-49.9");
    EXPECT_DOUBLE_EQ(input->m_level, -49.9);
    EXPECT_EQ(QApplication::focusWidget(), dialog->edit);
}

TEST_F(AttriBaseDialog, SliderSitsBesideTheFocusedEdit) {
    for (const bool horizontal : {true, false}) {
        SCOPED_TRACE(horizontal ? "horizontal" : "vertical");
        Open(horizontal);
        const QRect edit(dialog->edit->mapToGlobal(QPoint(0, 0)), dialog->edit->size());
        const QRect slider = dialog->Slider()->geometry();
        if (horizontal) {
            EXPECT_EQ(slider.size(), QSize(100, 38));
            EXPECT_EQ(slider.left(), edit.right() + 1);
            EXPECT_EQ(slider.bottom(), edit.bottom());
        } else {
            EXPECT_EQ(slider.size(), QSize(38, 100));
            EXPECT_EQ(slider.top(), edit.bottom() + 1);
            EXPECT_EQ(slider.right(), edit.right());
        }
        EXPECT_EQ(QApplication::focusWidget(), dialog->edit);
        EXPECT_TRUE(dialog->isActiveWindow());
        // The dialog moved: the slider follows.
        dialog->move(dialog->pos() + QPoint(30, 10));
        ASSERT_TRUE(
            WaitFor([&] { return dialog->Slider()->geometry() == slider.translated(30, 10); }));
        delete dialog;
    }
}

TEST_F(AttriBaseDialog, BackgroundIsTheAttributeBitmap) {
    Open();
    const QImage shot = dialog->grab().toImage();
    const platform::gdi::COLORREF expected =
        resources::LoadBitmap(resources::kBitmapAttriBackground)->GetPixel(2, 2);
    EXPECT_EQ(shot.pixel(2, 2) & 0xffffff,
              qRgb(platform::gdi::GetRValue(expected), platform::gdi::GetGValue(expected),
                   platform::gdi::GetBValue(expected)) &
                  0xffffff);
}

// The background menu's entries while it is open, after choosing the first
// one (none when no menu opened).
std::optional<QStringList> RightClick(QWidget& dialog) {
    std::optional<QStringList> texts;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr)
            return;
        texts.emplace();
        for (QAction* action : menu->actions())
            texts->append(action->text());
        menu->setActiveAction(menu->actions().front());
        QTest::keyClick(menu, Qt::Key_Return);
    });
    poll.start(10);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            dialog.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&dialog, &event);
    return texts;
}

TEST_F(AttriBaseDialog, BackgroundMenuSetsTheDefaultValues) {
    input->m_level = -6.0;
    Open();
    dialog->RefreshControls();
    const auto texts = RightClick(*dialog);
    ASSERT_TRUE(texts);
    EXPECT_EQ(*texts, QStringList{"设置默认值(&D)"});
    EXPECT_EQ(input->m_level, 0.0);
    EXPECT_EQ(dialog->edit->text(), "0.0");

    dialog->SetMode(ad::CAttriController::kViewOnly);
    EXPECT_FALSE(RightClick(*dialog));
}

} // namespace
