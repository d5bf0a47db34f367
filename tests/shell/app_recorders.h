#pragma once
// The windows of the application's start-up as tests record them.
#include "shell/ostrel_app.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace app_test {

// The documents of the windows: how many views are open, and a save the
// user may refuse; every close, open and new is logged.
template <typename Windows> class CRecordingDocuments : public Windows {
public:
    std::vector<std::string> log;
    int activeViews = 0;
    bool deviceView = false;
    bool refuseClose = false;
    // Whether an editor makes device sheets.
    bool deviceKind = true;

    bool HasActiveView() override { return activeViews > 0; }
    bool HasDeviceView() override { return deviceView; }
    bool CloseActiveDocument() override
    {
        log.push_back("close");
        if (refuseClose)
            return false;
        --activeViews;
        return true;
    }
    bool OpenDocument(const std::string& path) override
    {
        log.push_back("open " + path);
        return true;
    }
    bool NewDeviceDocument() override
    {
        log.push_back("new");
        return true;
    }
    bool HasDocumentKind(const std::string& extension) override
    {
        return extension != ".zo" || deviceKind;
    }
};

using CDocuments = CRecordingDocuments<shell::IDocumentWindows>;

class CRecordingUi final : public CRecordingDocuments<shell::IAppUi> {
public:
    bool createOk = true;

    bool CreateMainWindow() override
    {
        log.push_back("main window");
        return createOk;
    }
    void ShowSplash() override { log.push_back("splash"); }
    void ShowMainWindowMaximised() override { log.push_back("show"); }
    void CloseSplashAfter(std::chrono::milliseconds d) override
    {
        log.push_back("close splash " + std::to_string(d.count()));
    }
    void RaiseMainWindow() override { log.push_back("raise"); }
    void ShowNetTypePicture(bool wired) override { log.push_back(wired ? "wired" : "wireless"); }
};

class CFrameWindows final : public shell::IFrameWindows {
public:
    const void* ActiveChild() override { return nullptr; }
    shell::IFrameView* ActiveView() override { return nullptr; }
    void ClearOutput() override {}
    void RestoreArrowCursor() override {}
    void DestroyHwConfigDialog() override {}
    void RefreshHwConfigDialog() override {}
    void OpenDspDocumentOfDevice(int) override {}
};

class CNoTimer final : public shell::ITimer {
public:
    void Start(std::chrono::milliseconds, std::function<void()>) override {}
    void Stop() override {}
};

} // namespace app_test
