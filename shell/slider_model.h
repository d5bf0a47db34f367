#pragma once
// CSliderModel: the shared slider (CMySliderCtrl) without its window. It
// keeps the range, the position, the page, line and tick sizes, the style,
// the labels and the thumb; it turns the mouse and the keys into position
// changes and the notices its parent dialog receives; and it paints the
// whole control on a canvas.
//
// The notices carry the codes the dialogs were written against: the scroll
// message (WM_HSCROLL for a horizontal control, WM_VSCROLL for a vertical
// one) with its scroll code and, for the two thumb codes, the position; and
// the program's notification message with lParam kSliderThumbPressed (the
// control id in wParam) when the thumb is pressed, kSliderThumbReleased
// (wParam 0) when a drag ends.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/canvas.h"
#include "platform/gdi/geometry.h"
#include "shell/slider_geometry.h"

namespace shell {

// The messages.
inline constexpr unsigned kSliderHScroll = 0x114;
inline constexpr unsigned kSliderVScroll = 0x115;
inline constexpr unsigned kSliderAppNotify = 0x464; // the program's WM_USER + 100

// lParam of the notification message.
inline constexpr int kSliderThumbPressed = 0x40A;
inline constexpr int kSliderThumbReleased = 0x409;

// Scroll codes.
enum ESliderScroll : int {
    SB_LINEUP = 0,
    SB_LINEDOWN = 1,
    SB_PAGEUP = 2,
    SB_PAGEDOWN = 3,
    SB_THUMBPOSITION = 4,
    SB_THUMBTRACK = 5,
    SB_TOP = 6,
    SB_BOTTOM = 7,
    SB_ENDSCROLL = 8,
};

// Style bits, as the trackbar has them.
inline constexpr unsigned kSliderAutoTicks = 0x0001; // ticks every tick frequency
inline constexpr unsigned kSliderNoTicks = 0x0010;   // neither ticks nor labels

// The keys the slider answers.
enum class ESliderKey { Left, Up, Right, Down, PageUp, PageDown, Home, End };

struct SliderNotice {
    unsigned message = 0;
    // Scroll message: the scroll code and, for SB_THUMBPOSITION and
    // SB_THUMBTRACK, the position (else 0). Notification message: wParam
    // and lParam.
    int code = 0;
    int position = 0;
    int wParam = 0;
    int lParam = 0;

    friend bool operator==(const SliderNotice&, const SliderNotice&) = default;
};

class CSliderModel {
public:
    // The thumb is the picture plus a one-pixel edge all round.
    CSliderModel(bool horizontal, const platform::gdi::Bitmap& thumbPicture, int controlId = 0);

    // -- what the control tells its owner
    void SetNoticeHandler(std::function<void(const SliderNotice&)> handler) {
        m_notice = std::move(handler);
    }
    // The area to paint again; an empty rectangle stands for the whole
    // control.
    void SetInvalidateHandler(std::function<void(const platform::gdi::Rect&)> handler) {
        m_invalidate = std::move(handler);
    }

    // -- the dialogs' interface
    // Ignored when minimum > maximum; the position is clamped into the new
    // range.
    void SetRange(int minimum, int maximum);
    int GetRangeMin() const { return m_min; }
    int GetRangeMax() const { return m_max; }
    // Clamps into the range; a request below the range with the position at
    // the minimum, or above it at the maximum, changes nothing.
    void SetPos(int position);
    int GetPos() const { return m_pos; }
    // Each returns the size it replaces. Until a page size is set, a page is
    // the fifth of the range (at least 1).
    int SetPageSize(int size);
    int GetPageSize() const;
    int SetLineSize(int size);
    int GetLineSize() const { return m_line; }
    // Ignored unless above 0.
    void SetTicFreq(int frequency);
    int GetTicFreq() const { return m_ticFreq; }
    void SetStyle(unsigned style);
    unsigned GetStyle() const { return m_style; }
    void SetLabels(std::string first, std::string second);
    int ControlId() const { return m_id; }
    bool IsHorizontal() const { return m_geometry.IsHorizontal(); }

    // -- the window's state
    // The client area: the channel is laid out again and the thumb put on
    // the position.
    void SetClientRect(const platform::gdi::Rect& client);
    void SetFocused(bool focused);
    void SetEnabled(bool enabled);
    bool IsFocused() const { return m_focused; }
    bool IsEnabled() const { return m_enabled; }

    // -- input, in client coordinates
    void OnLButtonDown(platform::gdi::Point p);
    void OnMouseMove(platform::gdi::Point p);
    void OnLButtonUp(platform::gdi::Point p);
    // The mouse was taken away while the button was down: a drag or paging
    // ends as on a release.
    void OnCaptureLost();
    // True for the slider's keys.
    bool OnKeyDown(ESliderKey key);
    bool OnKeyUp(ESliderKey key);
    bool IsDragging() const { return m_dragging; }
    bool IsPaging() const { return m_paging; }

    // -- geometry and drawing
    const CSliderGeometry& Geometry() const { return m_geometry; }
    const platform::gdi::Rect& Thumb() const { return m_thumb; }
    // The whole control: background, groove, thumb, then ticks and labels.
    void Paint(platform::gdi::Canvas& dc) const;
    // The labels, the end ticks and, with auto ticks, the intermediate ones;
    // nothing with the no-ticks style.
    void DrawTicks(platform::gdi::Canvas& dc) const;

    // The colours (fixed) and the three groove shades derived from the
    // edge colours.
    static constexpr platform::gdi::COLORREF kBackgroundFocused = 0x00FFFF;
    static constexpr platform::gdi::COLORREF kGrooveFill = 0x0000FF;
    static platform::gdi::COLORREF BackgroundUnfocused();
    static platform::gdi::COLORREF BackgroundDisabled();
    static platform::gdi::COLORREF ShadeLight();
    static platform::gdi::COLORREF ShadeMiddle();
    static platform::gdi::COLORREF ShadeDark();
    // The labels' font.
    static platform::gdi::LOGFONT LabelFont();

private:
    // Moves the thumb onto the position and repaints the old and new places.
    void PlaceThumb();
    void MoveThumb(std::int32_t offset);
    // The position changed through the user: set and thumb placed; false
    // when it stayed.
    bool Step(std::int64_t target);
    void EndMouse();
    void Scroll(int code, int position = 0);
    void Notify(int wParam, int lParam);
    void Invalidate(const platform::gdi::Rect& r = {});

    CSliderGeometry m_geometry;
    const platform::gdi::Bitmap& m_picture;
    int m_id = 0;
    platform::gdi::Rect m_thumb;
    std::int32_t m_thumbOffset = 0; // the thumb's centre along the channel

    int m_min = 0, m_max = 100, m_pos = 0;
    int m_page = 0;
    bool m_pageSet = false;
    int m_line = 1;
    int m_ticFreq = 1;
    unsigned m_style = 0;
    std::string m_labels[2];
    bool m_focused = false, m_enabled = true;

    bool m_dragging = false, m_paging = false;
    platform::gdi::Point m_pressPoint;
    std::int32_t m_pressOffset = 0;

    std::function<void(const SliderNotice&)> m_notice;
    std::function<void(const platform::gdi::Rect&)> m_invalidate;
};

} // namespace shell
