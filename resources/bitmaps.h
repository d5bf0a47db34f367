#pragma once
// Bitmap resources of the operator program, by resource id.
#include <array>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/colour.h"

namespace resources {

// Pictures of external equipment on a device sheet, 62 x 62 each.
inline constexpr int kBitmapPc = 250;
inline constexpr int kBitmapCd = 251;
inline constexpr int kBitmapMicrophone = 252;
inline constexpr int kBitmapSpeaker = 253;
inline constexpr int kBitmapAmplifier = 254;

// The background of the module attribute dialogs, 800 x 600: a light
// grey-blue gradient under a faint grid, as large as the largest dialog so
// it can be copied unscaled from its top-left corner.
inline constexpr int kBitmapAttriBackground = 233;

// The router dialog's cross-points, 15 x 13: an output taking that input
// (a lit lamp) and a free one (an empty socket).
inline constexpr int kBitmapRouterSelected = 158;
inline constexpr int kBitmapRouterFree = 159;

// The connection list's arrow from the sending to the receiving columns,
// 16 x 16, its transparent pixels in kIconMask.
inline constexpr int kBitmapLinkArrow = 214;

// The bitmap with that resource id, or null when there is none. The
// pictures are decoded once and live as long as the program.
const platform::gdi::Bitmap* LoadBitmap(int id);

// Icons and toolbar pictures paint their transparent pixels in exactly this
// colour; whoever shows them turns it into alpha.
inline constexpr platform::gdi::COLORREF kIconMask = platform::gdi::RGB(255, 0, 255);

// Icons, 32 x 32, by icon id (ids of their own, apart from LoadBitmap's).
inline constexpr int kIconApplication = 128;
inline constexpr int kIconDeviceDocument = 129;
inline constexpr int kIconDspDocument = 130;
// The window icon of the module attribute dialogs: faders on a panel.
inline constexpr int kIconAttriDialog = 262;
// The filter and crossover dialogs' window icons: a response curve with
// its handle; one slope, and two crossing ones.
inline constexpr int kIconFilterDialog = 263;
inline constexpr int kIconCrossoverDialog = 265;
// The generator and dynamics dialogs' window icons: a sine trace, a noise
// trace, a bent transfer curve with its knee handle.
inline constexpr int kIconSineDialog = 257;
inline constexpr int kIconNoiseDialog = 268;
inline constexpr int kIconDynamicDialog = 267;

// The window icons of the delay, text box and router dialogs.
inline constexpr int kIconDelayDialog = 266;
inline constexpr int kIconTextDialog = 269;
inline constexpr int kIconRouterDialog = 258;

// The window icon of the equalizer dialog: a response curve on a grid.
inline constexpr int kIconAttriEqualizer = 264;

// The mixer dialog's window icon, a grid of cross-points with the routed
// ones lit; the meter dialog's, two level bars holding their peaks.
inline constexpr int kIconMixerDialog = 260;
inline constexpr int kIconMeterDialog = 261;

// The device palette's image list in image order: the units of model-table
// rows 0-9, then PC, CD player, microphone, speaker, amplifier, generic
// device, matrix and text box, then the units of rows 18-20.
inline constexpr std::array<int, 21> kDevicePaletteIcons = {232, 275, 276, 238, 236, 240, 237,
                                                            239, 241, 242, 223, 231, 234, 235,
                                                            230, 233, 256, 244, 277, 278, 342};

// The DSP module palette's image list in image order: delay, router, mixer,
// dynamics, generator, equalizer, filter, crossover, the level meters of 1,
// 2, 4 and 8 channels, text.
inline constexpr std::array<int, 13> kDspPaletteIcons = {215, 225, 217, 228, 222, 227, 226,
                                                         229, 221, 220, 219, 218, 243};

// The icon with that id, or null when there is none; decoded once, like
// LoadBitmap's pictures.
const platform::gdi::Bitmap* LoadIcon(int id);

// The 16 x 16 picture of the toolbar button that sends `commandId`, or null
// when the command has none.
const platform::gdi::Bitmap* LoadToolbarPicture(int commandId);

// The 16 x 16 picture of a unit's network connection: a cable plug when
// wired, radio waves when wireless.
const platform::gdi::Bitmap* LoadNetTypePicture(bool wired);

// Mouse pointers of the DSP sheet, 32 x 32, by cursor id (ids of their own,
// apart from the icons'): a module from the palette over the sheet, and
// selected modules being dragged.
inline constexpr int kCursorDrop = 217;
inline constexpr int kCursorMove = 218;

// A pointer's picture, transparent in kIconMask, and the pixel that points.
struct CursorPicture {
    const platform::gdi::Bitmap* bitmap;
    int hotX;
    int hotY;
};

// The pointer with that cursor id, or null when there is none; decoded
// once, like LoadBitmap's pictures.
const CursorPicture* LoadCursorPicture(int id);

} // namespace resources
