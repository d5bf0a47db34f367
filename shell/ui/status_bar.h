#pragma once
// CMyStatusBar: the main window's status bar. It shows the panes of a
// CStatusPanes model (shell/status_panes.h) in the model's order, each with
// its text and tool tip, as wide as its widest text in the bar's font
// (CStatusPanes::WidestTexts), and lays itself out again when the model's
// layout changes. The three swatch panes (206-208) are drawn here: filled
// with the active device sheet's colours and captioned in a colour that
// reads on them (shell/status_swatch.h); with no device sheet active they
// stay undrawn.
#include <QStatusBar>

#include <functional>
#include <optional>
#include <vector>

#include "shell/status_panes.h"
#include "shell/status_swatch.h"

class QLabel;

namespace shell::ui {

class CMyStatusBar : public QStatusBar {
    Q_OBJECT
public:
    // The colours of the active device sheet, none when the active view is
    // not a device sheet view. Asked whenever the swatches are painted.
    using SheetColoursSource = std::function<std::optional<SheetColours>()>;

    // Takes the model's changed handler; the model outlives the bar.
    explicit CMyStatusBar(CStatusPanes& panes, QWidget* parent = nullptr);
    ~CMyStatusBar() override;

    void SetSheetColoursSource(SheetColoursSource source);

    // The widget that shows pane `id`, or null when the layout lacks it.
    QWidget* PaneWidget(int id) const;

private:
    struct PaneSlot {
        int id = 0;
        QWidget* widget = nullptr;
        QLabel* label = nullptr; // null for a swatch
    };

    void OnModelChanged();
    void Rebuild();
    void Refresh();
    bool LayoutMatches() const;
    // The pane's width; `label` shows its text (null for a swatch).
    int LaidOutWidth(const StatusPane& pane, const QLabel* label) const;

    CStatusPanes& m_panes;
    SheetColoursSource m_colours;
    std::vector<PaneSlot> m_slots;
};

} // namespace shell::ui
