#pragma once
// The arrangement commands of a DSP view by command id, and how many
// selected modules each needs. The view carries them out
// (CZoDSPView::Arrange, CanArrange).
#include <cstdint>
#include <optional>

#include "dsp_editor/zo_dsp_view.h"

namespace dsp_editor {

// Stack left, right, top, bottom; align left, right, top (bottom is 32877);
// centre horizontally, vertically, in the view; distribute horizontally,
// vertically.
inline constexpr int kCmdStackLeft = 32854;
inline constexpr int kCmdStackRight = 32855;
inline constexpr int kCmdStackTop = 32856;
inline constexpr int kCmdStackBottom = 32857;
inline constexpr int kCmdAlignLeft = 32858;
inline constexpr int kCmdAlignRight = 32859;
inline constexpr int kCmdAlignTop = 32860;
inline constexpr int kCmdAlignBottom = 32877;
inline constexpr int kCmdCentreHorizontally = 32862;
inline constexpr int kCmdCentreVertically = 32863;
inline constexpr int kCmdCentreInView = 32864;
inline constexpr int kCmdDistributeHorizontally = 32865;
inline constexpr int kCmdDistributeVertically = 32866;

// The arrangement a command id asks for; none for another id.
std::optional<CZoDSPView::EArrange> ArrangementOf(int commandId);
// The selected modules the arrangement needs at least.
std::int32_t MinSelected(CZoDSPView::EArrange how);

} // namespace dsp_editor
