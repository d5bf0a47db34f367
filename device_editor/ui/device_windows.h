#pragma once
// The device sheets as windows of the main frame: the ".zo" document kind
// (a document and its view in a device child frame), the main frame as the
// device document and its undo history see it, the view's commands and its
// printing.
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include <QPointer>

#include "device_editor/device_doc_seams.h"
#include "device_editor/device_sheet_editor.h"
#include "device_editor/zo_device_doc.h"
#include "model/undo_host.h"
#include "shell/ui/child_frames.h"
#include "shell/ui/main_frame.h"

class QPrinter;

namespace device_editor::ui {

class CDeviceFrame;
class CRunStateWindow;
class CSheetDialogRunner;
class CZoDeviceView;

// Commands only the window carries out.
enum EDeviceWindowCommand : int {
    kCmdStandardBar = 32919,
    kCmdSpecialBar = 32920,
    kCmdDeviceBar = 32905,
    kCmdIpRange = 32928,
    kCmdHardwareConfig = 32930,
};

// One open device sheet.
class CDeviceWindow final : public shell::ui::CChildDocument,
                            public shell::IFrameView,
                            public shell::ICommandTarget,
                            public IDeviceMainFrame,
                            public IDeviceViewDialogs,
                            public model::IUndoHost {
public:
    // `read` is the sheet's document already read from its file (Open then
    // takes it as loaded), or null.
    explicit CDeviceWindow(CDeviceFrame& frame, std::unique_ptr<CZoDeviceDoc> read = nullptr);
    ~CDeviceWindow() override;

    // A new sheet (empty path) or the file's. False, after message 286, when
    // the file cannot be read.
    bool Open(const std::string& path);

    CZoDeviceDoc& Document() { return *m_document; }
    CZoDeviceView* Widget() const;
    // Held around every write of a field the run state's threads read: the
    // online marks, names, MAC and IP texts, an amplifier's record (the
    // property dialogs' writes included).
    std::unique_lock<std::mutex> LockSheet();

    // -- the child frame's document
    QWidget* View() override;
    shell::IFrameView& FrameView() override { return *this; }
    shell::ICommandTarget* Commands() override { return this; }
    std::string Title() const override { return m_document->GetTitle(); }
    // Asks 324 while modified: Yes saves, No goes on, Cancel refuses.
    bool SaveModified() override;
    // The amplifiers' status windows.
    std::vector<shell::ui::CModelessWindow> ModelessWindows() override;

    // -- the view as the main frame reaches it
    void OnAppNotify(int code) override;
    bool IsDeviceView() const override { return true; }
    int SheetWidth() const override { return m_document->GetSheetSettings().width; }
    int SheetHeight() const override { return m_document->GetSheetSettings().height; }
    CZoDeviceDoc* DeviceDocument() override { return m_document.get(); }
    void LoadUnitConfiguration(const std::string& mac) override;
    void ForgetUnitConfiguration(const std::string& mac) override;
    std::optional<shell::SheetColours> Colours() const override;
    bool CanTakePlacement(shell::EPaletteKind palette) const override;
    void BeginPlacement(int itemData) override;

    // -- commands: the editor's, the document's, then the window's own
    std::optional<shell::CCmdUI> UpdateCommand(int id) override;
    bool OnCommand(int id) override;

    // -- the main frame as the document sees it
    void ClearOutputList() override;
    void ClearOutputBarShown() override;
    void ClearDownloadingRecord() override;
    void SetDeviceDocumentPath(const std::string& path) override;
    void UpdateStatusPanes(int selector) override;
    void RefreshFrameTitles() override;

    // -- the view's dialogs
    std::optional<std::string> DeviceProperties(const model::CBaseDevice& device) override;
    void ChannelGain(model::CBaseDevice& device) override;
    void MatrixRoutes(model::CBaseDevice& device) override;
    std::unique_ptr<IDeviceStatusWindow> CreateStatusWindow(model::CBaseDevice& device) override;
    void ShowStatusWindow(IDeviceStatusWindow& window, model::Point topLeft,
                          const model::Rect& client) override;
    std::optional<std::string> TextProperties(const model::CDeviceText& text) override;
    void OpenUnitDsp(std::int32_t deviceId) override;
    std::optional<std::string> ChooseFileToOpen(const std::string& filter) override;
    bool HasRunningDocument() const override;
    void OpenDocumentFile(const std::string& path) override;

    // -- undo and redo
    bool IsActiveViewOf(const model::IDeviceDoc& document) const override;
    void UpdateLinkEnds(model::CBaseDevice& device) override;
    void InvalidateAll() override;

    // Save (57603) and Save As (57604): a sheet without a file asks for
    // one. False when nothing was stored.
    bool Save(bool askForPath);
    // Print preview (57609) on the frame's printer.
    void PrintPreview();

private:
    std::optional<shell::ui::EBar> BarOf(int id) const;
    const void* ChildFrame() const;

    CDeviceFrame& m_frame;
    // The main window outlives its child frames, and so this window.
    shell::ui::CMainFrame& m_main;
    std::unique_ptr<CZoDeviceDoc> m_document;
    // The document came read from its file.
    bool m_read = false;
    // The sheet's run state; it reads the document.
    std::unique_ptr<CRunStateWindow> m_run;
    // The child frame owns the view once it has taken it.
    QPointer<CZoDeviceView> m_view;
    // The sheet dialogs and those of the document's palette drops.
    std::unique_ptr<CSheetDialogRunner> m_sheetDialogs;
    bool m_counted = false;
};

// The device sheets' share of the main frame: the printer they print on.
class CDeviceFrame final {
public:
    explicit CDeviceFrame(shell::ui::CMainFrame& frame);
    ~CDeviceFrame();
    CDeviceFrame(const CDeviceFrame&) = delete;
    CDeviceFrame& operator=(const CDeviceFrame&) = delete;

    shell::ui::CMainFrame& MainFrame() const { return m_frame; }
    // The printer every device view prints on; print setup changes it.
    QPrinter& Printer() { return *m_printer; }
    // The window of the active device sheet, null when none is active.
    CDeviceWindow* ActiveWindow() const;
    // What the run state of a sheet opened from now on talks to the units
    // through: the main frame's core unless set (tests set their own).
    shell::IMainFrame& DeviceServices() const;
    void SetDeviceServices(shell::IMainFrame* services) { m_services = services; }

    // A sheet to be opened is read before the open documents close for it:
    // false, after message 286 (or with 157's settings), when it does not
    // load. The document read waits here for the window of that path.
    bool ReadSheet(const std::string& path);
    std::unique_ptr<CZoDeviceDoc> TakeReadSheet(const std::string& path);
    void ForgetReadSheet();

private:
    shell::ui::CMainFrame& m_frame;
    shell::IMainFrame* m_services = nullptr;
    std::unique_ptr<QPrinter> m_printer;
    std::string m_readPath;
    std::unique_ptr<CZoDeviceDoc> m_readSheet;
};

// Registers the ".zo" document kind with the shell's child frames over
// `frame`; the registration holds until the returned object goes.
std::unique_ptr<CDeviceFrame> RegisterDeviceWindows(shell::ui::CMainFrame& frame);

} // namespace device_editor::ui
