#pragma once
// Canvas: the surface every sheet object draws on, whatever lies behind it
// (a window, an image for a preview, a printer page, or a recording in a
// test).
//
// It keeps the drawing state the sheet code expects of a device context:
// the selected pen, brush and font, text and background colours, background
// mode, polygon fill mode, the current position and the logical-to-device
// mapping (DeviceMapping); selections return what they replace so that code
// can put it back, and SaveDC / RestoreDC do the same wholesale.
//
// Coordinates are logical. Shapes follow the platform rules: a rectangle or
// ellipse covers left .. right - 1 and top .. bottom - 1, a line leaves out
// its last point, FrameRect is one logical unit wide. Text layout
// (DrawText's lines, alignment, end ellipsis) and three-dimensional edges
// are worked out here, once, from measurements; a back end only draws the
// primitives below (Do...), which it receives in logical coordinates with
// the state they use.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/colour.h"
#include "platform/gdi/geometry.h"
#include "platform/gdi/logfont.h"
#include "platform/gdi/mapping.h"
#include "platform/gdi/text_measurer.h"

namespace platform::gdi {

enum class PenStyle { Solid, Dash, Dot, Null, DashDotDot };

struct Pen {
    PenStyle style = PenStyle::Solid;
    std::int32_t width = 1; // logical units; 0 draws one device pixel wide
    COLORREF colour = kBlack;

    static constexpr Pen Solid(std::int32_t width, COLORREF colour) {
        return {PenStyle::Solid, width, colour};
    }
    static constexpr Pen None() { return {PenStyle::Null, 1, kBlack}; }
    friend constexpr bool operator==(const Pen&, const Pen&) = default;
};

enum class BrushStyle { Solid, Null };

struct Brush {
    BrushStyle style = BrushStyle::Solid;
    COLORREF colour = kWhite;

    static constexpr Brush Solid(COLORREF colour) { return {BrushStyle::Solid, colour}; }
    static constexpr Brush Hollow() { return {BrushStyle::Null, kWhite}; }
    friend constexpr bool operator==(const Brush&, const Brush&) = default;
};

// Background modes: whether text first fills its cell with the background
// colour.
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

// Polygon fill modes.
inline constexpr int ALTERNATE = 1;
inline constexpr int WINDING = 2;

// DrawText format bits.
inline constexpr unsigned DT_LEFT = 0;
inline constexpr unsigned DT_TOP = 0;
inline constexpr unsigned DT_CENTER = 1u << 0;
inline constexpr unsigned DT_RIGHT = 1u << 1;
inline constexpr unsigned DT_VCENTER = 1u << 2; // single line only
inline constexpr unsigned DT_BOTTOM = 1u << 3;  // single line only
inline constexpr unsigned DT_SINGLELINE = 1u << 4;
inline constexpr unsigned DT_NOCLIP = 1u << 5;
inline constexpr unsigned DT_CALCRECT = 1u << 6;
inline constexpr unsigned DT_NOPREFIX = 1u << 7;
inline constexpr unsigned DT_END_ELLIPSIS = 1u << 8;

// DrawEdge: which borders (outer ring, inner ring) and which sides.
inline constexpr unsigned BDR_RAISEDOUTER = 1u << 0;
inline constexpr unsigned BDR_SUNKENOUTER = 1u << 1;
inline constexpr unsigned BDR_RAISEDINNER = 1u << 2;
inline constexpr unsigned BDR_SUNKENINNER = 1u << 3;
inline constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
inline constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
inline constexpr unsigned EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
inline constexpr unsigned EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;

inline constexpr unsigned BF_LEFT = 1u << 0;
inline constexpr unsigned BF_TOP = 1u << 1;
inline constexpr unsigned BF_RIGHT = 1u << 2;
inline constexpr unsigned BF_BOTTOM = 1u << 3;
inline constexpr unsigned BF_TOPLEFT = BF_LEFT | BF_TOP;
inline constexpr unsigned BF_BOTTOMRIGHT = BF_RIGHT | BF_BOTTOM;
inline constexpr unsigned BF_RECT = BF_TOPLEFT | BF_BOTTOMRIGHT;

class Canvas : public TextMeasurer, public DeviceMapping {
public:
    Canvas();
    ~Canvas() override;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // -- state (each setter returns the previous value)
    Pen SelectPen(const Pen& pen);
    Brush SelectBrush(const Brush& brush);
    LOGFONT SelectFont(const LOGFONT& font);
    const Pen& GetPen() const { return state_.pen; }
    const Brush& GetBrush() const { return state_.brush; }
    const LOGFONT& GetFont() const { return state_.font; }
    COLORREF SetTextColor(COLORREF colour);
    COLORREF GetTextColor() const { return state_.text_colour; }
    COLORREF SetBkColor(COLORREF colour);
    COLORREF GetBkColor() const { return state_.bk_colour; }
    int SetBkMode(int mode);
    int GetBkMode() const { return state_.bk_mode; }
    int SetPolyFillMode(int mode);
    int GetPolyFillMode() const { return state_.fill_mode; }
    Point GetCurrentPosition() const { return state_.position; }

    // Saves the whole state (mapping included); returns its level, from 1.
    int SaveDC();
    // Restores the state saved at `level` and drops it and every later one;
    // -1 restores the latest. False when there is no such level.
    bool RestoreDC(int level);

