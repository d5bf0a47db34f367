#pragma once
// CDeviceSheetEditor: the editing of a device sheet view without its widget.
// The widget forwards its mouse, timer, capture and command events (points
// in client pixels) and draws through Draw; the editor reaches the widget
// only through IDeviceEditorHost and the dialogs through
// IDeviceViewDialogs, so all of it runs without a display.
//
// Drag modes (exclusive): a palette drop, a body move, a title move, a link
// being drawn and a rubber band. Each ends with the button release, a
// capture loss or (a link) the right button. A link is drawn by two clicks,
// or by a drag from channel to channel whose release makes the link or, when
// none can be made there, ends it. Undo and redo end a link being drawn
// before they change the sheet. While the view is the downloading view
// nothing edits; the running view takes no links, moves or drops and no
// delete or undo either.
//
// Positions and offsets that editing produces are multiples of 10
// (SnapToGrid). Links: the direction-0 channel is the link's source end
// (the receiving input); a link drawn from a direction-1 channel is marked
// drawn from output.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device_editor/device_doc_seams.h"
#include "device_editor/sheet_drawing.h"
#include "device_editor/zo_device_doc.h"
#include "model/document_observer.h"
#include "model/gdi_types.h"
#include "platform/gdi/canvas.h"

namespace model {
class CDeviceText;
} // namespace model

namespace device_editor {

// Key states that come with a mouse event (bit values of the window
// system's mouse messages).
inline constexpr std::uint32_t kKeyLButton = 0x0001;
inline constexpr std::uint32_t kKeyRButton = 0x0002;
inline constexpr std::uint32_t kKeyShift = 0x0004;
inline constexpr std::uint32_t kKeyControl = 0x0008;

// The cursors the view shows.
enum class EDeviceCursor {
    Arrow,
    Wait,   // the downloading view
    Move,   // resource 218, during a body or title move
    Drop,   // resource 217, a palette drop can land here
    NoDrop, // a palette drop cannot land here
    Cross,  // a link can start (or end) at the channel under the cursor
};

// The view's timers (100 ms each) and the drag mode each keeps going.
inline constexpr int kTimerBodyMove = 1;
inline constexpr int kTimerLink = 2;
inline constexpr int kTimerTitleMove = 3;
inline constexpr int kTimerRubberBand = 4;
inline constexpr int kTimerPeriodMs = 100;

// Cursor resources.
inline constexpr int kCursorDropResource = 217;
inline constexpr int kCursorMoveResource = 218;

// Commands of the view.
inline constexpr int kCmdDelete = 32796;
inline constexpr int kCmdSelectDevices = 32798;
inline constexpr int kCmdSelectLinks = 32790;
inline constexpr int kCmdSelectAll = 32792;
inline constexpr int kCmdZoomDouble = 32915;
inline constexpr int kCmdZoomNormal = 32914;
inline constexpr int kCmdZoomHalf = 32917;
inline constexpr int kCmdProperties = 32775;
inline constexpr int kCmdChannelGain = 32772;
inline constexpr int kCmdDspEdit = 32774;
inline constexpr int kCmdFileOpen = 57601;
inline constexpr int kCmdUndo = 32801;
inline constexpr int kCmdRedo = 32800;

// The context menu: resource 162 with its two popups.
inline constexpr int kContextMenuResource = 162;
enum class EContextPopup {
    Device, // popup 0, over a device
    Global, // popup 1, elsewhere
};

// What of a popup to show: the popup as the resource has it, less the
// removed items, with the greyed ones disabled.
struct DeviceContextMenu {
    EContextPopup popup = EContextPopup::Global;
    // Command ids whose items are taken out.
    std::vector<int> removed;
    // Whether the separator that follows the channel-gain and DSP-editing
    // items is taken out with them.
    bool separatorRemoved = false;
    // Command ids whose items are shown disabled.
    std::vector<int> greyed;
    friend bool operator==(const DeviceContextMenu&, const DeviceContextMenu&) = default;
};

// The view's widget as the editor uses it. Points and rectangles are client
// pixels unless they say logical (sheet units).
class IDeviceEditorHost {
public:
    virtual ~IDeviceEditorHost() = default;

