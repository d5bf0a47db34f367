#pragma once
// The dialogs' two owner-drawn push buttons without their windows.
//
// CMyButtonCore is the lamp button: an on/off state shown as a lamp inside
// a raised or sunken frame, with three ways of answering a click (a plain
// push button, a toggle, one radio button of a group). Given four pictures
// it shows the picture of its state in place of the lamp; the click rules
// stay the same.
//
// CStateBitmapButtonCore is the picture button: four pictures (normal,
// selected, hover, disabled), a hover look that holds the mouse capture
// while the pointer is over the button, and the caption beside the picture.
//
// Both answer mouse events with what the window has to do (repaint, take or
// free the capture, enable itself, report the click); the widgets in
// shell/ui carry it out. Drawing goes through the canvas seam.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/canvas.h"
#include "platform/gdi/colour.h"
#include "platform/gdi/geometry.h"

namespace shell {

// The notification code of a completed click in the command a button
// sends to its dialog.
inline constexpr int BN_CLICKED = 0;

// The pictures of a button, in the order its attach call names them.
enum EButtonPicture : int {
    kPictureNormal = 0,
    kPictureSelected = 1,
    kPictureFocus = 2,
    kPictureDisabled = 3,
};
using ButtonPictures = std::array<platform::gdi::Bitmap, 4>;

// The pictures of the route matrix's cell buttons, drawn here: 238 normal
// (not routed), 239 selected (routed), 236 focus, 237 disabled; all
// kButtonPictureSize square.
inline constexpr int kBitmapRouteFocus = 236;
inline constexpr int kBitmapRouteDisabled = 237;
inline constexpr int kBitmapRouteNormal = 238;
inline constexpr int kBitmapRouteSelected = 239;
inline constexpr int kButtonPictureSize = 16;

// A button picture by its bitmap resource id; null when there is none.
// Made once, alive as long as the program.
const platform::gdi::Bitmap* LoadButtonPicture(int id);

// ---------------------------------------------------------------------------
// Radio groups: the dialog's next-group-item order.

// One item of a dialog, in the order the dialog holds its controls.
struct DialogItemInfo {
    int controlId = 0;
    bool groupStart = false; // the first item of a group (the first item always is)
    bool visible = true;
    bool enabled = true;
};

// The items a walk from `self` meets, in order: the next visible and
// enabled item of self's group, after the group's last item its first one,
// until the walk comes back to an item with self's control id (which ends
// it and is not listed). A walk that would never come back stops once it
// has gone round the group.
std::vector<std::size_t> WalkDialogGroup(std::span<const DialogItemInfo> items, std::size_t self);

// ---------------------------------------------------------------------------

class CMyButtonCore {
public:
    enum EMode : int { kModePush = 1, kModeToggle = 2, kModeRadio = 3 };

    // What a left-button release asks of the window.
    struct Release {
        bool report = false;     // post the click to the dialog
        bool clearGroup = false; // turn off the other lamp buttons of the group
        friend bool operator==(const Release&, const Release&) = default;
    };

    // mode: any value other than 2 and 3 answers clicks as a plain push
    // button. divisor: below 1 counts as 1.
    void Setup(int mode, int divisor, int state);
    void SetMode(int mode) { m_mode = mode; }
    int Mode() const { return m_mode; }
    int Divisor() const { return m_divisor; }
    void SetState(int state) { m_state = state; }
    int State() const { return m_state; }
    bool Pressed() const { return m_pressed; }

    void SetPictures(const ButtonPictures& pictures);
    bool HasPictures() const { return m_hasPictures; }

    void LButtonDown() { m_pressed = true; }
    // The release always frees the capture; only a release inside the
    // button after a press on it is a click, and the mode decides whether
    // it is reported.
    Release LButtonUp(bool inside);
    // The capture went to another window: the press is forgotten.
    void CaptureLost() { m_pressed = false; }

    // The frame unit and the lamp's rectangle for an item rectangle.
    int FrameUnit(const platform::gdi::Rect& item) const;
    platform::gdi::Rect LampRect(const platform::gdi::Rect& item) const;

    // Draws the button into `item` with the canvas's font.
    void Draw(platform::gdi::Canvas& dc, const platform::gdi::Rect& item, std::string_view text,
              bool enabled, bool focused) const;

    // Lamp colours (fill, text).
    static constexpr platform::gdi::COLORREF kFace = 0xC8D0D4;
    static constexpr platform::gdi::COLORREF kLampDark = 0x000080;
    static constexpr platform::gdi::COLORREF kLampDarkText = 0xC0C0C0;
    static constexpr platform::gdi::COLORREF kLampLit = 0x0000FF;
    static constexpr platform::gdi::COLORREF kLampLitText = 0x000000;
    static constexpr platform::gdi::COLORREF kLampGrey = 0xC8C8C8;
    static constexpr platform::gdi::COLORREF kLampGreyText = 0x808080;

private:
    int m_state = 0;
    int m_mode = kModePush;
    int m_divisor = 32;
    bool m_pressed = false;
    bool m_hasPictures = false;
    ButtonPictures m_pictures;
};

// ---------------------------------------------------------------------------

class CStateBitmapButtonCore {
public:
    enum EState : int { kNormal = 0, kSelected = 1, kHover = 2, kDisabled = 3 };

    // What an event asks of the window.
    struct Effect {
        bool repaint = false;
        bool takeCapture = false;
        bool releaseCapture = false;
        bool enable = false; // enable the window
        bool report = false; // post the click to the dialog
        friend bool operator==(const Effect&, const Effect&) = default;
    };

    void SetPictures(const ButtonPictures& pictures) { m_pictures = pictures; }
    const ButtonPictures& Pictures() const { return m_pictures; }

    // 0, 1 and 2 are shown with the window enabled, 3 disabled; any other
    // value counts as 0. Returns whether the window is to be enabled.
    bool SetState(int state);
    int State() const { return m_state; }
    bool Tracking() const { return m_tracking; }
    bool Pressed() const { return m_pressed; }

    Effect MouseMove(bool inside);
    Effect LButtonDown();
    Effect LButtonUp(bool inside);
    // A hover look without the capture would stay until the pointer next
    // comes over the button, so the hover ends with it.
    Effect CaptureLost();

    // Draws the picture of the state at the item's top-left and the caption
    // to its right when there is room for it, with the canvas's font.
    void Draw(platform::gdi::Canvas& dc, const platform::gdi::Rect& item,
              std::string_view text) const;

private:
    int m_state = kNormal;
    bool m_tracking = false;
    bool m_pressed = false;
    ButtonPictures m_pictures;
};

} // namespace shell