    // -- lines, with the pen
    Point MoveTo(Point p);
    Point MoveTo(std::int32_t x, std::int32_t y) { return MoveTo(Point{x, y}); }
    void LineTo(Point p);
    void LineTo(std::int32_t x, std::int32_t y) { LineTo(Point{x, y}); }
    void Polyline(std::span<const Point> points);

    // -- shapes, outlined with the pen and filled with the brush
    void Rectangle(const Rect& r);
    void Ellipse(const Rect& r);
    void Polygon(std::span<const Point> points);
    void FillSolidRect(const Rect& r, COLORREF colour);
    void FillRect(const Rect& r, const Brush& brush);
    // A border one logical unit wide just inside r.
    void FrameRect(const Rect& r, const Brush& brush);
    // Three-dimensional borders drawn from the four edge shades (colour.h):
    // the outer ring on r's outermost pixels, the inner ring one further in,
    // each with its top and left sides first and its bottom and right sides
    // over them.
    void DrawEdge(const Rect& r, unsigned edge, unsigned sides);

    // -- text, in the selected font and the text colour
    // One line with its cell's top-left corner at p.
    void TextOut(Point p, std::string_view utf8);
    void TextOut(std::int32_t x, std::int32_t y, std::string_view utf8) {
        TextOut(Point{x, y}, utf8);
    }
    // Text laid out in `rect` (see the DT_ bits). Lines break at CR LF, CR or
    // LF (a final break adds no empty line) unless DT_SINGLELINE; '&' marks
    // a mnemonic and is dropped ("&&" gives '&') unless DT_NOPREFIX; a line
    // wider than the rectangle ends in "..." with DT_END_ELLIPSIS; output is
    // clipped to `rect` unless DT_NOCLIP. With DT_CALCRECT nothing is drawn
    // and rect's right and bottom are set to the text's extent. Returns the
    // height of the text.
    int DrawText(std::string_view utf8, Rect& rect, unsigned format);
    // One line of text in the selected font.
    Size GetTextExtent(std::string_view utf8) const { return MeasureText(state_.font, utf8); }

    // -- pictures
    void StretchBitmap(const Bitmap& bitmap, const Rect& dest);
    // One device pixel, whatever the mapping's scale, at the device point
    // the logical point maps to (a grid dot stays a dot at every zoom).
    void SetPixel(Point p, COLORREF colour) { DoPixel(p, colour); }

    // True when the surface is a printer page.
    virtual bool IsPrinting() const { return false; }

protected:
    // Primitives for the back end, in logical coordinates.
    // An open line through the points, its last point left out.
    virtual void DoPolyline(std::span<const Point> points, const Pen& pen) = 0;
    virtual void DoPolygon(std::span<const Point> points, const Pen& pen, const Brush& brush,
                           int fill_mode) = 0;
    virtual void DoRectangle(const Rect& r, const Pen& pen, const Brush& brush) = 0;
    virtual void DoEllipse(const Rect& r, const Pen& pen, const Brush& brush) = 0;
    // Every pixel of r (right and bottom excluded) in one colour.
    virtual void DoFillRect(const Rect& r, COLORREF colour) = 0;
    // One line of text, its cell's top-left at `origin`, clipped to *clip.
    virtual void DoText(Point origin, std::string_view utf8, const LOGFONT& font, COLORREF colour,
                        const Rect* clip) = 0;
    virtual void DoBitmap(const Bitmap& bitmap, const Rect& dest) = 0;
    // One device pixel at the mapped logical point p.
    virtual void DoPixel(Point p, COLORREF colour) = 0;

private:
    struct state_t {
        Pen pen;
        Brush brush;
        LOGFONT font;
        COLORREF text_colour = kBlack;
        COLORREF bk_colour = kWhite;
        int bk_mode = OPAQUE;
        int fill_mode = ALTERNATE;
        Point position;
        DeviceMapping mapping;
    };

    void text_line(Point origin, std::string_view utf8, const Rect* clip);

    state_t state_;
    std::vector<state_t> saved_;
};

// Saves a canvas's state for a scope and puts it back at the end, as drawing
// code that restores its pen, brush, font, colours and modes does.
class CanvasStateSaver {
public:
    explicit CanvasStateSaver(Canvas& canvas) : canvas_(canvas), level_(canvas.SaveDC()) {}
    ~CanvasStateSaver() { canvas_.RestoreDC(level_); }
    CanvasStateSaver(const CanvasStateSaver&) = delete;
    CanvasStateSaver& operator=(const CanvasStateSaver&) = delete;

private:
    Canvas& canvas_;
    int level_;
};

// Text helpers shared with tests and measurers.
namespace text_layout {
// Code points in UTF-8 text (a stray byte counts as one).
std::size_t CountCharacters(std::string_view utf8);
// The first n code points.
std::string_view FirstCharacters(std::string_view utf8, std::size_t n);
// '&' mnemonics removed.
std::string StripPrefix(std::string_view utf8);
// Lines broken at CR LF, CR or LF; a final break adds no empty line; an
// empty text has no line.
std::vector<std::string_view> SplitLines(std::string_view utf8);
} // namespace text_layout

} // namespace platform::gdi
