#pragma once
// CZoDSPViewWidget: the window of a DSP view inside its child frame. It
// scrolls over the zoomed sheet, paints it through the view on the Qt
// canvas (Qt's own double buffering stands for a memory bitmap), prints
// it, and hands the mouse, in client pixels, and the DSP palette's drops to
// the view's editing; the view's logic stays in CZoDSPView. It is also what
// the view's attribute dialogs are placed against and activate.
#include <QAbstractScrollArea>

#include <map>

#include "dsp_editor/module_dialogs.h"
#include "dsp_editor/dsp_seams.h"
#include "dsp_editor/dsp_view_paint.h"

class QPrinter;
class QTimer;

namespace dsp_editor {
class CZoDSPView;
} // namespace dsp_editor

namespace dsp_editor::ui {

class CZoDSPViewWidget final : public QAbstractScrollArea,
                               public IDspViewWindow,
                               public IDspScrollWindow,
                               public IAttriDialogHost {
    Q_OBJECT
public:
    // The view outlives the widget; the widget is the view's window until
    // it goes.
    explicit CZoDSPViewWidget(CZoDSPView& view, QWidget* parent = nullptr);
    ~CZoDSPViewWidget() override;

    CZoDSPView& View() const { return m_view; }
    // The window the view's other windows belong to (the property panel,
    // the progress and template dialogs, the attribute dialogs): the
    // view's requests for them go there. Without one they are dropped.
    void SetHost(IDspViewWindow* host) { m_host = host; }
    // Who makes the view the active one and hides its property panel when
    // a dialog asks; without one those requests are dropped.
    void SetDialogHost(IAttriDialogHost* host) { m_dialogHost = host; }
    // The initial update: scroll sizes, the view's drawing state and the
    // zoom box.
    void OnInitialUpdate();
    // Prints the sheet on one page. False when nothing is printed (a sheet
    // without area, or a printer that cannot be opened).
    bool Print(QPrinter& printer);

    // -- the view's window
    void Repaint() override;
    void Post(std::function<void()> call) override;
    void RestoreArrowCursor() override;
    // The host's.
    void UpdatePropertyPanel() override;
    void ClosePropertyPanel() override;
    void ShowDownloadProgress(const comm::CDSPDlgDownloadProgress* progress) override;
    bool RunFirmTemplateDialog(CFirmTemplateController& dialog) override;
    bool RunSaveAriAttriDialog(CParameterTemplateController& dialog) override;
    void OpenModuleDialog(model::CBaseAriModule& module) override;
    void ShowContextMenu(model::Point client) override;

    // -- scrolling and the zoom box
    model::Size ClientSize() const override;
    model::Point ScrollPosition() const override;
    void ScrollTo(model::Point pixels) override;
    // Emits zoomIndexSelected: the frame's zoom box follows.
    void SelectZoomIndex(int index) override;

    // -- the mouse editing's side
    void SetCapture() override;
    void ReleaseCapture() override;
    bool HasCapture() const override;
    void SetTimer(std::int32_t id, std::int32_t milliseconds) override;
    void KillTimer(std::int32_t id) override;
    void SetCursor(ECursor cursor) override;
    model::Point CursorPosition() const override;
    model::Rect ClientRect() const override;
    void InvalidateSheet(const model::Rect& sheet) override;
    void AutoScroll(model::Point sheet) override;

    // -- the attribute dialogs' side (the scroll position above)
    double ZoomFactor() const override;
    // The whole window, frame and scroll bars included, in the coordinates
    // of the viewport, which the dialogs are moved in.
    std::optional<model::Rect> ViewRect() const override;
    // The host's.
    void ActivateView() override;
    void HidePropertyPanel() override;

signals:
    void zoomIndexSelected(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The scroll bars over the zoomed sheet.
    void SyncScrollBars();
    // The palette's drag holds the mouse while it runs: a mouse event here
    // means it ended somewhere else, and the placement it began is over.
    void EndFinishedListDrag();

    CZoDSPView& m_view;
    IDspViewWindow* m_host = nullptr;
    IAttriDialogHost* m_dialogHost = nullptr;
    bool m_captured = false;
    std::map<std::int32_t, QTimer*> m_timers;
};

} // namespace dsp_editor::ui
