#pragma once
// CDspArrangement: the DSP view's arrangement of the selected modules
// (stack, align, centre, distribute), and its commands by command id with
// how many selected modules each needs. The view owns it.
#include <cstdint>
#include <optional>

namespace dsp_editor {

class CZoDSPView;

class CDspArrangement {
public:
    explicit CDspArrangement(CZoDSPView& view) : m_view(view) {}
    CDspArrangement(const CDspArrangement&) = delete;
    CDspArrangement& operator=(const CDspArrangement&) = delete;

    enum class EArrange : std::int32_t {
        // A column (left, right) or row (top, bottom) without gaps, each
        // module touching the first one's edge.
        StackLeft,
        StackRight,
        StackTop,
        StackBottom,
        // The chosen edge of every module on the outermost one.
        AlignLeft,
        AlignRight,
        AlignTop,
        AlignBottom,
        // The modules together into the middle of the visible area.
        CentreInView,
        CentreHorizontally,
        CentreVertically,
        // The modules' centres at equal steps between the outer two.
        DistributeHorizontally,
        DistributeVertically,
    };
    // Arranges the selected modules that are shown, kept 10 units inside
    // the sheet. Every module moved goes with its link ends and gets one
    // move action in one new undo step; then the document is marked
    // modified and the view repaints. Nothing while live or busy, with
    // fewer modules than the arrangement needs, or when they are in place.
    void Arrange(EArrange how);
    // The command's rule: neither live nor busy (a download runs or waits)
    // and enough modules selected: 2 to stack or align, 1 to centre, 3 to
    // distribute.
    bool CanArrange(EArrange how) const;

private:
    CZoDSPView& m_view;
};

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
std::optional<CDspArrangement::EArrange> ArrangementOf(int commandId);
// The selected modules the arrangement needs at least.
std::int32_t MinSelected(CDspArrangement::EArrange how);

} // namespace dsp_editor
