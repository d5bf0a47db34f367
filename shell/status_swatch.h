#pragma once
// The status bar's three colour swatches (panes 206, 207, 208) without the
// window: which of the active device sheet's colours each pane shows, the
// colour its caption is written in so that it stays readable on that fill,
// and the painting of one swatch through the canvas.
#include <optional>
#include <string>

#include "platform/gdi/canvas.h"

namespace shell {

// The colours of the active device sheet that the swatches show.
struct SheetColours {
    platform::gdi::COLORREF background = 0xFFFFFF;
    platform::gdi::COLORREF physicalLink = 0x000000;
    platform::gdi::COLORREF networkLink = 0xFF0000;
};

// Whether a pane id is one of the three swatches.
bool IsSwatchPane(int paneId);

// The sheet colour a swatch pane is filled with; none for other panes.
std::optional<platform::gdi::COLORREF> SwatchFill(int paneId, const SheetColours& colours);

// A caption colour that reads on `fill`. Mid greys (two or more components
// strictly between 100 and 150) have no usable complement, so they get
// white; any other fill gets its complement, component by component.
platform::gdi::COLORREF ContrastColour(platform::gdi::COLORREF fill);

// The caption of a swatch pane (its string).
std::string SwatchCaption(int paneId);

// Fills `rect` with the pane's sheet colour and writes its caption centred
// on one line, transparent, in the contrast colour. With no device sheet
// active (`colours` empty) the pane is left as it is.
void PaintSwatch(platform::gdi::Canvas& canvas, const platform::gdi::Rect& rect, int paneId,
                 const std::optional<SheetColours>& colours);

} // namespace shell
