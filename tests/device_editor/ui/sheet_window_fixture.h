#pragma once
// A new device sheet in the program's main window, as the program opens it,
// for the sheet window's offscreen tests: messages recorded, the sheet
// maximised so that whole units of the sheet are whole pixels from the
// viewport's top-left corner.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "device_editor/ui/device_view.h"
#include "device_editor/ui/device_windows.h"
#include "model/recording_messages.h"
#include "platform/gdi/qt_canvas.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/message_boxes.h"
#include "tests/shell/ui/gui_app.h"
#include "tests/support/temp_dir.h"

namespace sheet_window_test {

class CSheetWindowTest : public ::testing::Test {
protected:
    explicit CSheetWindowTest(const std::string& homePrefix) : home(homePrefix) {}

    void SetUp() override {
        ::setenv("OSTREL_HOME", home.path().c_str(), 1);
        model::SetUiThread(&uiThread);
        frame = std::make_unique<shell::ui::CMainFrame>(home.path());
        deviceFrame = device_editor::ui::RegisterDeviceWindows(*frame);
        deviceFrame->SetDeviceServices(DeviceServices());
        ASSERT_TRUE(frame->CreateMainWindow());
        frame->resize(1000, 800);
        frame->show();
        ASSERT_TRUE(frame->NewDeviceDocument());
        window = deviceFrame->ActiveWindow();
        ASSERT_NE(window, nullptr);
        view = window->Widget();
        ASSERT_NE(view, nullptr);
        view->parentWidget()->showMaximized();
        ASSERT_TRUE(gui_test::WaitFor([&] { return view->viewport()->width() > 700; }))
            << "the maximised sheet's viewport stayed narrow";
        ASSERT_EQ(view->GetScrollPosition(), (model::Point{0, 0}));
    }
    void TearDown() override {
        frame.reset();
        deviceFrame.reset();
        model::SetUiThread(nullptr);
        ::unsetenv("OSTREL_HOME");
    }

    // What the sheet's run state talks to the units through; null for the
    // main frame's own services. Called once the main frame exists.
    virtual shell::IMainFrame* DeviceServices() { return nullptr; }

    device_editor::CZoDeviceDoc& Doc() { return window->Document(); }

    test_support::CTempDir home;
    shell::ui::CQtUiThread uiThread;
    model::CRecordingMessages messages;
    platform::gdi::QtTextMeasurer measurer;
    std::unique_ptr<shell::ui::CMainFrame> frame;
    std::unique_ptr<device_editor::ui::CDeviceFrame> deviceFrame;
    device_editor::ui::CDeviceWindow* window = nullptr;
    device_editor::ui::CZoDeviceView* view = nullptr;
};

} // namespace sheet_window_test
