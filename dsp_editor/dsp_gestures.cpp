#include "dsp_editor/dsp_gestures.h"

#include "dsp_editor/dsp_view_paint.h"

#include <algorithm>
#include <vector>

#include "dsp_editor/dsp_undo.h"
#include "dsp_editor/zo_dsp_view.h"

namespace dsp_editor {

using model::CBaseAriModule;
using model::CBaseChnl;
using model::CBaseLink;
using model::Point;
using model::Rect;
using model::Size;

namespace {

bool IsPin(int hit) {
    return hit != model::kAriHitNothing && hit != model::kAriHitBody;
}

// A pin a link may start from: an output, or an input without a link.
bool CanStartLink(const CBaseChnl& pin) {
    return pin.m_direction != 0 || pin.m_linkCount == 0;
}

// The sheet's modules the way clicks find them: the highest id (the one
// drawn on top) first.
std::vector<CBaseAriModule*> TopFirst(const CZoDSPDoc& doc) {
    std::vector<CBaseAriModule*> modules;
    for (const auto& module : doc.Modules())
        modules.push_back(module.get());
    std::sort(modules.begin(), modules.end(),
              [](const CBaseAriModule* a, const CBaseAriModule* b) { return a->m_id > b->m_id; });
    return modules;
}

// The top module, not hidden, with a pin or its body under the point; the
// hit through `hit`.
CBaseAriModule* TopModuleAt(const CZoDSPDoc& doc, Point sheet, int& hit) {
    for (CBaseAriModule* module : TopFirst(doc)) {
        if (module->m_hidden != 0)
            continue;
        hit = module->HitTest(sheet);
        if (hit != model::kAriHitNothing)
            return module;
    }
    return nullptr;
}

Rect Normalised(Point a, Point b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

void TakeIn(Rect& box, Rect r, bool& any) {
    if (!any) {
        box = r;
        any = true;
        return;
    }
    box = {std::min(box.left, r.left), std::min(box.top, r.top), std::max(box.right, r.right),
           std::max(box.bottom, r.bottom)};
}

// The offset along one axis that keeps [low, high] `kMargin` inside the
// sheet's `extent`.
std::int32_t ClampToMargin(std::int32_t d, std::int32_t low, std::int32_t high,
                           std::int32_t extent) {
    if (high + d > extent - CDspGestures::kMargin)
        d = extent - high - CDspGestures::kMargin;
    if (low + d < CDspGestures::kMargin)
        d = CDspGestures::kMargin - low;
    return d;
}

} // namespace

// -- state

CZoDSPDoc& CDspGestures::Doc() const {
    return m_view.GetDocument();
}

IDspViewWindow* CDspGestures::Window() const {
    return m_view.Window();
}

bool CDspGestures::Live() const {
    return Doc().m_live != 0;
}

bool CDspGestures::Busy() const {
    return m_view.Download().m_progress != 0 || m_view.Download().m_commFault != 0;
}

void CDspGestures::Reset() {
    m_gesture = EGesture::Idle;
    m_sourceModule = m_sourcePin = 0;
    m_linkHit = false;
    m_dragCode = 0;
    m_band = {};
    m_statusSize = {};
    m_statusPosition = {};
    m_lineStart = m_lineEnd = m_lastPoint = {};
    m_pendingMove = {};
}

Point CDspGestures::ToSheet(Point client) const {
    const std::int32_t zoom = Doc().m_zoom;
    const Point scroll = Window() != nullptr ? Window()->ScrollPosition() : Point{};
    return {PixelsToSheet(client.x + scroll.x, zoom), PixelsToSheet(client.y + scroll.y, zoom)};
}

// -- button down

void CDspGestures::OnLButtonDown(Point client) {
    if (Busy())
        return;
    const Point sheet = ToSheet(client);
    m_lastPoint = sheet;
    if (m_gesture == EGesture::Linking) {
        LinkingDown(sheet);
    } else {
        int hit = model::kAriHitNothing;
        CBaseAriModule* module = Live() ? nullptr : TopModuleAt(Doc(), sheet, hit);
        if (module != nullptr && IsPin(hit)) {
            // A linked input takes no second link, and the click does nothing.
            if (CanStartLink(*module->GetChnl(hit)))
                StartLinking(*module, hit);
        } else {
            ClickSelect(sheet);
        }
    }
    UpdateCursor(client);
}

void CDspGestures::LinkingDown(Point sheet) {
    int hit = model::kAriHitNothing;
    CBaseAriModule* module = TopModuleAt(Doc(), sheet, hit);
    if (module == nullptr || !IsPin(hit))
        return;
    const CBaseAriModule* source = Doc().GetModuleById(m_sourceModule);
    const CBaseChnl* from = source != nullptr ? source->GetChnl(m_sourcePin) : nullptr;
    const CBaseChnl& to = *module->GetChnl(hit);
    const bool accepted = from != nullptr && module != source &&
                          to.m_direction != from->m_direction && CanStartLink(to);
    if (accepted)
        AddLink(*module, hit);
}

void CDspGestures::StartLinking(CBaseAriModule& module, std::int32_t pin) {
    CBaseChnl& from = *module.GetChnl(pin);
    from.m_highlighted = 1;
    m_lineStart = m_lineEnd = from.m_rect.CenterPoint();
    m_sourceModule = module.m_id;
    m_sourcePin = pin;
    m_gesture = EGesture::Linking;
    Doc().ClearSelection();
    ZeroCounts();
    StatusToSheet();
    Repaint();
    if (IDspViewWindow* window = Window()) {
        window->SetCapture();
        window->SetTimer(kLinkTimer, kTimerPeriod);
    }
}

void CDspGestures::EndLinking() {
    if (CBaseAriModule* source = Doc().GetModuleById(m_sourceModule)) {
        if (CBaseChnl* pin = source->GetChnl(m_sourcePin)) {
            pin->m_highlighted = 0;
            Invalidate(pin->m_rect, 0);
        }
    }
    m_gesture = EGesture::Idle;
    if (IDspViewWindow* window = Window())
        window->ReleaseCapture();
}

void CDspGestures::AddLink(CBaseAriModule& to, std::int32_t pin) {
    const std::int32_t fromModule = m_sourceModule, fromPin = m_sourcePin;
    EndLinking();
    const CBaseAriModule& from = *Doc().GetModuleById(fromModule);
    // Stored input end first, whichever end the user started from.
    const bool startedOnInput = from.GetChnl(fromPin)->m_direction == 0;
    const CBaseAriModule& receiving = startedOnInput ? from : to;
    const CBaseAriModule& feeding = startedOnInput ? to : from;
    const std::int32_t inPin = startedOnInput ? fromPin : pin;
    const std::int32_t outPin = startedOnInput ? pin : fromPin;
    const Point in = receiving.GetChnl(inPin)->m_rect.CenterPoint();
    const Point out = feeding.GetChnl(outPin)->m_rect.CenterPoint();
    CBaseLink* link =
        Doc().AddLink(in.x, in.y, out.x, out.y, receiving.m_id, inPin, feeding.m_id, outPin);
    if (link == nullptr)
        return;
    if (CDSPUndoHistory* history = UndoHistoryOf(Doc())) {
        history->BeginStep();
        history->AddLinkAction(kUndoAdd, *link);
    }
    Doc().AttachLinkPins(*link);
    ZeroCounts();
    m_view.m_selectedLinks = 1;
    StatusToSheet();
    ShowSelection();
}

void CDspGestures::StartMoving() {
    m_gesture = EGesture::Moving;
    m_pendingMove = {};
    if (IDspViewWindow* window = Window()) {
        window->SetCapture();
        window->SetTimer(kMoveTimer, kTimerPeriod);
    }
}

void CDspGestures::ClickSelect(Point sheet) {
    // A click on the selection keeps it and moves it.
    for (const auto& module : Doc().Modules()) {
        if (module->m_selected != 0 && module->m_hidden == 0 &&
            module->HitTest(sheet) != model::kAriHitNothing) {
            StartMoving();
            return;
        }
    }
    m_linkHit = false;
    for (const auto& link : Doc().Links()) {
        if (link->m_selected != 0 && link->HitTest(sheet.x, sheet.y)) {
            m_linkHit = true;
            return;
        }
    }

    // A fresh selection: the top module whose body is hit, else the first
    // link hit.
    ZeroCounts();
    m_statusSize = ScaledExtent(Doc().m_zoom, {Doc().m_sheetWidth, Doc().m_sheetHeight});
    m_statusPosition = {};
    CBaseAriModule* module = nullptr;
    for (CBaseAriModule* candidate : TopFirst(Doc())) {
        if (candidate->m_hidden == 0 && candidate->HitTest(sheet) == model::kAriHitBody) {
            module = candidate;
            break;
        }
    }
    CBaseLink* link = nullptr;
    if (module != nullptr) {
        m_view.m_selectedModules = 1;
        m_view.m_selectedAriModules = module->IsChannelModule() ? 0 : 1;
        StatusFromModule(*module);
        StartMoving();
    } else {
        for (const auto& candidate : Doc().Links()) {
            if (candidate->HitTest(sheet.x, sheet.y)) {
                link = candidate.get();
                m_linkHit = true;
                m_view.m_selectedLinks = 1;
                break;
            }
        }
    }
    SelectOnly(module, link);
    if (module == nullptr && link == nullptr)
        StartBand(sheet);
    else if (IDspViewWindow* window = Window())
        window->UpdatePropertyPanel();
    ShowStatus();
    Repaint();
}

void CDspGestures::StartBand(Point sheet) {
    m_gesture = EGesture::RubberBand;
    m_bandAnchor = sheet;
    m_band = {};
    if (IDspViewWindow* window = Window()) {
        window->SetTimer(kBandTimer, kTimerPeriod);
        window->SetCapture();
    }
}

// -- mouse move

void CDspGestures::OnMouseMove(Point client) {
    const Point sheet = ToSheet(client);
    if (m_gesture == EGesture::RubberBand)
        BandMove(sheet);
    else if (!Live() && !Busy()) {
        switch (m_gesture) {
        case EGesture::Idle:
            HoverPins(sheet);
            break;
        case EGesture::Linking:
            LinkingMove(sheet);
            break;
        case EGesture::Moving:
            MoveSelection(sheet);
            break;
        case EGesture::ListDrag:
        case EGesture::RubberBand:
            break;
        }
    }
    UpdateCursor(client);
}

void CDspGestures::BandMove(Point sheet) {
    Invalidate(m_band, 2);
    m_band = Normalised(m_bandAnchor, sheet);
    if (IDspViewWindow* window = Window())
        window->AutoScroll(sheet);
    Invalidate(m_band, 2);
}

void CDspGestures::HoverPins(Point sheet) {
    const std::vector<CBaseAriModule*> modules = TopFirst(Doc());
    for (CBaseAriModule* module : modules) {
        for (int i = 0; i < module->GetChnlCount(); ++i) {
            CBaseChnl& pin = *module->GetChnl(i);
            if (pin.m_highlighted != 0) {
                pin.m_highlighted = 0;
                Invalidate(pin.m_rect, 0);
            }
        }
    }
    for (CBaseAriModule* module : modules) {
        if (module->m_hidden != 0)
            continue;
        const int hit = module->HitTest(sheet);
        if (IsPin(hit) && CanStartLink(*module->GetChnl(hit))) {
            CBaseChnl& pin = *module->GetChnl(hit);
            pin.m_highlighted = 1;
            Invalidate(pin.m_rect, 0);
            return;
        }
    }
}

void CDspGestures::LinkingMove(Point sheet) {
    const CBaseAriModule* source = Doc().GetModuleById(m_sourceModule);
    const CBaseChnl* from = source != nullptr ? source->GetChnl(m_sourcePin) : nullptr;
    const std::vector<CBaseAriModule*> modules = TopFirst(Doc());
    for (CBaseAriModule* module : modules) {
        if (module == source)
            continue;
        for (int i = 0; i < module->GetChnlCount(); ++i) {
            CBaseChnl& pin = *module->GetChnl(i);
            if (pin.m_highlighted != 0) {
                pin.m_highlighted = 0;
                Invalidate(pin.m_rect, 0);
            }
        }
    }
    for (CBaseAriModule* module : modules) {
        if (module == source || module->m_hidden != 0 || from == nullptr)
            continue;
        const int hit = module->HitTest(sheet);
        if (!IsPin(hit))
            continue;
        CBaseChnl& pin = *module->GetChnl(hit);
        if (pin.m_direction != from->m_direction && CanStartLink(pin)) {
            pin.m_highlighted = 1;
            Invalidate(pin.m_rect, 0);
            break;
        }
    }
    Invalidate(Normalised(m_lineStart, m_lineEnd), 2);
    if (IDspViewWindow* window = Window())
        window->AutoScroll(sheet);
    m_lineEnd = sheet;
    Invalidate(Normalised(m_lineStart, m_lineEnd), 2);
}

Rect CDspGestures::SelectionBox() const {
    Rect box;
    bool any = false;
    for (const auto& module : Doc().Modules()) {
        if (module->m_selected != 0)
            TakeIn(box, module->m_body, any);
    }
    for (const auto& link : Doc().Links()) {
        const CBaseAriModule* receiving = Doc().GetModuleById(link->m_sourceModule);
        const CBaseAriModule* feeding = Doc().GetModuleById(link->m_destModule);
        const bool touches = (receiving != nullptr && receiving->m_selected != 0) ||
                             (feeding != nullptr && feeding->m_selected != 0);
        if (!touches)
            continue;
        // The link's horizontal stubs run 15 units out of each pin.
        const Point in = link->m_start, out = link->m_end;
        TakeIn(box, {in.x - 15, in.y, in.x, in.y}, any);
        TakeIn(box, {out.x, out.y, out.x + 15, out.y}, any);
    }
    return box;
}

void CDspGestures::MoveSelection(Point sheet) {
    // The offset that puts the reference module's corner on the grid.
    const Point p = m_statusPosition;
    std::int32_t dx = (p.x + sheet.x - m_lastPoint.x) / kGrid * kGrid - p.x;
    std::int32_t dy = (p.y + sheet.y - m_lastPoint.y) / kGrid * kGrid - p.y;
    if (dx == 0 && dy == 0)
        return;
    const Rect before = SelectionBox();
    dx = ClampToMargin(dx, before.left, before.right, Doc().m_sheetWidth);
    dy = ClampToMargin(dy, before.top, before.bottom, Doc().m_sheetHeight);
    if (dx == 0 && dy == 0)
        return;

    m_pendingMove.cx += dx;
    m_pendingMove.cy += dy;
    m_lastPoint.Offset(dx, dy);
    m_statusPosition.Offset(dx, dy);
    std::vector<CBaseAriModule*> selected;
    for (const auto& module : Doc().Modules()) {
        if (module->m_selected != 0)
            selected.push_back(module.get());
    }
    for (CBaseAriModule* module : selected)
        m_view.GetDocument().MoveModule(*module, dx, dy);
    ShowStatus();
    if (IDspViewWindow* window = Window())
        window->AutoScroll(sheet);
    Invalidate(before, 4);
    Invalidate(SelectionBox(), 4);
}

// -- button up

void CDspGestures::OnLButtonUp(Point client) {
    if (IDspViewWindow* window = Window())
        window->KillTimer(kLinkTimer);
    switch (m_gesture) {
    case EGesture::RubberBand:
        BandUp(ToSheet(client));
        break;
    case EGesture::ListDrag:
        DropUp(client);
        break;
    case EGesture::Moving:
        MoveUp();
        break;
    case EGesture::Idle:
    case EGesture::Linking: // a link is drawn click by click
        break;
    }
    UpdateCursor(client);
}

void CDspGestures::BandUp(Point sheet) {
    m_gesture = EGesture::Idle;
    if (IDspViewWindow* window = Window())
        window->ReleaseCapture();
    const Rect band = Normalised(m_bandAnchor, sheet);
    StatusToSheet();
    m_view.m_selectedModules = m_view.m_selectedAriModules = 0;
    for (const auto& module : Doc().Modules()) {
        if (module->m_hidden != 0 || !band.PtInRect(module->m_body.TopLeft()) ||
            !band.PtInRect(module->m_body.BottomRight()))
            continue;
        Doc().SelectModule(*module);
        ++m_view.m_selectedModules;
        if (!module->IsChannelModule())
            ++m_view.m_selectedAriModules;
        StatusFromModule(*module);
    }
    m_view.m_selectedLinks = 0;
    for (const auto& link : Doc().Links()) {
        if (band.PtInRect(link->m_start) && band.PtInRect(link->m_end)) {
            Doc().SelectLink(*link);
            ++m_view.m_selectedLinks;
        }
    }
    m_band = {};
    ShowSelection();
}

CBaseAriModule* CDspGestures::DropUp(Point client) {
    m_gesture = EGesture::Idle;
    IDspViewWindow* window = Window();
    if (window == nullptr || !window->HasCapture())
        return nullptr;
    window->ReleaseCapture();
    if (Live())
        return nullptr;
    if (!window->ClientRect().PtInRect(client)) {
        Repaint();
        return nullptr;
    }
    // The drop point snapped to the grid.
    const Point sheet = ToSheet(client);
    return AddModuleAtPoint(m_dragCode / 100, m_dragCode % 100, sheet.x / kGrid * kGrid,
                            sheet.y / kGrid * kGrid);
}

void CDspGestures::MoveUp() {
    m_gesture = EGesture::Idle;
    if (IDspViewWindow* window = Window())
        window->ReleaseCapture();
    if (m_pendingMove == Size{})
        return;
    // The whole move is one undo step.
    if (CDSPUndoHistory* history = UndoHistoryOf(Doc())) {
        history->BeginStep();
        for (const auto& module : Doc().Modules()) {
            if (module->m_selected != 0)
                history->AddAction(kUndoMove, *module, m_pendingMove.cx, m_pendingMove.cy);
        }
    }
    m_pendingMove = {};
    Doc().SetModifiedFlag(true);
    Repaint();
}

// -- other events

void CDspGestures::OnLButtonDblClk(Point client) {
    if (m_gesture == EGesture::Linking || Busy())
        return;
    const Point sheet = ToSheet(client);
    Doc().ClearSelection();
    for (CBaseAriModule* module : TopFirst(Doc())) {
        if (module->m_hidden == 0 && module->m_body.PtInRect(sheet)) {
            if (IDspViewWindow* window = Window())
                window->OpenModuleDialog(*module);
            Doc().SelectModule(*module);
            break;
        }
    }
    m_view.CountSelection();
    Repaint();
}

bool CDspGestures::OnRButtonDown(Point client) {
    switch (m_gesture) {
    case EGesture::ListDrag:
        return false;
    case EGesture::Linking:
        if (IDspViewWindow* window = Window())
            window->KillTimer(kLinkTimer);
        EndLinking();
        Doc().ClearSelection();
        ZeroCounts();
        Repaint();
        UpdateCursor(client);
        return false;
    case EGesture::Moving:
        // The modules stay where the drag left them, unrecorded.
        m_gesture = EGesture::Idle;
        m_pendingMove = {};
        if (IDspViewWindow* window = Window())
            window->ReleaseCapture();
        break;
    case EGesture::Idle:
    case EGesture::RubberBand:
        break;
    }

    const Point sheet = ToSheet(client);
    for (const auto& module : Doc().Modules()) {
        if (module->m_selected != 0 && module->HitTest(sheet) != model::kAriHitNothing)
            return true;
    }
    for (const auto& link : Doc().Links()) {
        if (link->m_selected != 0 && link->HitTest(sheet.x, sheet.y))
            return true;
    }

    ZeroCounts();
    int hit = model::kAriHitNothing;
    CBaseAriModule* module = TopModuleAt(Doc(), sheet, hit);
    CBaseLink* link = nullptr;
    if (module != nullptr) {
        m_view.m_selectedModules = 1;
        m_view.m_selectedAriModules = module->IsChannelModule() ? 0 : 1;
        StatusFromModule(*module);
    } else {
        for (const auto& candidate : Doc().Links()) {
            if (candidate->HitTest(sheet.x, sheet.y)) {
                link = candidate.get();
                m_view.m_selectedLinks = 1;
                break;
            }
        }
    }
    SelectOnly(module, link);
    ShowSelection();
    UpdateCursor(client);
    return true;
}

void CDspGestures::OnTimer(std::int32_t id) {
    const bool running = (id == kLinkTimer && m_gesture == EGesture::Linking) ||
                         (id == kMoveTimer && m_gesture == EGesture::Moving) ||
                         (id == kBandTimer && m_gesture == EGesture::RubberBand);
    IDspViewWindow* window = Window();
    if (window == nullptr)
        return;
    if (!running)
        window->KillTimer(id);
    else
        OnMouseMove(window->CursorPosition());
}

void CDspGestures::OnCaptureChanged() {
    switch (m_gesture) {
    case EGesture::ListDrag:
        if (IDspViewWindow* window = Window(); window != nullptr && window->HasCapture())
            window->ReleaseCapture();
        break;
    case EGesture::Linking:
        EndLinking();
        break;
    case EGesture::Idle:
    case EGesture::Moving:
    case EGesture::RubberBand:
        break;
    }
    m_gesture = EGesture::Idle;
    m_band = {};
    Repaint();
}

void CDspGestures::OnNcLButtonUp() {
    if (m_gesture == EGesture::Moving || m_gesture == EGesture::Linking)
        m_gesture = EGesture::Idle;
}

IDspViewWindow::ECursor CDspGestures::CursorAt(Point client) const {
    if (Busy())
        return IDspViewWindow::kCursorWait;
    const Point sheet = ToSheet(client);
    if (m_gesture == EGesture::ListDrag) {
        const bool inClient = Window() != nullptr && Window()->ClientRect().PtInRect(client);
        const bool onSheet = sheet.x <= Doc().m_sheetWidth && sheet.y <= Doc().m_sheetHeight;
        return inClient && onSheet && !Live() ? IDspViewWindow::kCursorDrop
                                              : IDspViewWindow::kCursorNo;
    }
    if (Live())
        return IDspViewWindow::kCursorArrow;
    if (m_gesture == EGesture::Moving)
        return IDspViewWindow::kCursorMove;

    const CBaseAriModule* source = Doc().GetModuleById(m_sourceModule);
    const CBaseChnl* from = source != nullptr ? source->GetChnl(m_sourcePin) : nullptr;
    for (const CBaseAriModule* module : TopFirst(Doc())) {
        if (module->m_hidden != 0)
            continue;
        const int hit = module->HitTest(sheet);
        if (hit == model::kAriHitNothing)
            continue;
        if (hit == model::kAriHitBody)
            return IDspViewWindow::kCursorArrow;
        const CBaseChnl& pin = *module->GetChnl(hit);
        const bool usable = m_gesture == EGesture::Linking
                                ? from != nullptr && module != source &&
                                      pin.m_direction != from->m_direction && CanStartLink(pin)
                                : CanStartLink(pin);
        if (usable)
            return IDspViewWindow::kCursorCross;
    }
    return IDspViewWindow::kCursorArrow;
}

void CDspGestures::UpdateCursor(Point client) {
    if (IDspViewWindow* window = Window())
        window->SetCursor(CursorAt(client));
}

// -- palette drag and placing

void CDspGestures::BeginListDrag(std::int32_t code) {
    m_gesture = EGesture::ListDrag;
    m_dragCode = code;
    if (IDspViewWindow* window = Window())
        window->SetCapture();
}

CBaseAriModule* CDspGestures::OnDrop(Point client) {
    if (m_gesture != EGesture::ListDrag)
        return nullptr;
    CBaseAriModule* placed = DropUp(client);
    UpdateCursor(client);
    return placed;
}

CBaseAriModule* CDspGestures::AddModuleAtScroll(std::int32_t type, std::int32_t variant) {
    if (Live() || Busy())
        return nullptr;
    const std::int32_t zoom = Doc().m_zoom;
    const Point scroll = Window() != nullptr ? Window()->ScrollPosition() : Point{};
    CBaseAriModule* module = Doc().AddModule(type, variant, PixelsToSheet(scroll.x, zoom),
                                             PixelsToSheet(scroll.y, zoom), Doc().m_deviceModel);
    if (module != nullptr)
        m_statusPosition = module->m_body.TopLeft();
    return Placed(module);
}

CBaseAriModule* CDspGestures::AddModuleAtPoint(std::int32_t type, std::int32_t variant,
                                               std::int32_t x, std::int32_t y) {
    if (Live() || Busy())
        return nullptr;
    CBaseAriModule* module = Doc().AddModule(type, variant, x, y, Doc().m_deviceModel);
    m_statusPosition = {x, y};
    return Placed(module);
}

CBaseAriModule* CDspGestures::Placed(CBaseAriModule* module) {
    if (module == nullptr)
        return nullptr;
    if (CDSPUndoHistory* history = UndoHistoryOf(Doc())) {
        history->BeginStep();
        history->AddAction(kUndoAdd, *module);
    }
    m_statusSize = {module->m_body.Width(), module->m_body.Height()};
    ZeroCounts();
    m_view.m_selectedModules = m_view.m_selectedAriModules = 1;
    if (IDspViewWindow* window = Window())
        window->UpdatePropertyPanel();
    ShowStatus();
    Invalidate(ModuleBounds(*module), 0);
    return module;
}

// -- commands

void CDspGestures::OnEditDelete() {
    if (Busy())
        return;
    const bool channelsOnly = m_view.m_selectedAriModules == 0 && m_view.m_selectedLinks == 0 &&
                              m_view.m_selectedModules > 0;
    // Input and output modules stay on the sheet: they are only unselected.
    if (channelsOnly)
        Doc().ClearSelection();
    else
        Doc().DeleteSelection();
    ZeroCounts();
    StatusToSheet();
    ShowSelection();
}

void CDspGestures::OnSelectAllLinks() {
    Doc().ClearSelection();
    ZeroCounts();
    SelectAllLinks();
    ShowSelection();
}

void CDspGestures::OnSelectAllModules() {
    Doc().ClearSelection();
    SelectAllModules();
    ShowSelection();
}

void CDspGestures::OnSelectAll() {
    Doc().ClearSelection();
    SelectAllModules();
    SelectAllLinks();
    ShowSelection();
}

void CDspGestures::SelectAllModules() {
    ZeroCounts();
    for (const auto& module : Doc().Modules()) {
        Doc().SelectModule(*module);
        if (!module->IsChannelModule())
            ++m_view.m_selectedAriModules;
        // Hidden inputs and outputs are selected but not counted.
        if (!module->IsChannelModule() || module->m_hidden == 0)
            ++m_view.m_selectedModules;
    }
}

void CDspGestures::SelectAllLinks() {
    for (const auto& link : Doc().Links())
        Doc().SelectLink(*link);
    m_view.m_selectedLinks = static_cast<std::int32_t>(Doc().Links().size());
}

void CDspGestures::ShowSelection() {
    if (IDspViewWindow* window = Window())
        window->UpdatePropertyPanel();
    ShowStatus();
    Repaint();
}

// -- helpers

void CDspGestures::SelectOnly(CBaseAriModule* module, CBaseLink* link) {
    Doc().ClearSelection();
    if (module != nullptr)
        Doc().SelectModule(*module);
    if (link != nullptr)
        Doc().SelectLink(*link);
}

void CDspGestures::StatusFromModule(const CBaseAriModule& module) {
    m_statusSize = {module.m_body.Width(), module.m_body.Height()};
    m_statusPosition = module.m_body.TopLeft();
}

void CDspGestures::StatusToSheet() {
    m_statusSize = {Doc().m_sheetWidth, Doc().m_sheetHeight};
    m_statusPosition = {};
}

void CDspGestures::ZeroCounts() {
    m_view.m_selectedModules = m_view.m_selectedAriModules = m_view.m_selectedLinks = 0;
}

void CDspGestures::ShowStatus() const {
    IDspMainFrame* frame = Doc().GetMainFrame();
    if (frame == nullptr || frame->ActiveDspView() != &m_view)
        return;
    DspStatusFigures figures = m_view.StatusFigures(Doc().m_orderOk != 0);
    figures.size = m_statusSize;
    figures.position = m_statusPosition;
    frame->ShowDspStatus(figures);
}

void CDspGestures::Invalidate(Rect sheet, std::int32_t inflate) const {
    if (IDspViewWindow* window = Window()) {
        sheet.InflateRect(inflate, inflate);
        window->InvalidateSheet(sheet);
    }
}

void CDspGestures::Repaint() const {
    if (IDspViewWindow* window = Window())
        window->Repaint();
}

} // namespace dsp_editor
