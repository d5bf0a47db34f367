#pragma once
// The main window's status bar without the window: which panes the current
// layout has, their texts, widths and tool tips, and the setters the two
// editors call. A setter for a pane the layout lacks does nothing. The
// status bar widget shows this model and repaints when it changes.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace shell {

// Pane ids.
enum EPane : int {
    kPaneStartIp = 1,
    kPaneEndIp = 2,
    kPaneAdapterIp = 3,
    kPaneRunState = 11,
    kPaneSpaceUsed = 12,
    kPaneTimeUsed = 13,
    kPaneIdState = 14,
    kPaneModuleCount = 15,
    kPaneLinkCount = 16,
    kPaneModulePos = 17,
    kPaneModuleSize = 18,
    kPaneSheetSize = 205,
    kPaneColour1 = 206,
    kPaneColour2 = 207,
    kPaneColour3 = 208,
};

enum class EStatusLayout { Base = 0, Device = 1, Dsp = 2 };

struct StatusPane {
    int id = 0;
    int width = 0;        // 0: as laid out (stretches)
    bool ownerDrawn = false;
    std::string text;
    std::string toolTip;
};

class CStatusPanes {
public:
    // The layout at frame creation is the device layout.
    CStatusPanes();

    // Called whenever a pane's text, tip or the layout changed.
    void SetChangedHandler(std::function<void()> changed) { m_changed = std::move(changed); }

    // Sets the layout; then the IP panes are filled again (the caller
    // passes what UpdateIpPanes needs through SetIpSource).
    void SetLayout(EStatusLayout layout);
    EStatusLayout Layout() const { return m_layout; }
    const std::vector<StatusPane>& Panes() const { return m_panes; }
    // The pane of the layout, or null.
    const StatusPane* Find(int id) const;
    // The texts pane `id` shows at its widest, in the installed language:
    // each form of its text with the largest figures it holds. The blanks
    // that pad the IP and sheet-size texts are left out. Empty for the
    // separator and the swatches.
    static std::vector<std::string> WidestTexts(int id);

    // The texts of the IP panes and their joined tool tip.
    void UpdateIpPanes(std::uint32_t start, std::uint32_t end, const std::string& adapterIp);
    // Pane 205: the part of string 205 up to its first ':' and the sheet's
    // size.
    void UpdateSheetSizePane(int width, int height);

    void SetModuleSizePane(int cx, int cy);
    void SetModulePosPane(int x, int y);
    void SetLinkCountPane(int count, int selected);
    // `modules` counts the sheet's 16 fixed input and output modules too.
    void SetModuleCountPane(int modules, int selected);
    void SetIdStatePane(bool set);
    void SetSpaceUsedPane(int used);
    void SetTimeUsedPane(int used);
    // The run state's text: "running" (blinking) or "stopped".
    void SetRunStateText(bool on);
    void SetRunStateBlink(bool shown);
    // Asks the status bar to paint itself again (the sheet colours it
    // draws have changed).
    void Repaint()
    {
        if (m_changed)
            m_changed();
    }

private:
    void SetText(int id, std::string text, const std::string* toolTip = nullptr);
    StatusPane* FindPane(int id);

    EStatusLayout m_layout = EStatusLayout::Device;
    std::vector<StatusPane> m_panes;
    std::function<void()> m_changed;
};

} // namespace shell
