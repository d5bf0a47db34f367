#pragma once
// CZoDeviceView: the window of a device sheet view inside its child frame.
// It scrolls over the zoomed sheet, paints it through the headless editor on
// the Qt canvas (Qt's backing store is the double buffer), prints it, and
// hands the mouse, the timers, the capture and the palette drag to the
// editor, whose host it is. The editing itself is CDeviceSheetEditor's.
#include <QAbstractScrollArea>

#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "device_editor/device_sheet_editor.h"
#include "platform/gdi/qt_canvas.h"

class QMenu;
class QPrinter;
class QTimer;

namespace device_editor::ui {

class CZoDeviceView final : public QAbstractScrollArea, public IDeviceEditorHost {
    Q_OBJECT
public:
    // The document outlives the view; the dialogs may be null.
    explicit CZoDeviceView(CZoDeviceDoc& doc, IDeviceViewDialogs* dialogs = nullptr,
                           QWidget* parent = nullptr);
    ~CZoDeviceView() override;

    CDeviceSheetEditor& Editor() { return *m_editor; }
    CZoDeviceDoc& Document() const { return m_doc; }

    // The view's standing with the main frame; unset means neither.
    std::function<bool()> isDownloadingView;
    std::function<bool()> isRunningView;
    // The run state's sheet lock; unset means none.
    std::function<std::unique_lock<std::mutex>()> lockSheet;
    // A command of the context menu that neither the editor nor the
    // document runs goes here (the window routes it).
    std::function<void(int command)> onUnhandledCommand;

    // Prints the whole sheet on one page. False when nothing was printed.
    bool Print(QPrinter& printer);
    // The printed page's drawing: the printer's mapping on `painter`'s
    // device (dpi and page in device pixels), then the sheet for print.
    void PaintForPrint(QPainter& painter, int dpiX, int dpiY, model::Size page) const;

    // Fills `menu` with the popup of menu 162 that `choice` names, less its
    // removed items, the greyed ones disabled; each action carries its
    // command id as data.
    static void FillContextMenu(QMenu& menu, const DeviceContextMenu& choice);

    // -- IDeviceEditorHost
    void SetCapture() override;
    void ReleaseCapture() override;
    bool HasCapture() const override { return m_captured; }
    void SetTimer(int id, int periodMs) override;
    void KillTimer(int id) override;
    void SetCursor(EDeviceCursor cursor) override;
    void SetToolTip(const std::string& text) override;
    void InvalidateLogical(const model::Rect& logical) override;
    void InvalidateAll() override;
    void UpdateAllViews() override;
    model::Rect GetClientRect() const override;
    model::Point GetScrollPosition() const override;
    void ScrollTo(model::Point position) override;
    void SetScrollSize(model::Size size) override;
    model::Point GetCursorPosition() const override;
    int PopupContextMenu(const DeviceContextMenu& menu, model::Point client) override;
    bool IsDownloadingView() const override { return isDownloadingView && isDownloadingView(); }
    bool IsRunningView() const override { return isRunningView && isRunningView(); }
    std::unique_lock<std::mutex> LockSheet() override {
        return lockSheet ? lockSheet() : std::unique_lock<std::mutex>();
    }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void SyncScrollBars();

    CZoDeviceDoc& m_doc;
    platform::gdi::QtTextMeasurer m_measurer;
    std::unique_ptr<CDeviceSheetEditor> m_editor;
    model::Size m_scrollSize;
    bool m_captured = false;
    std::map<int, QTimer*> m_timers;
};

} // namespace device_editor::ui
