#include "shell/status_swatch.h"

#include "resources/string_table.h"
#include "shell/status_panes.h"

namespace shell {

namespace gdi = platform::gdi;

namespace {

bool IsMidTone(std::uint8_t component) {
    return component > 100 && component < 150;
}

} // namespace

bool IsSwatchPane(int paneId) {
    return paneId == kPaneColour1 || paneId == kPaneColour2 || paneId == kPaneColour3;
}

std::optional<gdi::COLORREF> SwatchFill(int paneId, const SheetColours& colours) {
    switch (paneId) {
    case kPaneColour1:
        return colours.background;
    case kPaneColour2:
        return colours.physicalLink;
    case kPaneColour3:
        return colours.networkLink;
    default:
        return std::nullopt;
    }
}

gdi::COLORREF ContrastColour(gdi::COLORREF fill) {
    const std::uint8_t r = gdi::GetRValue(fill);
    const std::uint8_t g = gdi::GetGValue(fill);
    const std::uint8_t b = gdi::GetBValue(fill);
    if (int(IsMidTone(r)) + int(IsMidTone(g)) + int(IsMidTone(b)) >= 2)
        return gdi::kWhite;
    return gdi::RGB(std::uint8_t(255 - r), std::uint8_t(255 - g), std::uint8_t(255 - b));
}

std::string SwatchCaption(int paneId) {
    if (!IsSwatchPane(paneId))
        return {};
    return std::string(resources::LoadString(paneId));
}

void PaintSwatch(gdi::Canvas& canvas, const gdi::Rect& rect, int paneId,
                 const std::optional<SheetColours>& colours) {
    if (!colours)
        return;
    const std::optional<gdi::COLORREF> fill = SwatchFill(paneId, *colours);
    if (!fill)
        return;
    canvas.FillSolidRect(rect, *fill);
    const int oldMode = canvas.SetBkMode(gdi::TRANSPARENT);
    const gdi::COLORREF oldColour = canvas.SetTextColor(ContrastColour(*fill));
    gdi::Rect textRect = rect;
    canvas.DrawText(SwatchCaption(paneId), textRect,
                    gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE | gdi::DT_NOPREFIX);
    canvas.SetTextColor(oldColour);
    canvas.SetBkMode(oldMode);
}

} // namespace shell