    // -- mouse capture
    virtual void SetCapture() = 0;
    virtual void ReleaseCapture() = 0;
    virtual bool HasCapture() const = 0;

    // -- timers 1-4
    virtual void SetTimer(int id, int periodMs) = 0;
    virtual void KillTimer(int id) = 0;

    virtual void SetCursor(EDeviceCursor cursor) = 0;
    // The tool tip's text; empty hides it.
    virtual void SetToolTip(const std::string& text) = 0;

    // -- repainting
    // Repaints the part of the client area that shows the logical rectangle.
    virtual void InvalidateLogical(const model::Rect& logical) = 0;
    virtual void InvalidateAll() = 0;
    // Every view of the document updates (the document's change records
    // reach each view; this is the request to repaint all of them now).
    virtual void UpdateAllViews() = 0;

    // -- geometry and scrolling (device pixels)
    virtual model::Rect GetClientRect() const = 0;
    virtual model::Point GetScrollPosition() const = 0;
    virtual void ScrollTo(model::Point position) = 0;
    virtual void SetScrollSize(model::Size size) = 0;
    // Where the cursor is now, in client pixels (outside the client area
    // too); timers use it to keep drags going while the mouse stands still.
    virtual model::Point GetCursorPosition() const = 0;

    // Opens the popup of menu 162 at the client point as `menu` describes
    // and returns the command chosen, 0 when none.
    virtual int PopupContextMenu(const DeviceContextMenu& menu, model::Point client) = 0;

    // -- the view's standing with the main frame
    // This view is the main frame's downloading view.
    virtual bool IsDownloadingView() const = 0;
    // This view is the main frame's running view.
    virtual bool IsRunningView() const = 0;

    // The sheet's run state reads device fields from its own threads; a
    // write of those fields (a device's name) holds this lock. An empty lock
    // where nothing else reads the sheet.
    virtual std::unique_lock<std::mutex> LockSheet() { return {}; }
};

// The dialogs and windows the view opens; later work fills them in.
class IDeviceViewDialogs {
public:
    virtual ~IDeviceViewDialogs() = default;
    // The device property dialog on a unit, generic device or matrix: the
    // name chosen on OK, nothing on Cancel.
    virtual std::optional<std::string> DeviceProperties(const model::CBaseDevice& device) = 0;
    // The channel gain dialog of a unit.
    virtual void ChannelGain(model::CBaseDevice& device) = 0;
    // The route dialog of a matrix.
    virtual void MatrixRoutes(model::CBaseDevice& device) = 0;
    // A new status window of a monitored amplifier unit (model 21), shown
    // nowhere yet; the document keeps it.
    virtual std::unique_ptr<IDeviceStatusWindow> CreateStatusWindow(model::CBaseDevice& device) = 0;
    // Shows and activates a status window with its top-left corner at the
    // client point, pulled back (never below 0) so that it stays inside
    // the client rectangle.
    virtual void ShowStatusWindow(IDeviceStatusWindow& window, model::Point topLeft,
                                  const model::Rect& client) = 0;
    // The text property dialog on a text box: the text chosen on OK.
    virtual std::optional<std::string> TextProperties(const model::CDeviceText& text) = 0;
    // Opens the unit's DSP document: the view becomes the main frame's
    // download view and the main frame gets the notification 0x465 with the
    // device id.
    virtual void OpenUnitDsp(std::int32_t deviceId) = 0;

    // -- File Open
    // The open dialog (existing files only) with the filter; nothing on
    // Cancel.
    virtual std::optional<std::string> ChooseFileToOpen(const std::string& filter) = 0;
    // The main frame has a document in the running state.
    virtual bool HasRunningDocument() const = 0;
    // The application opens the file: a device sheet replaces the open
    // documents once it has been read, after the question 305 and each
    // document's save.
    virtual void OpenDocumentFile(const std::string& path) = 0;
};

// The DSP notification's code and the open dialog's filter.
inline constexpr int kNotifyOpenUnitDsp = 0x465;
inline constexpr const char* kFileOpenFilter =
    "Ostrel Device Files (*.zo)|*.zo|RUZUR Document Files (*.dsp)|*.dsp||";

class CDeviceSheetEditor final : public model::IDocumentObserver {
public:
    enum class EDragMode { None, PaletteDrop, BodyMove, TitleMove, Link, RubberBand };

