#include "attri_dialogs/router_controller.h"

#include <algorithm>
#include <memory>

#include "attri_dialogs/module_reset.h"

namespace attri_dialogs {

using model::CAriRouter;
namespace gdi = platform::gdi;

namespace {

constexpr std::int32_t kButtonWidth = 21;
constexpr std::int32_t kButtonHeight = 19;
constexpr gdi::Point kButtonOrigin{9, 28};
constexpr gdi::Point kTableOrigin{8, 9};
// The column of the output labels, right of the buttons.
constexpr std::int32_t kLabelColumn = 32;
constexpr gdi::COLORREF kTableGrey = 0xC0C0C0;

} // namespace

RouterLayout RouterLayoutOf(std::int32_t variant) {
    RouterLayout layout;
    layout.channels = CAriRouter::ChannelsOf(variant);
    switch (variant) {
    case 1:
        layout.labelShift = 250;
        layout.window = {141, 148};
        layout.maxTrack = {200, 200};
        break;
    case 2:
        layout.labelShift = 167;
        layout.window = {224, 225};
        layout.maxTrack = {300, 300};
        break;
    case 3:
        layout.window = {393, 376};
        layout.maxTrack = {450, 450};
        break;
    default:
        return layout;
    }
    // The label row and a row per output high; a column per input and the
    // label column wide.
    layout.table = {kTableOrigin.x, kTableOrigin.y,
                    kTableOrigin.x + kButtonWidth * layout.channels + kLabelColumn,
                    kTableOrigin.y + kButtonHeight * (layout.channels + 1)};
    return layout;
}

gdi::Rect CrossPointRect(std::int32_t input, std::int32_t output) {
    return {gdi::Point{kButtonOrigin.x + kButtonWidth * input,
                       kButtonOrigin.y + kButtonHeight * output},
            gdi::Size{kButtonWidth, kButtonHeight}};
}

void DrawRouterTable(gdi::Canvas& canvas, std::int32_t variant) {
    const RouterLayout layout = RouterLayoutOf(variant);
    if (layout.channels == 0)
        return;
    const gdi::Rect& table = layout.table;
    canvas.FillSolidRect(table, kTableGrey);
    for (std::int32_t k = 0; k <= layout.channels + 1; ++k) {
        const std::int32_t y = table.top + kButtonHeight * k;
        canvas.MoveTo(table.left, y);
        canvas.LineTo(table.right, y);
    }
    for (std::int32_t k = 0; k <= layout.channels; ++k) {
        const std::int32_t x = table.left + kButtonWidth * k;
        canvas.MoveTo(x, table.top);
        canvas.LineTo(x, table.bottom);
    }
    canvas.MoveTo(table.right, table.top);
    canvas.LineTo(table.right, table.bottom);
}

CAttriRouterController::CAttriRouterController(dsp_editor::CZoDSPView& view, CAriRouter& router)
    : CAttriController(view, router) {}

CAriRouter& CAttriRouterController::Router() const {
    return static_cast<CAriRouter&>(Module());
}

std::int32_t CAttriRouterController::Inputs() const {
    return CAriRouter::ChannelsOf(Variant());
}

std::int32_t CAttriRouterController::Outputs() const {
    return std::min(Router().m_routeCount, CAriRouter::kMaxOutputs);
}

bool CAttriRouterController::Selected(std::int32_t input, std::int32_t output) const {
    return output >= 0 && output < Outputs() && Router().m_selectedInput[output] == input + 1;
}

bool CAttriRouterController::OnCrossPoint(std::int32_t input, std::int32_t output) {
    if (!Editable() || input < 0 || input >= Inputs() || output < 0 || output >= Outputs())
        return false;
    const AttriParameter route =
        TableParameter(model::kAriRouter, kRouteCode, 0, static_cast<std::size_t>(output));
    Apply(route, Selected(input, output) ? 0 : input + 1);
    return true;
}

bool CAttriRouterController::AtDefaults() const {
    const std::unique_ptr<model::CBaseAriModule> reset = ResetValuesOf(*this);
    const auto* defaults = dynamic_cast<const CAriRouter*>(reset.get());
    if (defaults == nullptr)
        return false;
    const auto outputs = static_cast<std::size_t>(Outputs());
    return std::equal(Router().m_selectedInput.begin(), Router().m_selectedInput.begin() + outputs,
                      defaults->m_selectedInput.begin());
}

} // namespace attri_dialogs
