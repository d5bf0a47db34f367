#pragma once
// The main frame as the router-link query reaches it: the database settings
// and the connection that shell::CMainFrameCore keeps, and the settings
// dialog shown over a window of the program.
#include "dsp_editor/router_links.h"

class QWidget;

namespace shell {
class CMainFrameCore;
}

namespace dsp_editor::ui {

class CFrameRouterLinks : public IRouterLinkFrame {
public:
    // `dialogParent` (may be null) owns the settings dialog while it shows;
    // both outlive this object.
    CFrameRouterLinks(shell::CMainFrameCore& frame, QWidget* dialogParent)
        : m_frame(frame), m_dialogParent(dialogParent) {}

    bool DatabaseSettingsPending() const override;
    void SetDatabaseSettingsPending(bool pending) override;
    shell::CDatabaseSettings DatabaseSettings() const override;
    void SetDatabaseSettings(const shell::CDatabaseSettings& settings) override;
    // The frame's LoadRoutesFromDatabase with its stored settings.
    bool OpenDatabase() override;
    CRouteAnswer FirstRowField(const std::string& sql, const std::vector<std::string>& boundValues,
                               const std::string& field) override;
    void CloseDatabase() override;
    bool RunDBServerSetDialog(CDSPDlgDBServerSet& dialog) override;

private:
    shell::CMainFrameCore& m_frame;
    QWidget* m_dialogParent;
};

} // namespace dsp_editor::ui
