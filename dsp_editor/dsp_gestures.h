#pragma once
// The mouse editing of a DSP view, without its widget: the gestures
// (drawing a link, moving the selection, the rubber band, a module dragged
// in from the palette) fed with the window's mouse events and timer ticks,
// the click and right-click selections, placing, deleting and the select
// commands, and the status panes that follow each change.
//
// Links join an output pin (the feeding end) to an input pin (the
// receiving end). A link starts on an output pin or an unlinked input pin
// and ends on a pin of another module with the other direction, an input
// pin only while it is unlinked; whichever end the user starts from, the
// link is stored input end first. Moves keep the selection on the 10-unit
// grid and 10 units inside the sheet, the links' horizontal stubs
// included. Nothing changes the sheet while the view is busy, and links,
// moves and drops are refused while the sheet runs live.
#include <cstdint>

#include "dsp_editor/dsp_seams.h"
#include "model/base_ari_module.h"
#include "model/base_link.h"
#include "model/gdi_types.h"

namespace dsp_editor {

class CZoDSPDoc;
class CZoDSPView;

class CDspGestures {
public:
    enum class EGesture { Idle, Linking, Moving, RubberBand, ListDrag };

    // The timers of the three drags and their period.
    static constexpr std::int32_t kLinkTimer = 1;
    static constexpr std::int32_t kMoveTimer = 2;
    static constexpr std::int32_t kBandTimer = 3;
    static constexpr std::int32_t kTimerPeriod = 100;
    // The grid the selection moves on, and the margin it keeps inside the
    // sheet.
    static constexpr std::int32_t kGrid = 10;
    static constexpr std::int32_t kMargin = 10;

    // The view outlives the controller. Its window may change or go.
    explicit CDspGestures(CZoDSPView& view) : m_view(view) {}

    EGesture Gesture() const { return m_gesture; }
    // A download runs or waits: the progress flag or the communication
    // fault is set.
    bool Busy() const;
    // Every gesture and editing state back to idle, without touching the
    // window (the view's first showing).
    void Reset();

    // -- the window's events; points in client pixels

    void OnLButtonDown(model::Point client);
    void OnMouseMove(model::Point client);
    void OnLButtonUp(model::Point client);
    void OnLButtonDblClk(model::Point client);
    // The selection under a right click; whether the context menu follows
    // (not while drawing a link, which the click cancels, nor during a
    // palette drag).
    bool OnRButtonDown(model::Point client);
    // A tick of timer 1, 2 or 3: stops it when its drag has ended, else
    // handles the mouse where it stands now.
    void OnTimer(std::int32_t id);
    // The window lost the capture it had not given back itself: every drag
    // ends, a link being drawn is dropped.
    void OnCaptureChanged();
    // The button went up outside the client area.
    void OnNcLButtonUp();
    // The cursor for the client point; UpdateCursor sets it on the window.
    IDspViewWindow::ECursor CursorAt(model::Point client) const;
    void UpdateCursor(model::Point client);

    // -- palette drag and placing

    // The palette drags the module code (type x 100 + variant) onto the
    // view, which takes the mouse until the button goes up.
    void BeginListDrag(std::int32_t code);
    // The palette's drag let go at the client point: the list drag ends as
    // a button-up ends it. The module placed, or null (no list drag, live,
    // busy, or outside the client area).
    model::CBaseAriModule* OnDrop(model::Point client);
    // A module placed at the scroll position (the add commands) or at a
    // sheet point (a palette drop): added as one undo step and selected
    // alone. Null, with nothing added, while live or busy or for a type
    // without a class.
    model::CBaseAriModule* AddModuleAtScroll(std::int32_t type, std::int32_t variant);
    model::CBaseAriModule* AddModuleAtPoint(std::int32_t type, std::int32_t variant, std::int32_t x,
                                            std::int32_t y);

    // -- commands

    // Delete (32796): inputs and outputs alone selected are only
    // unselected; otherwise the document deletes the selection. Nothing
    // while busy.
    void OnEditDelete();
    void OnSelectAllLinks();   // 32790
    void OnSelectAllModules(); // 32791
    void OnSelectAll();        // 32792

    // -- what the drawing shows

    // The rubber line of the link being drawn.
    model::Point RubberLineStart() const { return m_lineStart; }
    model::Point RubberLineEnd() const { return m_lineEnd; }
    // The rubber band, normalised; shown while the gesture is RubberBand.
    const model::Rect& RubberBand() const { return m_band; }
    // What the size and position panes show.
    model::Size StatusSize() const { return m_statusSize; }
    model::Point StatusPosition() const { return m_statusPosition; }
    // The last click hit a link.
    bool LinkHit() const { return m_linkHit; }

private:
    CZoDSPDoc& Doc() const;
    IDspViewWindow* Window() const;
    bool Live() const;
    model::Point ToSheet(model::Point client) const;

    void LinkingDown(model::Point sheet);
    void StartLinking(model::CBaseAriModule& module, std::int32_t pin);
    void EndLinking();
    void AddLink(model::CBaseAriModule& to, std::int32_t pin);
    void StartMoving();
    void ClickSelect(model::Point sheet);
    void StartBand(model::Point sheet);

    void HoverPins(model::Point sheet);
    void LinkingMove(model::Point sheet);
    void BandMove(model::Point sheet);
    void MoveSelection(model::Point sheet);
    model::Rect SelectionBox() const;

    void BandUp(model::Point sheet);
    model::CBaseAriModule* DropUp(model::Point client);
    void MoveUp();

    void SelectOnly(model::CBaseAriModule* module, model::CBaseLink* link);
    // The select commands' parts: everything selected and counted, and the
    // panel, panes and view brought up to date.
    void SelectAllModules();
    void SelectAllLinks();
    void ShowSelection();
    void StatusFromModule(const model::CBaseAriModule& module);
    void StatusToSheet();
    void ZeroCounts();
    // Records the placed module and shows it.
    model::CBaseAriModule* Placed(model::CBaseAriModule* module);
    void ShowStatus() const;
    void Invalidate(model::Rect sheet, std::int32_t inflate) const;
    void Repaint() const;

    CZoDSPView& m_view;
    EGesture m_gesture = EGesture::Idle;
    // The pin a link being drawn starts from.
    std::int32_t m_sourceModule = 0;
    std::int32_t m_sourcePin = 0;
    bool m_linkHit = false;
    std::int32_t m_dragCode = 0;
    model::Point m_bandAnchor;
    model::Rect m_band;
    model::Size m_statusSize;
    model::Point m_statusPosition;
    model::Point m_lineStart;
    model::Point m_lineEnd;
    // The sheet point of the previous event of a move, and the move so far.
    model::Point m_lastPoint;
    model::Size m_pendingMove;
};

} // namespace dsp_editor