    // The document, the host and the text measurer outlive the editor; the
    // dialogs may be null (then nothing opens). The editor observes the
    // document while it lives and sets the scroll size for zoom 2.
    CDeviceSheetEditor(CZoDeviceDoc& doc, IDeviceEditorHost& host, const model::TextMeasurer& dc,
                       IDeviceViewDialogs* dialogs = nullptr);
    ~CDeviceSheetEditor() override;
    CDeviceSheetEditor(const CDeviceSheetEditor&) = delete;
    CDeviceSheetEditor& operator=(const CDeviceSheetEditor&) = delete;

    void SetDialogs(IDeviceViewDialogs* dialogs) { m_dialogs = dialogs; }

    // -- input (client pixels; keys are kKey* bits)

    void OnLButtonDown(model::Point client, std::uint32_t keys);
    // False when no drag mode is active (the widget's own handling goes on).
    bool OnMouseMove(model::Point client, std::uint32_t keys);
    // False when no drag mode ended here.
    bool OnLButtonUp(model::Point client, std::uint32_t keys);
    // Cancels a link being drawn, else opens the context menu and runs the
    // command chosen. Returns a chosen command that neither the editor nor
    // the document runs (for the widget to route), else 0.
    int OnRButtonDown(model::Point client, std::uint32_t keys);
    void OnLButtonDblClk(model::Point client, std::uint32_t keys);
    // A tick of timer 1-4: while its drag mode is active, a mouse move at the
    // cursor's position; otherwise the timer is killed.
    void OnTimer(int id);
    // The capture went elsewhere: every drag mode ends; a move records its
    // undo step for the offset so far; a link being drawn is cancelled.
    void OnCaptureChanged();

    // -- palette drop: the main frame's device palette drags a model code

    void BeginPaletteDrop(std::int32_t model);
    // The cursor moved during the drop (client point).
    void PaletteDropMove(model::Point client);
    // The button went up: the drop ends; when the point is in the client
    // area, on the sheet and the view may edit, the device is created at
    // the snapped point. True when something was created.
    bool EndPaletteDrop(model::Point client);

    // -- commands

    // Runs one of the view's commands; false when it is not the editor's.
    bool OnCommand(int id);
    // Whether the command's item is enabled (undo, redo, the zooms); true
    // for every other command.
    bool IsCommandEnabled(int id) const;

    // -- drawing and feedback

    // The mapping the widget paints with (zoom and scroll position).
    platform::gdi::DeviceMapping Mapping() const;
    // Paints the logical clip box of the sheet, the link being drawn and
    // the rubber band.
    void Draw(platform::gdi::Canvas& dc, const model::Rect& clip) const;
    SheetDrawState DrawState() const;
    // Sets the cursor and the tool tip for the client point;
    // `overScrollBar` when the point lies on a scroll bar.
    void UpdateCursor(model::Point client, bool overScrollBar = false);
    // The cursor UpdateCursor would set.
    EDeviceCursor CursorAt(model::Point client, bool overScrollBar = false) const;
    // The key of the channel whose tool tip is shown, -1 when none:
    // (sub-type + 10 x device id) x 1000 + channel index.
    std::int64_t ToolTipKey() const { return m_toolTipKey; }

    // -- state

    EDragMode DragMode() const { return m_mode; }
    int Zoom() const { return m_zoom; }
    // The device the context menu and double click act on (null when none).
    model::CBaseDevice* CurrentDevice() const;
    void SetCurrentDevice(model::CBaseDevice* device);
    // The link being drawn, null when none.
    const model::CDeviceLink* DrawingLink() const { return m_drawingLink.get(); }
    // The rubber band (normalised, logical), while one is dragged.
    std::optional<model::Rect> RubberBand() const;
    model::Size SheetSize() const { return m_sheetSize; }

