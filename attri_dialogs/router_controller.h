#pragma once
// CAttriRouterController: the router dialog without its widgets. A grid of
// cross-points, inputs across and outputs down; each output takes at most
// one input (route 0: none), an input may feed several outputs. A click
// routes the input to the output, or switches the output off when that
// input already feeds it, and is sent as code 401 (output, input or 0),
// both counted from 1.
//
// The widget dialog maps its controls as follows:
//   cross-point button (input i, output j) clicked
//                             -> OnCrossPoint(i, j); each button knows its
//                                input and output from its connection. Then
//                                column j (view-only: every column) shown
//                                again and the focus to the static text
//   column j shown            -> for each input i: Selected(i, j) gives the
//                                selected-point bitmap and the checked state
//   "set default values"      -> SetDefaultValues()
//   RefreshControls           -> every column shown again
//   paint                     -> DrawRouterTable on the background
//   size, labels              -> RouterLayoutOf(variant)
#include <cstdint>

#include "attri_dialogs/attri_controller.h"
#include "model/ari_router.h"
#include "platform/gdi/canvas.h"

namespace attri_dialogs {

// Where a router dialog's parts go, by the router's variant (1 to 3: 4, 8
// or 16 inputs and outputs), in client pixels.
struct RouterLayout {
    std::int32_t channels = 0;
    // The output labels and "channel" move left by this (the resource has
    // them beside the sixteenth input).
    std::int32_t labelShift = 0;
    platform::gdi::Size window;
    platform::gdi::Size maxTrack;
    // The grey table, from (8, 9).
    platform::gdi::Rect table;
};

// The layout of `variant`; channels 0 outside 1 to 3.
RouterLayout RouterLayoutOf(std::int32_t variant);

// The cross-point button of input i and output j, from 0: 21 x 19 pixels.
platform::gdi::Rect CrossPointRect(std::int32_t input, std::int32_t output);

// The grey table under the buttons and labels, ruled with the canvas's pen:
// a line above and below every row of buttons and the label row, one left
// of every button column and one at the right edge of the label column.
void DrawRouterTable(platform::gdi::Canvas& canvas, std::int32_t variant);

class CAttriRouterController : public CAttriController {
public:
    static constexpr std::int32_t kRouteCode = 401;

    // Both outlive it.
    CAttriRouterController(dsp_editor::CZoDSPView& view, model::CAriRouter& router);

    std::int32_t Variant() const { return Module().m_subType; }
    std::int32_t Inputs() const;
    std::int32_t Outputs() const;
    // Whether output j (from 0) takes input i (from 0).
    bool Selected(std::int32_t input, std::int32_t output) const;

    // The cross-point of input i and output j clicked, editable only: the
    // output takes the input, or none when it already takes it, and the
    // change is applied. Whether the router changed.
    bool OnCrossPoint(std::int32_t input, std::int32_t output);
    // Whether every output takes the input a new router gives it (input 1).
    bool AtDefaults() const override;

private:
    model::CAriRouter& Router() const;
};

} // namespace attri_dialogs
