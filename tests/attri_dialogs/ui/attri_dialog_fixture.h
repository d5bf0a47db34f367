#pragma once
// A new DSP sheet and its view, whose attribute dialogs the program's
// factory makes, for the dialogs' offscreen tests. At the end the sheet's
// dialogs are destroyed and the factory is left empty for the next test.
#include <QCoreApplication>
#include <QEvent>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "attri_dialogs/ui/attri_dialog_registry.h"
#include "comm/dsp_console.h"
#include "dsp_editor/zo_dsp_view.h"
#include "dsp_test_support.h"
#include "model/base_ari_module.h"
#include "shell/ui/my_button_widget.h"

namespace attri_gui_test {

class CAttriDialogTest : public ::testing::Test {
protected:
    using Commands = std::vector<std::string>;

    CAttriDialogTest() {
        attri_dialogs::ui::RegisterAttriDialogs(dsp_editor::AttriDialogFactory());
        doc = dsp_test::NewDocument(frame);
        view = std::make_unique<dsp_editor::CZoDSPView>(*doc);
        frame.activeView = view.get();
    }
    ~CAttriDialogTest() override {
        doc->DestroyAttriDialogs();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (int kind = 0; kind < static_cast<int>(dsp_editor::kAttriDialogClassCount); ++kind)
            dsp_editor::AttriDialogFactory().Register(
                static_cast<dsp_editor::EAttriDialogClass>(kind), {});
    }

    // The view's dialog of `module`, shown on the screen; null (a failure)
    // when the view opened none of that class.
    template <class Dialog> Dialog* Show(model::CBaseAriModule& module, bool allChannels = false) {
        auto* dialog = dynamic_cast<Dialog*>(view->ShowAttriDialog(module, allChannels));
        EXPECT_NE(dialog, nullptr);
        if (dialog != nullptr) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
        }
        return dialog;
    }
    // The dialog's `index`-th control of the class with resource id `id`,
    // or null.
    template <class Widget> static Widget* Item(QWidget* dialog, int id, int index = 0) {
        int seen = 0;
        for (QObject* child : dialog->children()) {
            auto* widget = qobject_cast<Widget*>(child);
            if (widget != nullptr && shell::ui::ControlIdOf(widget) == id && seen++ == index)
                return widget;
        }
        return nullptr;
    }
    Commands ControlQueue() const { return view->Console().Queue(comm::EConsoleQueue::Control); }

    dsp_test::FakeFrame frame;
    std::unique_ptr<dsp_editor::CZoDSPDoc> doc;
    std::unique_ptr<dsp_editor::CZoDSPView> view;
};

} // namespace attri_gui_test