    // -- operations

    // The logical point of a drop snapped to the grid.
    static model::Point SnapDropPoint(std::int32_t x, std::int32_t y);
    // The link a -> b would be a ninth loop between the halves of a
    // model-6/7 unit.
    bool IsLoopLimitReached(const model::CDeviceChnl& a, const model::CDeviceChnl& b) const;
    // The link a -> b would clash with the link at the source channel's
    // pair: true with that pair channel and the pair link's destination
    // channel.
    bool IsBundleConflict(const model::CDeviceChnl& a, const model::CDeviceChnl& b,
                          const model::CDeviceChnl** paired,
                          const model::CDeviceChnl** other) const;
    // Moves the selection (body move) or the grabbed device's title toward
    // the logical point, kept on the sheet and snapped; the current point
    // follows.
    void MoveSelection(model::Point logical);
    void MoveTitle(model::Point logical);
    // The end of the link being drawn follows the logical point, 10 inside
    // the sheet.
    void TrackLinkEnd(model::Point logical);
    // Scrolls toward a client point near or past an edge: margin 15 inside
    // the client area, 0 outside, step 10. True when it scrolled.
    bool AutoScrollCheck(model::Point client, std::int32_t margin, std::int32_t step);
    // The scroll position AutoScrollCheck would move to (the current one
    // when it would not scroll).
    model::Point AutoScrollTarget(model::Point client, std::int32_t margin,
                                  std::int32_t step) const;
    // Brings the link ends at the device's channels to their centres.
    void UpdateLinkEnds(model::CBaseDevice& device);
    // When the document's sheet size differs from the view's copy: the copy
    // and the scroll size follow.
    void SyncSheetSize();

    // The document's change records: repaint what changed.
    void OnDocumentChanged(const model::DocumentChange& change) override;

private:
    model::Point ToLogical(model::Point client) const;
    model::CDeviceChnl* StartChannel() const;
    void BeginLink(model::CDeviceChnl& start);
    void CompleteLink(model::CBaseDevice& device, model::CDeviceChnl& target);
    // The release of the press that began a link: on the start channel
    // the link goes on to a second click; on another channel it completes
    // as that click would; a link not made there is cancelled.
    void EndLinkDrag(model::Point client);
    // Ends the link being drawn without a link; the start channel shows
    // unconnected again unless it has links.
    void CancelLink();
    // Ends a body or title move with its undo step.
    void EndMove();
    DeviceContextMenu DeviceMenu(const model::CBaseDevice& device) const;
    void ShowStatusWindow(model::CBaseDevice& device);
    void OnProperties();
    void OnChannelGain();
    void OnDspEdit();
    void OnDelete();
    void SelectAll(bool devices, bool links);
    void SetZoom(int zoom);
    void OnFileOpen();
    bool Downloading() const { return m_host.IsDownloadingView(); }
    bool Running() const { return m_host.IsRunningView(); }

    CZoDeviceDoc& m_doc;
    IDeviceEditorHost& m_host;
    const model::TextMeasurer& m_dc;
    IDeviceViewDialogs* m_dialogs;

    EDragMode m_mode = EDragMode::None;
    int m_zoom = kZoomNormal;
    model::Size m_sheetSize;
    std::int32_t m_dropModel = 0;
    // The link being drawn and the channel it starts at (device id,
    // sub-type, channel index).
    std::unique_ptr<model::CDeviceLink> m_drawingLink;
    std::int32_t m_startId = 0, m_startSubType = 0, m_startChannel = -1;
    // The press that began the link is still held.
    bool m_linkPressHeld = false;
    // The grabbed (current) device, by id and sub-type; -1 when none.
    std::int32_t m_currentId = -1, m_currentSubType = 0;
    model::Point m_startPoint, m_currentPoint;
    model::Point m_bandAnchor;
    model::Rect m_band;
    std::int64_t m_toolTipKey = -1;
};

// The top-left corner of a window of `size` placed at `anchor` and pulled
// back into `client` (never left of or above its origin).
model::Point PlaceInClient(model::Point anchor, model::Size size, const model::Rect& client);

} // namespace device_editor
