#include "shell/status_panes.h"

#include "model/ari_classes.h"
#include "model/sheet_size.h"

#include "platform/text/format.h"
#include "platform/text/ipv4.h"
#include "resources/string_table.h"

#include <algorithm>
#include <utility>

namespace shell {

namespace {

// Status texts of the string table.
enum : int {
    kStrStartIp = 1,
    kStrEndIp = 2,
    kStrAdapterIp = 3,
    kStrSheetSize = 205,
    kStrLinks = 327,
    kStrNoModules = 328,
    kStrModules = 329,
    kStrIdsUnset = 330,
    kStrIdsSet = 331,
    kStrSpaceUsed = 332,
    kStrSpaceBelowOne = 333,
    kStrTimeUsed = 334,
    kStrTimeBelowOne = 335,
    kStrRunning = 336,
    kStrStopped = 337,
};

// The space and time a DSP unit offers.
constexpr int kDspSpace = 8192;
constexpr int kDspTime = 25000;
// Every DSP sheet holds its 8 input and 8 output modules.

constexpr int kIpPaneWidth = 130;
const std::string kTenBlanks(10, ' ');

std::string Text(int id)
{
    return std::string(resources::LoadString(id));
}

std::string TrimRight(std::string text)
{
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

StatusPane Pane(int id, int width = 0, bool ownerDrawn = false)
{
    StatusPane pane;
    pane.id = id;
    pane.width = width;
    pane.ownerDrawn = ownerDrawn;
    return pane;
}

std::vector<StatusPane> PanesOf(EStatusLayout layout)
{
    // A separator pane (id 0, stretching) comes first in every layout.
    switch (layout) {
    case EStatusLayout::Base:
        return {Pane(0), Pane(kPaneStartIp, kIpPaneWidth), Pane(kPaneEndIp, kIpPaneWidth),
                Pane(kPaneAdapterIp, kIpPaneWidth)};
    case EStatusLayout::Device:
        return {Pane(0),
                Pane(kPaneSheetSize),
                Pane(kPaneColour1, 0, true),
                Pane(kPaneColour2, 0, true),
                Pane(kPaneColour3, 0, true),
                Pane(kPaneStartIp, kIpPaneWidth),
                Pane(kPaneEndIp, kIpPaneWidth),
                Pane(kPaneAdapterIp, kIpPaneWidth)};
    case EStatusLayout::Dsp:
        return {Pane(0),
                Pane(kPaneRunState, 35),
                Pane(kPaneSpaceUsed, 113),
                Pane(kPaneTimeUsed, 113),
                Pane(kPaneIdState, 48),
                Pane(kPaneModuleCount, 170),
                Pane(kPaneLinkCount, 100),
                Pane(kPaneModulePos, 60),
                Pane(kPaneModuleSize, 50)};
    }
    return {};
}

std::string Percent(int used, int total, int text, int belowOne)
{
    const int percent = static_cast<int>(static_cast<long long>(used) * 100 / total);
    if (percent < 1)
        return Text(belowOne);
    return platform::text::format(Text(text), percent);
}

// Pane 205: the part of string 205 up to its first ':' and the size.
std::string SheetSizeText(int width, int height)
{
    std::string label = Text(kStrSheetSize);
    const auto colon = label.find(':');
    label = colon == std::string::npos ? std::string() : label.substr(0, colon + 1);
    return platform::text::format("%s %dx%d          ", label, width, height);
}

} // namespace

CStatusPanes::CStatusPanes() : m_panes(PanesOf(EStatusLayout::Device)) {}

void CStatusPanes::SetLayout(EStatusLayout layout)
{
    m_layout = layout;
    m_panes = PanesOf(layout);
    if (m_changed)
        m_changed();
}

const StatusPane* CStatusPanes::Find(int id) const
{
    const auto found = std::find_if(m_panes.begin(), m_panes.end(),
                                    [id](const StatusPane& p) { return p.id == id; });
    return found == m_panes.end() ? nullptr : &*found;
}

StatusPane* CStatusPanes::FindPane(int id)
{
    return const_cast<StatusPane*>(std::as_const(*this).Find(id));
}

void CStatusPanes::SetText(int id, std::string text, const std::string* toolTip)
{
    StatusPane* pane = FindPane(id);
    if (!pane)
        return;
    pane->text = std::move(text);
    if (toolTip)
        pane->toolTip = *toolTip;
    if (m_changed)
        m_changed();
}

std::vector<std::string> CStatusPanes::WidestTexts(int id)
{
    using platform::text::format;
    // Coordinates and sizes stay within the largest sheet; counts and
    // percentages (a sheet may ask more than the unit has) take three
    // digits.
    constexpr int kCoordinate = model::kMaxSheetSide;
    constexpr int kCount = 999;
    const std::string widestIp = "255.255.255.255";
    switch (id) {
    case kPaneStartIp:
        return {Text(kStrStartIp) + widestIp};
    case kPaneEndIp:
        return {Text(kStrEndIp) + widestIp};
    case kPaneAdapterIp:
        return {Text(kStrAdapterIp) + widestIp};
    case kPaneSheetSize:
        return {TrimRight(SheetSizeText(kCoordinate, kCoordinate))};
    case kPaneRunState:
        return {Text(kStrRunning), Text(kStrStopped)};
    case kPaneSpaceUsed:
        return {format(Text(kStrSpaceUsed), kCount), Text(kStrSpaceBelowOne)};
    case kPaneTimeUsed:
        return {format(Text(kStrTimeUsed), kCount), Text(kStrTimeBelowOne)};
    case kPaneIdState:
        return {Text(kStrIdsUnset), Text(kStrIdsSet)};
    case kPaneModuleCount:
        return {Text(kStrNoModules), format(Text(kStrModules), kCount, kCount, kCount)};
    case kPaneLinkCount:
        return {format(Text(kStrLinks), kCount, kCount)};
    case kPaneModulePos:
        return {format("(%d,%d)", kCoordinate, kCoordinate)};
    case kPaneModuleSize:
        return {format("%dX%d", kCoordinate, kCoordinate)};
    default:
        return {};
    }
}

void CStatusPanes::UpdateIpPanes(std::uint32_t start, std::uint32_t end,
                                 const std::string& adapterIp)
{
    const std::string texts[] = {
        Text(kStrStartIp) + platform::text::format_ipv4(start) + kTenBlanks,
        Text(kStrEndIp) + platform::text::format_ipv4(end) + kTenBlanks,
        Text(kStrAdapterIp) + adapterIp + kTenBlanks,
    };
    const std::string tip =
        TrimRight(texts[0]) + "; " + TrimRight(texts[1]) + "; " + TrimRight(texts[2]);
    SetText(kPaneStartIp, texts[0], &tip);
    SetText(kPaneEndIp, texts[1], &tip);
    SetText(kPaneAdapterIp, texts[2], &tip);
}

void CStatusPanes::UpdateSheetSizePane(int width, int height)
{
    const std::string text = SheetSizeText(width, height);
    const std::string tip = TrimRight(text);
    SetText(kPaneSheetSize, text, &tip);
}

void CStatusPanes::SetModuleSizePane(int cx, int cy)
{
    SetText(kPaneModuleSize, platform::text::format("%dX%d", cx, cy));
}

void CStatusPanes::SetModulePosPane(int x, int y)
{
    SetText(kPaneModulePos, platform::text::format("(%d,%d)", x, y));
}

void CStatusPanes::SetLinkCountPane(int count, int selected)
{
    SetText(kPaneLinkCount, platform::text::format(Text(kStrLinks), count, selected));
}

void CStatusPanes::SetModuleCountPane(int modules, int selected)
{
    if (modules == 0) {
        SetText(kPaneModuleCount, Text(kStrNoModules));
        return;
    }
    SetText(kPaneModuleCount, platform::text::format(Text(kStrModules),
                                                     model::AlgorithmModuleCount(modules), modules,
                                                     selected));
}

void CStatusPanes::SetIdStatePane(bool set)
{
    SetText(kPaneIdState, Text(set ? kStrIdsSet : kStrIdsUnset));
}

void CStatusPanes::SetSpaceUsedPane(int used)
{
    SetText(kPaneSpaceUsed, Percent(used, kDspSpace, kStrSpaceUsed, kStrSpaceBelowOne));
}

void CStatusPanes::SetTimeUsedPane(int used)
{
    SetText(kPaneTimeUsed, Percent(used, kDspTime, kStrTimeUsed, kStrTimeBelowOne));
}

void CStatusPanes::SetRunStateText(bool on)
{
    SetText(kPaneRunState, Text(on ? kStrRunning : kStrStopped));
}

void CStatusPanes::SetRunStateBlink(bool shown)
{
    SetText(kPaneRunState, shown ? Text(kStrRunning) : std::string());
}

} // namespace shell
