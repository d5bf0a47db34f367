#include "dsp_editor/dsp_arrangement.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "dsp_editor/dsp_gestures.h"
#include "dsp_editor/dsp_undo.h"
#include "dsp_editor/zo_dsp_view.h"

namespace dsp_editor {

using model::CBaseAriModule;
using model::Rect;
using model::Size;
using EArrange = CDspArrangement::EArrange;

namespace {

constexpr std::int32_t kArrangeMargin = CDspGestures::kMargin;

using ArrangedModules = std::vector<CBaseAriModule*>;

struct ArrangeMove {
    CBaseAriModule* module;
    Size offset;
};

// One axis of the sheet: x (true) or y.
std::int32_t Low(const CBaseAriModule* m, bool x) {
    return x ? m->m_body.left : m->m_body.top;
}
std::int32_t High(const CBaseAriModule* m, bool x) {
    return x ? m->m_body.right : m->m_body.bottom;
}
std::int32_t Length(const CBaseAriModule* m, bool x) {
    return High(m, x) - Low(m, x);
}
std::int32_t Extent(const CZoDSPDoc& doc, bool x) {
    return x ? doc.m_sheetWidth : doc.m_sheetHeight;
}
// The offset `along` on the axis x (true) or y and `across` on the other.
Size Offset(bool x, std::int32_t along, std::int32_t across) {
    return x ? Size{along, across} : Size{across, along};
}

// The selected modules that are shown, the highest id first. A hidden
// input or output stays where it is: the user cannot see it to choose it.
ArrangedModules SelectedShown(const CZoDSPDoc& doc) {
    ArrangedModules modules;
    for (const auto& module : doc.Modules())
        if (module->m_selected != 0 && module->m_hidden == 0)
            modules.push_back(module.get());
    std::stable_sort(
        modules.begin(), modules.end(),
        [](const CBaseAriModule* a, const CBaseAriModule* b) { return a->m_id > b->m_id; });
    return modules;
}

// The line at `line` moved so that every module fits between it and the
// margin on the side it extends to (from a low edge towards high values).
std::int32_t FitLine(std::int32_t line, const ArrangedModules& modules, bool x, bool lowEdge,
                     std::int32_t extent) {
    for (const CBaseAriModule* m : modules) {
        const std::int32_t length = Length(m, x);
        if (lowEdge && line + length > extent - kArrangeMargin)
            line = extent - kArrangeMargin - length;
        if (!lowEdge && line - length < kArrangeMargin)
            line = length + kArrangeMargin;
    }
    return line;
}

// Stacking: the modules sorted along the run (the axis across `x`), one
// after another from the first one's start, each with its low (or high)
// edge on the line the first one's edge gives on axis `x`.
std::vector<ArrangeMove> Stack(ArrangedModules modules, bool x, bool lowEdge,
                               const CZoDSPDoc& doc) {
    const bool run = !x;
    std::stable_sort(
        modules.begin(), modules.end(), [&](const CBaseAriModule* a, const CBaseAriModule* b) {
            return std::pair(Low(a, run), Low(a, x)) < std::pair(Low(b, run), Low(b, x));
        });
    const auto edge = [&](const CBaseAriModule* m) { return lowEdge ? Low(m, x) : High(m, x); };
    std::int32_t line = edge(modules.front());
    std::int32_t start = Low(modules.front(), run);

    bool inPlace = true;
    std::int32_t next = start;
    std::int32_t total = 0;
    for (const CBaseAriModule* m : modules) {
        inPlace = inPlace && edge(m) == line && Low(m, run) == next;
        next = High(m, run);
        total += Length(m, run);
    }
    if (inPlace)
        return {};

    line = FitLine(line, modules, x, lowEdge, Extent(doc, x));
    const std::int32_t runExtent = Extent(doc, run);
    if (start + total > runExtent - kArrangeMargin)
        start = std::max(runExtent - kArrangeMargin - total, kArrangeMargin);

    std::vector<ArrangeMove> moves;
    std::int32_t at = start;
    for (CBaseAriModule* m : modules) {
        const std::int32_t low = lowEdge ? line : line - Length(m, x);
        moves.push_back({m, Offset(x, low - Low(m, x), at - Low(m, run))});
        at += Length(m, run);
    }
    return moves;
}

// Aligning: every module's low (or high) edge on axis `x` at the
// outermost one, moved in so that each fits inside the margin.
std::vector<ArrangeMove> Align(const ArrangedModules& modules, bool x, bool lowEdge,
                               const CZoDSPDoc& doc) {
    const std::int32_t extent = Extent(doc, x);
    const auto edge = [&](const CBaseAriModule* m) { return lowEdge ? Low(m, x) : High(m, x); };
    std::int32_t target = lowEdge ? extent : 0;
    for (const CBaseAriModule* m : modules)
        target = lowEdge ? std::min(target, edge(m)) : std::max(target, edge(m));
    if (std::all_of(modules.begin(), modules.end(),
                    [&](const CBaseAriModule* m) { return edge(m) == target; }))
        return {};

    target = FitLine(target, modules, x, lowEdge, extent);
    std::vector<ArrangeMove> moves;
    for (CBaseAriModule* m : modules)
        moves.push_back({m, Offset(x, target - edge(m), 0)});
    return moves;
}

// Distributing: the centres on axis `x` at equal steps from the first
// module's to (up to the division's remainder) the last one's.
std::vector<ArrangeMove> Distribute(ArrangedModules modules, bool x) {
    std::stable_sort(modules.begin(), modules.end(),
                     [&](const CBaseAriModule* a, const CBaseAriModule* b) {
                         return std::pair(Low(a, x), High(a, x)) < std::pair(Low(b, x), High(b, x));
                     });
    const auto centre = [&](const CBaseAriModule* m) { return (Low(m, x) + High(m, x)) / 2; };
    const std::int32_t first = centre(modules.front());
    const std::int32_t step =
        (centre(modules.back()) - first) / static_cast<std::int32_t>(modules.size() - 1);
    std::vector<ArrangeMove> moves;
    std::int32_t wanted = first;
    for (CBaseAriModule* m : modules) {
        moves.push_back({m, Offset(x, wanted - centre(m), 0)});
        wanted += step;
    }
    return moves;
}

// The offset that keeps [low, high] inside the margins of `extent`.
std::int32_t KeepInside(std::int32_t d, std::int32_t low, std::int32_t high, std::int32_t extent) {
    if (high + d > extent - kArrangeMargin)
        d = extent - kArrangeMargin - high;
    if (low + d < kArrangeMargin)
        d = kArrangeMargin - low;
    return d;
}

// Centring: the modules' common box into the middle of the visible area
// (pixels, turned into sheet units by the zoom factor), as far as the
// margins let it go. Without a window there is no visible area to centre
// on.
std::vector<ArrangeMove> Centre(const CZoDSPView& view, const ArrangedModules& modules, bool x,
                                bool y) {
    if (view.Zoom().m_scrollWindow == nullptr)
        return {};
    Rect box = modules.front()->m_body;
    for (const CBaseAriModule* m : modules) {
        box.left = std::min(box.left, m->m_body.left);
        box.top = std::min(box.top, m->m_body.top);
        box.right = std::max(box.right, m->m_body.right);
        box.bottom = std::max(box.bottom, m->m_body.bottom);
    }
    const model::Point scroll = view.Zoom().m_scrollWindow->ScrollPosition();
    const Size client = view.Zoom().m_scrollWindow->ClientSize();
    const double f = view.Zoom().Factor();
    const CZoDSPDoc& doc = view.GetDocument();
    std::int32_t dx = 0, dy = 0;
    if (x) {
        dx = static_cast<std::int32_t>((scroll.x + client.cx * 0.5) / f -
                                       (box.left + box.right) * 0.5);
        dx = KeepInside(dx, box.left, box.right, doc.m_sheetWidth);
    }
    if (y) {
        dy = static_cast<std::int32_t>((scroll.y + client.cy * 0.5) / f -
                                       (box.top + box.bottom) * 0.5);
        dy = KeepInside(dy, box.top, box.bottom, doc.m_sheetHeight);
    }
    std::vector<ArrangeMove> moves;
    for (CBaseAriModule* m : modules)
        moves.push_back({m, {dx, dy}});
    return moves;
}

} // namespace

std::optional<EArrange> ArrangementOf(int commandId) {
    switch (commandId) {
    case kCmdStackLeft:
        return EArrange::StackLeft;
    case kCmdStackRight:
        return EArrange::StackRight;
    case kCmdStackTop:
        return EArrange::StackTop;
    case kCmdStackBottom:
        return EArrange::StackBottom;
    case kCmdAlignLeft:
        return EArrange::AlignLeft;
    case kCmdAlignRight:
        return EArrange::AlignRight;
    case kCmdAlignTop:
        return EArrange::AlignTop;
    case kCmdAlignBottom:
        return EArrange::AlignBottom;
    case kCmdCentreInView:
        return EArrange::CentreInView;
    case kCmdCentreHorizontally:
        return EArrange::CentreHorizontally;
    case kCmdCentreVertically:
        return EArrange::CentreVertically;
    case kCmdDistributeHorizontally:
        return EArrange::DistributeHorizontally;
    case kCmdDistributeVertically:
        return EArrange::DistributeVertically;
    default:
        return std::nullopt;
    }
}

std::int32_t MinSelected(EArrange how) {
    switch (how) {
    case EArrange::CentreInView:
    case EArrange::CentreHorizontally:
    case EArrange::CentreVertically:
        return 1;
    case EArrange::DistributeHorizontally:
    case EArrange::DistributeVertically:
        return 3;
    default:
        return 2;
    }
}

bool CDspArrangement::CanArrange(EArrange how) const {
    const bool busy = m_view.Download().Busy();
    return !busy && m_view.GetDocument().m_live == 0 &&
           m_view.m_selectedModules >= MinSelected(how);
}

void CDspArrangement::Arrange(EArrange how) {
    CZoDSPDoc& doc = m_view.GetDocument();
    if (doc.m_live != 0 || m_view.Download().Busy())
        return;
    const ArrangedModules modules = SelectedShown(doc);
    if (static_cast<std::int32_t>(modules.size()) < MinSelected(how))
        return;

    std::vector<ArrangeMove> moves;
    switch (how) {
    case EArrange::StackLeft:
        moves = Stack(modules, true, true, doc);
        break;
    case EArrange::StackRight:
        moves = Stack(modules, true, false, doc);
        break;
    case EArrange::StackTop:
        moves = Stack(modules, false, true, doc);
        break;
    case EArrange::StackBottom:
        moves = Stack(modules, false, false, doc);
        break;
    case EArrange::AlignLeft:
        moves = Align(modules, true, true, doc);
        break;
    case EArrange::AlignRight:
        moves = Align(modules, true, false, doc);
        break;
    case EArrange::AlignTop:
        moves = Align(modules, false, true, doc);
        break;
    case EArrange::AlignBottom:
        moves = Align(modules, false, false, doc);
        break;
    case EArrange::CentreInView:
        moves = Centre(m_view, modules, true, true);
        break;
    case EArrange::CentreHorizontally:
        moves = Centre(m_view, modules, true, false);
        break;
    case EArrange::CentreVertically:
        moves = Centre(m_view, modules, false, true);
        break;
    case EArrange::DistributeHorizontally:
        moves = Distribute(modules, true);
        break;
    case EArrange::DistributeVertically:
        moves = Distribute(modules, false);
        break;
    }

    std::erase_if(moves, [](const ArrangeMove& move) { return move.offset == Size{}; });
    if (moves.empty())
        return;
    CDSPUndoHistory* history = UndoHistoryOf(doc);
    if (history != nullptr)
        history->BeginStep();
    for (const ArrangeMove& move : moves) {
        doc.MoveModule(*move.module, move.offset.cx, move.offset.cy);
        if (history != nullptr)
            history->AddAction(kUndoMove, *move.module, move.offset.cx, move.offset.cy);
    }
    doc.SetModifiedFlag(true);
    if (IDspMainFrame* frame = doc.GetMainFrame(); frame && frame->ActiveDspView() == &m_view)
        frame->ShowDspStatus(m_view.StatusFigures(doc.m_orderOk != 0));
    if (IDspViewWindow* window = m_view.Window())
        window->Repaint();
}

} // namespace dsp_editor
