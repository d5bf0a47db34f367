#include "device_editor/device_sheet_editor.h"

#include <algorithm>

#include "device_editor/sheet_snap.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/device_text.h"
#include "model/messages.h"
#include "model/undo_history.h"
#include "resources/message_ids.h"
#include "shell/document_file.h"

namespace device_editor {

using model::CBaseDevice;
using model::CDeviceChnl;
using model::CDeviceLink;
using model::Point;
using model::Rect;
using model::Size;

namespace {

// Units whose two halves are drawn as two devices, and the receiving models
// whose network inputs come in bundles.
bool IsTwoHalfUnitWithoutDsp(std::int32_t model) {
    return model == 4 || model == 5 || model == 7 || model == 8 || model == 9;
}
bool IsBundleReceiver(std::int32_t model) {
    return model == 6 || model == 7;
}

bool IsUnit(const CBaseDevice& d) {
    return d.m_kind == model::kDeviceUnit;
}

Rect Normalized(Point a, Point b) {
    Rect r{a, b};
    r.NormalizeRect();
    return r;
}

// The limited offset that keeps `r` within 0 .. extent on one axis.
std::int32_t Limit(std::int32_t d, std::int32_t low, std::int32_t high, std::int32_t extent) {
    if (low + d < 0)
        d = -low;
    if (high + d > extent)
        d = extent - high;
    return d;
}

// A logical distance as scroll pixels at the zoom step.
std::int32_t ToScrollPixels(std::int32_t logical, int zoom) {
    const MappingExtents e = ZoomExtents(zoom);
    return logical * e.viewport.cx / e.window.cx;
}

} // namespace

Point PlaceInClient(Point anchor, Size size, const Rect& client) {
    Point p = anchor;
    if (p.x + size.cx > client.right)
        p.x = client.right - size.cx;
    if (p.y + size.cy > client.bottom)
        p.y = client.bottom - size.cy;
    p.x = std::max(p.x, client.left);
    p.y = std::max(p.y, client.top);
    return p;
}

CDeviceSheetEditor::CDeviceSheetEditor(CZoDeviceDoc& doc, IDeviceEditorHost& host,
                                       const model::TextMeasurer& dc, IDeviceViewDialogs* dialogs)
    : m_doc(doc), m_host(host), m_dc(dc), m_dialogs(dialogs) {
    m_sheetSize = {doc.GetSheetSettings().width, doc.GetSheetSettings().height};
    m_host.SetScrollSize(ScrollSize(m_sheetSize, m_zoom));
    m_doc.AttachObserver(this);
}

CDeviceSheetEditor::~CDeviceSheetEditor() {
    m_doc.DetachObserver(this);
}

// -- lookups

platform::gdi::DeviceMapping CDeviceSheetEditor::Mapping() const {
    return ZoomMapping(m_zoom, m_host.GetScrollPosition());
}

Point CDeviceSheetEditor::ToLogical(Point client) const {
    return Mapping().DPtoLP(client);
}

CBaseDevice* CDeviceSheetEditor::CurrentDevice() const {
    return m_currentId < 0 ? nullptr : m_doc.FindDevice(m_currentId, m_currentSubType);
}

void CDeviceSheetEditor::SetCurrentDevice(CBaseDevice* device) {
    m_currentId = device != nullptr ? device->m_id : -1;
    m_currentSubType = device != nullptr ? device->m_subType : 0;
}

std::optional<Rect> CDeviceSheetEditor::RubberBand() const {
    if (m_mode != EDragMode::RubberBand)
        return std::nullopt;
    return m_band;
}

namespace {

struct hit_t {
    CBaseDevice* device = nullptr;
    int part = model::kHitNothing;
    // Body and title hits are numbers beyond every channel index.
    bool OnChannel() const { return part >= 0 && part < model::kHitBody; }
    CDeviceChnl* Channel() const {
        return device != nullptr && OnChannel() ? model::AsDeviceChnl(device->GetChnl(part))
                                                : nullptr;
    }
};

// The topmost device under the client point and what of it is hit.
hit_t TopmostHit(const CZoDeviceDoc& doc, Point client, const model::DeviceMapping& mapping) {
    for (int i = doc.GetDeviceCount() - 1; i >= 0; --i) {
        CBaseDevice* device = doc.GetDevice(i);
        const int part = device->HitTest(client, mapping);
        if (part != model::kHitNothing)
            return {device, part};
    }
    return {};
}

// The topmost device whose title or body is under the client point.
CBaseDevice* TopmostTitleOrBody(const CZoDeviceDoc& doc, Point client,
                                const model::DeviceMapping& mapping) {
    for (int i = doc.GetDeviceCount() - 1; i >= 0; --i) {
        CBaseDevice* device = doc.GetDevice(i);
        const int part = device->HitTest(client, mapping);
        if (part == model::kHitTitle || part == model::kHitBody)
            return device;
    }
    return nullptr;
}

CDeviceLink* TopmostLink(const CZoDeviceDoc& doc, Point client,
                         const model::DeviceMapping& mapping) {
    for (int i = doc.GetLinkCount() - 1; i >= 0; --i) {
        CDeviceLink* link = doc.GetLink(i);
        if (link->HitTestDP(client.x, client.y, mapping, 3))
            return link;
    }
    return nullptr;
}

} // namespace

// -- the left button

void CDeviceSheetEditor::OnLButtonDown(Point client, std::uint32_t keys) {
    if (Downloading() || Running())
        return;
    const bool ctrl = (keys & kKeyControl) != 0;
    const model::DeviceMapping mapping = Mapping();
    const hit_t hit = TopmostHit(m_doc, client, mapping);

    if (m_mode == EDragMode::Link) {
        // The second click of a link: its release belongs to it, not to
        // the press that began the link.
        m_linkPressHeld = false;
        if (CDeviceChnl* target = hit.Channel())
            CompleteLink(*hit.device, *target);
        return;
    }
    if (m_mode != EDragMode::None)
        return;

    if (hit.OnChannel()) {
        CDeviceChnl* start = hit.Channel();
        if (start != nullptr && CZoDeviceDoc::CanLinkChannel(*start))
            BeginLink(*start);
        return;
    }
    if (CDeviceLink* link = TopmostLink(m_doc, client, mapping)) {
        m_doc.SelectLink(link, ctrl);
        m_host.UpdateAllViews();
        return;
    }
    const Point logical = mapping.DPtoLP(client);
    if (hit.device != nullptr) {
        m_doc.SelectDevice(hit.device, ctrl);
        if (hit.device->m_selected == 0)
            return;
        const bool title = hit.part == model::kHitTitle;
        SetCurrentDevice(hit.device);
        m_startPoint = m_currentPoint = logical;
        m_mode = title ? EDragMode::TitleMove : EDragMode::BodyMove;
        m_host.SetCursor(EDeviceCursor::Move);
        m_host.SetCapture();
        m_host.SetTimer(title ? kTimerTitleMove : kTimerBodyMove, kTimerPeriodMs);
        return;
    }
    if (!ctrl)
        m_doc.SelectDevice(nullptr, false);
    m_bandAnchor = logical;
    m_band = Rect{logical, logical};
    m_mode = EDragMode::RubberBand;
    m_host.SetCapture();
    m_host.SetTimer(kTimerRubberBand, kTimerPeriodMs);
}

void CDeviceSheetEditor::BeginLink(CDeviceChnl& start) {
    start.m_connected = 1;
    m_drawingLink = std::make_unique<CDeviceLink>();
    m_drawingLink->BeginAtChnl(start);
    m_startId = start.m_moduleId;
    m_startSubType = start.m_deviceSubType;
    m_startChannel = start.m_number;
    m_mode = EDragMode::Link;
    m_linkPressHeld = true;
    m_host.InvalidateLogical(start.m_rect.Inflated(1, 1));
    m_host.SetCapture();
    m_host.SetTimer(kTimerLink, kTimerPeriodMs);
}

CDeviceChnl* CDeviceSheetEditor::StartChannel() const {
    return m_doc.FindChannel(m_startId, m_startSubType, m_startChannel);
}

void CDeviceSheetEditor::CompleteLink(CBaseDevice& device, CDeviceChnl& target) {
    CDeviceChnl* start = StartChannel();
    if (start == nullptr || !CZoDeviceDoc::CanLinkChannels(*start, target))
        return;
    const CDeviceChnl* paired = nullptr;
    const CDeviceChnl* other = nullptr;
    if (IsBundleConflict(*start, target, &paired, &other)) {
        model::ShowMessage(resources::kMsgLinkConflict, paired->m_name.c_str(),
                           other->m_name.c_str());
        return;
    }
    if (IsLoopLimitReached(*start, target)) {
        model::ShowMessage(resources::kMsgLoopLinks);
        return;
    }
    if (device.m_typeCode == model::kModelMatrix) {
        const CBaseDevice* from = m_doc.FindDevice(m_startId, m_startSubType);
        if (from == nullptr || from->m_id == device.m_id || from->m_typeCode == model::kModelMatrix)
            return;
    }
    target.m_connected = 1;
    m_mode = EDragMode::None;
    std::unique_ptr<CDeviceLink> link = std::move(m_drawingLink);
    m_host.InvalidateLogical(link->GetBoundRect());
    link->HideLabel();
    m_doc.ConnectLink(*start, target, std::move(link));
    m_host.UpdateAllViews();
    m_host.ReleaseCapture();
}

void CDeviceSheetEditor::EndLinkDrag(Point client) {
    m_linkPressHeld = false;
    const hit_t hit = TopmostHit(m_doc, client, Mapping());
    CDeviceChnl* target = hit.Channel();
    // Released where it was pressed: the first of two clicks, and the link
    // follows the mouse to the second.
    if (target != nullptr && target == StartChannel())
        return;
    // Dragged to a channel: the release is the second click. A drag that
    // makes no link ends here, so that no link is left hanging from the
    // mouse after the button is up.
    if (target != nullptr)
        CompleteLink(*hit.device, *target);
    if (m_mode == EDragMode::Link)
        CancelLink();
}

void CDeviceSheetEditor::CancelLink() {
    m_mode = EDragMode::None;
    m_linkPressHeld = false;
    if (CDeviceChnl* start = StartChannel()) {
        if (start->GetLinkCount() == 0)
            start->m_connected = 0;
        m_host.InvalidateLogical(start->m_rect.Inflated(1, 1));
    }
    if (m_drawingLink)
        m_host.InvalidateLogical(m_drawingLink->GetBoundRect());
    m_drawingLink.reset();
    m_host.ReleaseCapture();
}

bool CDeviceSheetEditor::OnMouseMove(Point client, std::uint32_t keys) {
    (void)keys;
    if (m_mode == EDragMode::PaletteDrop) {
        PaletteDropMove(client);
        return true;
    }
    if (m_mode == EDragMode::None)
        return false;
    const std::int32_t margin = m_host.GetClientRect().PtInRect(client) ? 15 : 0;
    AutoScrollCheck(client, margin, 10);
    const Point logical = ToLogical(client);
    switch (m_mode) {
    case EDragMode::BodyMove:
        MoveSelection(logical);
        break;
    case EDragMode::TitleMove:
        MoveTitle(logical);
        break;
    case EDragMode::Link:
        TrackLinkEnd(logical);
        break;
    case EDragMode::RubberBand:
        m_host.InvalidateLogical(m_band.Inflated(1, 1));
        m_band = Normalized(m_bandAnchor, logical);
        m_host.InvalidateLogical(m_band.Inflated(1, 1));
        break;
    default:
        break;
    }
    return true;
}

bool CDeviceSheetEditor::OnLButtonUp(Point client, std::uint32_t keys) {
    (void)keys;
    switch (m_mode) {
    case EDragMode::PaletteDrop:
        EndPaletteDrop(client);
        return true;
    case EDragMode::RubberBand: {
        m_mode = EDragMode::None;
        m_host.InvalidateLogical(m_band.Inflated(1, 1));
        m_host.ReleaseCapture();
        m_doc.SelectInRect(m_band);
        m_host.UpdateAllViews();
        return true;
    }
    case EDragMode::Link:
        if (!m_linkPressHeld)
            return false;
        EndLinkDrag(client);
        return true;
    case EDragMode::TitleMove:
    case EDragMode::BodyMove:
        EndMove();
        m_host.ReleaseCapture();
        m_host.SetCursor(EDeviceCursor::Arrow);
        m_host.UpdateAllViews();
        return true;
    default:
        return false;
    }
}

void CDeviceSheetEditor::EndMove() {
    const bool title = m_mode == EDragMode::TitleMove;
    m_mode = EDragMode::None;
    const std::int32_t dx = SnapToGrid(m_currentPoint.x - m_startPoint.x);
    const std::int32_t dy = SnapToGrid(m_currentPoint.y - m_startPoint.y);
    model::CUndoHistory* undo = m_doc.GetUndoHistory();
    if ((dx == 0 && dy == 0) || undo == nullptr)
        return;
    std::vector<CBaseDevice*> moved;
    if (title) {
        // Only the grabbed device's title moved; undoing must not shift the
        // titles of the other selected devices.
        if (CBaseDevice* device = CurrentDevice())
            moved.push_back(device);
    } else {
        for (int i = 0; i < m_doc.GetSelectedCount(); ++i)
            moved.push_back(m_doc.GetSelected(i));
    }
    if (!moved.empty())
        undo->AddAction(title ? model::kUndoMoveTitle : model::kUndoMove, moved, dx, dy);
}

void CDeviceSheetEditor::OnCaptureChanged() {
    m_host.UpdateAllViews();
    switch (m_mode) {
    case EDragMode::PaletteDrop:
        m_mode = EDragMode::None;
        break;
    case EDragMode::BodyMove:
    case EDragMode::TitleMove:
        // The devices stay where the drag left them; the step makes that
        // undoable as a release would have.
        EndMove();
        m_host.SetCursor(EDeviceCursor::Arrow);
        break;
    case EDragMode::RubberBand:
        m_mode = EDragMode::None;
        m_host.InvalidateLogical(m_band.Inflated(1, 1));
        break;
    case EDragMode::Link:
        CancelLink();
        break;
    case EDragMode::None:
        break;
    }
}

void CDeviceSheetEditor::OnTimer(int id) {
    const bool active = (id == kTimerBodyMove && m_mode == EDragMode::BodyMove) ||
                        (id == kTimerLink && m_mode == EDragMode::Link) ||
                        (id == kTimerTitleMove && m_mode == EDragMode::TitleMove) ||
                        (id == kTimerRubberBand && m_mode == EDragMode::RubberBand);
    if (!active) {
        m_host.KillTimer(id);
        return;
    }
    OnMouseMove(m_host.GetCursorPosition(), 0);
}

// -- the right button and the context menu

DeviceContextMenu CDeviceSheetEditor::DeviceMenu(const CBaseDevice& device) const {
    DeviceContextMenu menu;
    menu.popup = EContextPopup::Device;
    const std::int32_t model = device.m_typeCode;
    const auto remove_gain_and_dsp = [&] {
        menu.removed = {kCmdChannelGain, kCmdDspEdit};
        menu.separatorRemoved = true;
    };
    if (IsUnit(device)) {
        if (IsTwoHalfUnitWithoutDsp(model)) {
            menu.removed = {kCmdDspEdit};
            if (device.m_subType == 2)
                menu.greyed.push_back(kCmdChannelGain);
        } else if (model == 1 || model == 2) {
            menu.removed = {kCmdChannelGain};
        } else if (model != 3) {
            remove_gain_and_dsp();
        }
    } else {
        remove_gain_and_dsp();
        if (device.m_kind == model::kDeviceExternal)
            menu.greyed.push_back(kCmdProperties);
    }
    if (Running())
        menu.greyed.push_back(kCmdDelete);
    return menu;
}

int CDeviceSheetEditor::OnRButtonDown(Point client, std::uint32_t keys) {
    (void)keys;
    if (m_mode == EDragMode::Link) {
        CancelLink();
        return 0;
    }
    if (m_mode != EDragMode::None || Downloading())
        return 0;
    DeviceContextMenu menu;
    if (CBaseDevice* device = TopmostHit(m_doc, client, Mapping()).device) {
        if (!Running())
            m_doc.SelectDevice(device, false);
        SetCurrentDevice(device);
        menu = DeviceMenu(*device);
    } else {
        menu.popup = EContextPopup::Global;
        if (Running() || (m_doc.GetSelectedCount() == 0 && m_doc.GetSelectedLinkCount() == 0))
            menu.greyed.push_back(kCmdDelete);
    }
    const int command = m_host.PopupContextMenu(menu, client);
    if (command == 0 || OnCommand(command) || m_doc.OnCommand(command))
        return 0;
    return command;
}

// -- double click and the current device's editors

void CDeviceSheetEditor::OnLButtonDblClk(Point client, std::uint32_t keys) {
    (void)keys;
    if (Downloading() || m_mode != EDragMode::None)
        return;
    CBaseDevice* device = TopmostTitleOrBody(m_doc, client, Mapping());
    if (device == nullptr)
        return;
    SetCurrentDevice(device);
    if (device->m_typeCode == model::kModelMatrix) {
        if (m_dialogs != nullptr)
            m_dialogs->MatrixRoutes(*device);
    } else if (IsUnit(*device) && (device->m_typeCode == 1 || device->m_typeCode == 2)) {
        OnDspEdit();
    } else if (IsUnit(*device) && device->m_typeCode == model::kModelQOVG) {
        ShowStatusWindow(*device);
    } else {
        OnChannelGain();
    }
}

void CDeviceSheetEditor::ShowStatusWindow(CBaseDevice& device) {
    if (m_dialogs == nullptr)
        return;
    IDeviceStatusWindow* window = m_doc.FindStatusWindow(device.m_id, device.m_subType);
    if (window == nullptr) {
        std::unique_ptr<IDeviceStatusWindow> made = m_dialogs->CreateStatusWindow(device);
        if (!made)
            return;
        window = made.get();
        m_doc.AddStatusWindow(std::move(made));
    }
    const Point scroll = m_host.GetScrollPosition();
    const Point anchor{ToScrollPixels(device.m_body.left, m_zoom) - scroll.x,
                       ToScrollPixels(device.m_body.bottom, m_zoom) - scroll.y};
    m_dialogs->ShowStatusWindow(*window, anchor, m_host.GetClientRect());
}

void CDeviceSheetEditor::OnProperties() {
    CBaseDevice* device = CurrentDevice();
    if (device == nullptr || m_dialogs == nullptr)
        return;
    const auto rename = [&](CBaseDevice& d, const std::string& name) {
        std::unique_ptr<CBaseDevice> renamed = model::CopyDevice(d);
        renamed->SetName(name, m_dc);
        auto lock = m_host.LockSheet();
        m_doc.ChangeDevice(d, *renamed);
    };
    if (device->m_kind == model::kDeviceText) {
        auto* text = dynamic_cast<model::CDeviceText*>(device);
        if (text == nullptr)
            return;
        const std::optional<std::string> chosen = m_dialogs->TextProperties(*text);
        if (!chosen)
            return;
        rename(*device, *chosen);
    } else if (IsUnit(*device) || device->m_kind == model::kDeviceGeneric ||
               device->m_kind == model::kDeviceMatrix) {
        const std::optional<std::string> chosen = m_dialogs->DeviceProperties(*device);
        if (!chosen)
            return;
        CBaseDevice* other =
            m_doc.FindSameIdDevice(device->m_id, device->m_subType, device->m_typeCode);
        for (CBaseDevice* d : {device, other}) {
            if (d == nullptr)
                continue;
            rename(*d, *chosen);
            m_doc.FitsOnSheet(*d, false);
            UpdateLinkEnds(*d);
        }
    } else {
        return;
    }
    m_doc.SetModifiedFlag(true);
    m_host.UpdateAllViews();
}

void CDeviceSheetEditor::OnChannelGain() {
    CBaseDevice* device = CurrentDevice();
    if (device == nullptr || m_dialogs == nullptr || !IsUnit(*device))
        return;
    const std::int32_t model = device->m_typeCode;
    if (model == 3 || (IsTwoHalfUnitWithoutDsp(model) && device->m_subType == 1))
        m_dialogs->ChannelGain(*device);
}

void CDeviceSheetEditor::OnDspEdit() {
    CBaseDevice* device = CurrentDevice();
    if (device == nullptr || !IsUnit(*device) || device->m_typeCode < 1 || device->m_typeCode > 3)
        return;
    if (device->m_mac.size() != 12) {
        model::ShowMessage(resources::kMsgBadDspMac);
        return;
    }
    if (m_dialogs != nullptr)
        m_dialogs->OpenUnitDsp(device->m_id);
}

// -- commands

void CDeviceSheetEditor::OnDelete() {
    const bool any = m_doc.GetSelectedCount() > 0 || m_doc.GetSelectedLinkCount() > 0;
    if (Downloading()) {
        if (any)
            model::ShowMessage(resources::kMsgNoDeleteWhileRunning);
        return;
    }
    if (Running() || !m_doc.DeleteSelection())
        return;
    m_host.UpdateAllViews();
}

void CDeviceSheetEditor::SelectAll(bool devices, bool links) {
    m_doc.SelectDevice(nullptr, false);
    if (devices)
        for (int i = 0; i < m_doc.GetDeviceCount(); ++i)
            m_doc.SelectDevice(m_doc.GetDevice(i), true);
    if (links)
        for (int i = 0; i < m_doc.GetLinkCount(); ++i)
            m_doc.SelectLink(m_doc.GetLink(i), true);
    m_host.InvalidateAll();
}

void CDeviceSheetEditor::SetZoom(int zoom) {
    m_zoom = zoom;
    m_host.SetScrollSize(ScrollSize(m_sheetSize, m_zoom));
    m_host.InvalidateAll();
}

void CDeviceSheetEditor::OnFileOpen() {
    if (m_dialogs == nullptr)
        return;
    const std::optional<std::string> path = m_dialogs->ChooseFileToOpen(kFileOpenFilter);
    if (!path)
        return;
    const shell::EDocumentFile kind = shell::CheckFileToOpen(*path);
    if (kind == shell::EDocumentFile::Other)
        return;
    const bool sheet = kind == shell::EDocumentFile::DeviceSheet;
    // A device sheet replaces the open documents; the application's open
    // reads it before it asks 305 and closes them.
    if (sheet && m_dialogs->HasRunningDocument()) {
        model::ShowMessage(resources::kMsgCannotCloseRunning);
        return;
    }
    m_dialogs->OpenDocumentFile(*path);
}

bool CDeviceSheetEditor::OnCommand(int id) {
    switch (id) {
    case kCmdDelete:
        OnDelete();
        return true;
    case kCmdSelectDevices:
        SelectAll(true, false);
        return true;
    case kCmdSelectLinks:
        SelectAll(false, true);
        return true;
    case kCmdSelectAll:
        SelectAll(true, true);
        return true;
    case kCmdZoomDouble:
        SetZoom(kZoomDouble);
        return true;
    case kCmdZoomNormal:
        SetZoom(kZoomNormal);
        return true;
    case kCmdZoomHalf:
        SetZoom(kZoomHalf);
        return true;
    case kCmdProperties:
        OnProperties();
        return true;
    case kCmdChannelGain:
        OnChannelGain();
        return true;
    case kCmdDspEdit:
        OnDspEdit();
        return true;
    case kCmdFileOpen:
        OnFileOpen();
        return true;
    case kCmdUndo:
    case kCmdRedo: {
        if (!IsCommandEnabled(id))
            return true;
        // The link being drawn hangs from a channel the step may take away
        // or move: it ends before the sheet changes under it.
        if (m_mode == EDragMode::Link)
            CancelLink();
        model::CUndoHistory* undo = m_doc.GetUndoHistory();
        if (id == kCmdUndo ? undo->Undo() : undo->Redo())
            m_host.UpdateAllViews();
        return true;
    }
    default:
        return false;
    }
}

bool CDeviceSheetEditor::IsCommandEnabled(int id) const {
    switch (id) {
    case kCmdUndo:
    case kCmdRedo: {
        // Undo and redo edit the sheet, which the downloading and the
        // running view do not.
        const model::CUndoHistory* undo = m_doc.GetUndoHistory();
        if (undo == nullptr || Downloading() || Running())
            return false;
        return id == kCmdUndo ? undo->CanUndo() : undo->CanRedo();
    }
    case kCmdZoomDouble:
        return m_zoom != kZoomDouble;
    case kCmdZoomNormal:
        return m_zoom != kZoomNormal;
    case kCmdZoomHalf:
        return m_zoom != kZoomHalf;
    default:
        return true;
    }
}

// -- palette drop

void CDeviceSheetEditor::BeginPaletteDrop(std::int32_t model) {
    if (m_mode != EDragMode::None)
        return;
    m_mode = EDragMode::PaletteDrop;
    m_dropModel = model;
}

void CDeviceSheetEditor::PaletteDropMove(Point client) {
    if (m_mode == EDragMode::PaletteDrop)
        m_host.SetCursor(CursorAt(client));
}

bool CDeviceSheetEditor::EndPaletteDrop(Point client) {
    if (m_mode != EDragMode::PaletteDrop)
        return false;
    m_mode = EDragMode::None;
    if (m_host.HasCapture())
        m_host.ReleaseCapture();
    if (Downloading() || Running() || !m_host.GetClientRect().PtInRect(client))
        return false;
    const Point logical = ToLogical(client);
    const Point at = SnapDropPoint(logical.x, logical.y);
    if (at.x > m_sheetSize.cx || at.y > m_sheetSize.cy)
        return false;
    return m_doc.CreateDroppedDevice(at.x, at.y, m_dropModel, m_dc);
}

Point CDeviceSheetEditor::SnapDropPoint(std::int32_t x, std::int32_t y) {
    return {SnapToGrid(x), SnapToGrid(y)};
}

// -- link checks

bool CDeviceSheetEditor::IsLoopLimitReached(const CDeviceChnl& a, const CDeviceChnl& b) const {
    if (a.m_kind != model::kChnlNetwork || b.m_kind != model::kChnlNetwork)
        return false;
    const CDeviceChnl& receiving = a.m_direction == 0 ? a : b;
    const CBaseDevice* source = m_doc.FindDevice(receiving.m_moduleId, receiving.m_deviceSubType);
    if (source == nullptr || !IsBundleReceiver(source->m_typeCode) || a.m_moduleId != b.m_moduleId)
        return false;
    int loops = 0;
    for (const auto& channel : source->m_channels) {
        const CDeviceChnl* c = model::AsDeviceChnl(channel.get());
        const CDeviceLink* link = c != nullptr ? c->GetLink(0) : nullptr;
        if (link == nullptr)
            continue;
        const bool atSource = link->m_sourceModule == source->m_id &&
                              link->m_sourceSubType == source->m_subType &&
                              link->m_sourceChannel == c->m_number;
        const CBaseDevice* far =
            atSource ? m_doc.FindDevice(link->m_destModule, link->m_destSubType)
                     : m_doc.FindDevice(link->m_sourceModule, link->m_sourceSubType);
        if (far != nullptr && far->m_id == source->m_id && far->m_typeCode == source->m_typeCode &&
            far->m_subType != source->m_subType)
            ++loops;
    }
    return loops > 7;
}

bool CDeviceSheetEditor::IsBundleConflict(const CDeviceChnl& a, const CDeviceChnl& b,
                                          const CDeviceChnl** paired,
                                          const CDeviceChnl** other) const {
    if (a.m_kind != model::kChnlNetwork || b.m_kind != model::kChnlNetwork)
        return false;
    const CDeviceChnl& receiving = a.m_direction == 0 ? a : b;
    const CDeviceChnl& sending = a.m_direction == 0 ? b : a;
    const CBaseDevice* source = m_doc.FindDevice(receiving.m_moduleId, receiving.m_deviceSubType);
    if (source == nullptr || !IsBundleReceiver(source->m_typeCode))
        return false;
    const int pairIndex =
        receiving.m_number % 2 == 0 ? receiving.m_number + 1 : receiving.m_number - 1;
    const CDeviceChnl* pair = model::AsDeviceChnl(source->GetChnl(pairIndex));
    const CDeviceLink* pairLink = pair != nullptr ? pair->GetLink(0) : nullptr;
    if (pairLink == nullptr || sending.m_moduleId == source->m_id ||
        pairLink->m_destModule == source->m_id)
        return false;
    const CDeviceChnl* pairSending =
        m_doc.FindChannel(pairLink->m_destModule, pairLink->m_destSubType, pairLink->m_destChannel);
    if (pairSending == nullptr)
        return false;
    // Where a sending output travels: its unit's bundle (the first for the
    // first eight outputs) and its place in the bundle, 1..8.
    struct place_t {
        std::int32_t bundle, position;
    };
    const auto place = [&](const CDeviceChnl& out) {
        const auto* unit = dynamic_cast<const model::CDeviceNy*>(
            m_doc.FindDevice(out.m_moduleId, out.m_deviceSubType));
        const std::int32_t inputs = unit != nullptr ? unit->m_inputCount : 0;
        const std::int32_t bundle =
            unit == nullptr ? 0 : (out.m_number < inputs + 8 ? unit->m_bundle1 : unit->m_bundle2);
        std::int32_t position = (out.m_number - inputs + 1) % 8;
        if (position <= 0)
            position += 8;
        return place_t{bundle, position};
    };
    const place_t mine = place(sending), theirs = place(*pairSending);
    if (mine.bundle == theirs.bundle && mine.position != theirs.position)
        return false;
    if (paired != nullptr)
        *paired = pair;
    if (other != nullptr)
        *other = pairSending;
    return true;
}

// -- moving and tracking

void CDeviceSheetEditor::MoveSelection(Point logical) {
    const Rect bounds = m_doc.GetSelectionBounds();
    const std::int32_t dx =
        SnapToGrid(Limit(logical.x - m_currentPoint.x, bounds.left, bounds.right, m_sheetSize.cx));
    const std::int32_t dy =
        SnapToGrid(Limit(logical.y - m_currentPoint.y, bounds.top, bounds.bottom, m_sheetSize.cy));
    if (dx == 0 && dy == 0)
        return;
    std::vector<CBaseDevice*> selected;
    for (int i = 0; i < m_doc.GetSelectedCount(); ++i)
        selected.push_back(m_doc.GetSelected(i));
    for (CBaseDevice* device : selected) {
        m_doc.MoveDevice(*device, dx, dy);
        UpdateLinkEnds(*device);
    }
    m_currentPoint.Offset(dx, dy);
    m_doc.SetModifiedFlag(true);
}

void CDeviceSheetEditor::MoveTitle(Point logical) {
    CBaseDevice* device = CurrentDevice();
    if (device == nullptr)
        return;
    const Rect bounds = device->GetTitleBoundRect();
    const std::int32_t dx =
        SnapToGrid(Limit(logical.x - m_currentPoint.x, bounds.left, bounds.right, m_sheetSize.cx));
    const std::int32_t dy =
        SnapToGrid(Limit(logical.y - m_currentPoint.y, bounds.top, bounds.bottom, m_sheetSize.cy));
    if (dx == 0 && dy == 0)
        return;
    m_doc.MoveDeviceTitle(*device, dx, dy);
    m_currentPoint.Offset(dx, dy);
    m_doc.SetModifiedFlag(true);
}

void CDeviceSheetEditor::TrackLinkEnd(Point logical) {
    if (!m_drawingLink)
        return;
    m_host.InvalidateLogical(m_drawingLink->GetBoundRect());
    const std::int32_t x = std::clamp(logical.x, 10, std::max(10, m_sheetSize.cx - 10));
    const std::int32_t y = std::clamp(logical.y, 10, std::max(10, m_sheetSize.cy - 10));
    m_drawingLink->SetEndPoint(x, y);
    m_host.InvalidateLogical(m_drawingLink->GetBoundRect());
}

Point CDeviceSheetEditor::AutoScrollTarget(Point client, std::int32_t margin,
                                           std::int32_t step) const {
    const model::DeviceMapping mapping = Mapping();
    const Rect view = mapping.DPtoLP(m_host.GetClientRect());
    const Point p = mapping.DPtoLP(client);
    Point scroll = m_host.GetScrollPosition();
    // One axis: how far (logical) the view moves toward the point.
    const auto along = [&](std::int32_t at, std::int32_t low, std::int32_t high,
                           std::int32_t extent) {
        if (at + margin > high) {
            const std::int32_t d = std::min(step, extent - high);
            return d > 0 ? d : 0;
        }
        if (at - margin < low) {
            const std::int32_t d = std::min(step, low);
            return d > 0 ? -d : 0;
        }
        return 0;
    };
    scroll.x += ToScrollPixels(along(p.x, view.left, view.right, m_sheetSize.cx), m_zoom);
    scroll.y += ToScrollPixels(along(p.y, view.top, view.bottom, m_sheetSize.cy), m_zoom);
    return scroll;
}

bool CDeviceSheetEditor::AutoScrollCheck(Point client, std::int32_t margin, std::int32_t step) {
    const Point target = AutoScrollTarget(client, margin, step);
    if (target == m_host.GetScrollPosition())
        return false;
    m_host.ScrollTo(target);
    return true;
}

void CDeviceSheetEditor::UpdateLinkEnds(CBaseDevice& device) {
    m_doc.UpdateLinkEnds(device);
}

void CDeviceSheetEditor::SyncSheetSize() {
    const Size sheet{m_doc.GetSheetSettings().width, m_doc.GetSheetSettings().height};
    if (sheet == m_sheetSize)
        return;
    m_sheetSize = sheet;
    m_host.SetScrollSize(ScrollSize(m_sheetSize, m_zoom));
}

void CDeviceSheetEditor::OnDocumentChanged(const model::DocumentChange& change) {
    SyncSheetSize();
    using Kind = model::DocumentChangeKind;
    switch (change.kind) {
    case Kind::ObjectAdded:
    case Kind::ObjectRemoved:
    case Kind::LinkAdded:
    case Kind::LinkRemoved:
        m_host.InvalidateLogical(change.bounds);
        break;
    case Kind::ObjectChanged:
    case Kind::LinkChanged:
        m_host.InvalidateLogical(change.oldBounds);
        m_host.InvalidateLogical(change.bounds);
        break;
    case Kind::ModifiedChanged:
        break;
    default:
        m_host.InvalidateAll();
        break;
    }
}

// -- drawing and feedback

SheetDrawState CDeviceSheetEditor::DrawState() const {
    SheetDrawState state;
    state.running = Running();
    state.drawingLink = m_drawingLink.get();
    state.rubberBand = RubberBand();
    return state;
}

void CDeviceSheetEditor::Draw(platform::gdi::Canvas& dc, const Rect& clip) const {
    DrawSheet(dc, m_doc, clip, DrawState());
}

EDeviceCursor CDeviceSheetEditor::CursorAt(Point client, bool overScrollBar) const {
    if (Downloading())
        return overScrollBar ? EDeviceCursor::Arrow : EDeviceCursor::Wait;
    if (m_mode == EDragMode::BodyMove || m_mode == EDragMode::TitleMove)
        return EDeviceCursor::Move;
    if (m_mode == EDragMode::PaletteDrop) {
        const Point p = ToLogical(client);
        const bool onSheet = p.x >= 0 && p.y >= 0 && p.x <= m_sheetSize.cx && p.y <= m_sheetSize.cy;
        return !Running() && !overScrollBar && m_host.GetClientRect().PtInRect(client) && onSheet
                   ? EDeviceCursor::Drop
                   : EDeviceCursor::NoDrop;
    }
    if (Running() || overScrollBar)
        return EDeviceCursor::Arrow;
    const CDeviceChnl* channel = TopmostHit(m_doc, client, Mapping()).Channel();
    if (channel == nullptr)
        return EDeviceCursor::Arrow;
    bool linkable = false;
    if (m_mode == EDragMode::Link) {
        const CDeviceChnl* start = StartChannel();
        linkable = start != nullptr && CZoDeviceDoc::CanLinkChannels(*start, *channel);
    } else {
        linkable = CZoDeviceDoc::CanLinkChannel(*channel);
    }
    return linkable ? EDeviceCursor::Cross : EDeviceCursor::Arrow;
}

void CDeviceSheetEditor::UpdateCursor(Point client, bool overScrollBar) {
    m_host.SetCursor(CursorAt(client, overScrollBar));
    std::int64_t key = -1;
    std::string tip;
    if (!overScrollBar) {
        const hit_t hit = TopmostHit(m_doc, client, Mapping());
        const CDeviceChnl* channel = hit.Channel();
        if (channel != nullptr && channel->m_kind == model::kChnlNetwork &&
            !channel->m_name.empty()) {
            key = (static_cast<std::int64_t>(hit.device->m_subType) +
                   10 * static_cast<std::int64_t>(hit.device->m_id)) *
                      1000 +
                  hit.part;
            tip = channel->m_name;
        }
    }
    if (key == m_toolTipKey)
        return;
    m_toolTipKey = key;
    m_host.SetToolTip(tip);
}

} // namespace device_editor
